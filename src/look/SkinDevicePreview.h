#pragma once

#include "skin/SkinManifest.h"

#include <QPixmap>
#include <QRectF>
#include <QSizeF>
#include <QWidget>

namespace velmora {

// A still miniature of a skin's device: its frame picture fitted into the
// widget (a grey rounded body when there is none) with a soft shadow, and
// over the picture's screen area a small fake terminal in the skin's
// palette. The screen is always the skin's axis-aligned screen rectangle
// drawn on top of the picture. Pictures come from SkinPreviewImageCache.
class SkinDevicePreview final : public QWidget {
    Q_OBJECT

public:
    explicit SkinDevicePreview(SkinManifest skin, QWidget* parent = nullptr);

    const SkinManifest& skin() const { return m_skin; }
    void setSkin(SkinManifest skin);

    // Where the frame goes in an offered area: the frame's aspect ratio
    // fitted and centred; the whole area when either is degenerate.
    static QRectF frameRect(QSizeF offered, QSizeF frameSize);
    // Where the skin's screen rectangle lands once the frame fills frame.
    static QRectF screenRect(const QRectF& frame, QSizeF frameSize, const QRectF& viewportRect);

    QRectF frameRect() const { return frameRect(size(), m_skin.frameSize); }
    QRectF screenRect() const { return screenRect(frameRect(), m_skin.frameSize, m_skin.viewportRect); }

    QSize sizeHint() const override { return {160, 156}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void draw(QPainter& painter) const;

    SkinManifest m_skin;
    QPixmap m_rendered; // this size, until the skin or size changes
};

} // namespace velmora
