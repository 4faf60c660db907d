#pragma once

#include <array>
#include <optional>
#include <unordered_map>
#include <vector>

#include <QColor>

#include "corvel/base/Color.h"
#include "corvel/model/Attribute.h"
#include "corvel/qt/TextAttributes.h"

namespace corvel {

// Turns cell attributes into TextAttributes and terminal colours into
// platform colours, caching both. Palette colours are cached per index (after
// the bright-colour rule), true colours per value, and whole TextAttributes
// per Attribute, separately for link-highlighted cells. A cached entry keeps
// the colours it was built with, so every colour change must drop the
// attribute caches.
class ViewColorCache {
public:
    // The terminal's 256-colour palette; read on each palette cache miss.
    void setPalette(const std::vector<Color>* palette) { palette_ = palette; }

    QColor nativeForeground = QColor(0, 0, 0);
    QColor nativeBackground = QColor(255, 255, 255);

    bool useBrightColors() const { return useBrightColors_; }
    // Changing the rule drops every cache, since cached entries were built
    // under the old rule.
    void setUseBrightColors(bool value);

    QColor mapColor(Attribute::Color color, bool isFg, bool isBold, bool useBrightColors);
    // The cached attributes of a cell; withUrl for link-highlighted cells.
    const TextAttributes& getAttributes(const Attribute& attribute, bool withUrl);
    // Attributes with explicit colours: not cached, no bright rule, no dim.
    TextAttributes getAttributedValue(const Attribute& attribute, const QColor& fg, const QColor& bg);

    // Empties every cache.
    void resetCaches();
    // Empties the palette cache, or one slot of it.
    void resetPalette();
    void resetPaletteSlot(int index);
    // Empties the two attribute caches.
    void clearAttributeCaches();

    size_t cachedAttributeCount() const { return attributes_.size() + urlAttributes_.size(); }

private:
    static void addDecorations(TextAttributes& out, const Attribute& attribute, const QColor& underlineColor);

    const std::vector<Color>* palette_ = nullptr;
    bool useBrightColors_ = true;
    std::array<std::optional<QColor>, 256> colors_{};
    std::unordered_map<Attribute::Color, QColor> trueColors_;
    std::unordered_map<Attribute, TextAttributes> attributes_;
    std::unordered_map<Attribute, TextAttributes> urlAttributes_;
};

} // namespace corvel
