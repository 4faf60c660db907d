#pragma once

#include "skinbuilder/BezierNode.h"
#include "skinbuilder/SkinBuilderTypes.h"

#include <QImage>
#include <QRectF>
#include <QSizeF>

#include <optional>
#include <vector>

namespace velmora {

// The builder's state before one picture change: the picture and everything
// placed on it that the change may move.
struct ImageSnapshot {
    QImage image;
    std::optional<QRectF> viewport;
    std::vector<ButtonDef> buttons;
    QSizeF pixelSize;
    std::optional<QRectF> drawerViewport;
    std::vector<BezierNode> drawerMask;
};

// The undo stack of picture changes, oldest first, holding at most maxDepth
// snapshots: pushing onto a full stack drops the oldest.
class ImageHistory {
public:
    static constexpr std::size_t defaultDepth = 10;

    explicit ImageHistory(std::size_t maxDepth = defaultDepth) : m_maxDepth(maxDepth) {}

    void push(ImageSnapshot snapshot);
    // The newest snapshot, removed; none when empty.
    std::optional<ImageSnapshot> pop();
    void clear() { m_stack.clear(); }

    std::size_t count() const { return m_stack.size(); }
    std::size_t maxDepth() const { return m_maxDepth; }
    const std::vector<ImageSnapshot>& stack() const { return m_stack; }

private:
    std::vector<ImageSnapshot> m_stack;
    std::size_t m_maxDepth;
};

} // namespace velmora
