#include "corvel/qt/ViewColorCache.h"

#include "corvel/qt/ViewColors.h"

namespace corvel {

namespace {

using Kind = Attribute::Color::Kind;

bool isDefaultKind(Attribute::Color c)
{
    return c.kind() == Kind::defaultColor || c.kind() == Kind::defaultInvertedColor;
}

int platformUnderlineStyle(UnderlineStyle style)
{
    switch (style) {
    case UnderlineStyle::none:
    case UnderlineStyle::single:
    case UnderlineStyle::curly: return TextAttributes::underlineSingle;
    case UnderlineStyle::doubled: return TextAttributes::underlineDouble;
    case UnderlineStyle::dotted: return TextAttributes::underlineSingle | TextAttributes::patternDot;
    case UnderlineStyle::dashed: return TextAttributes::underlineSingle | TextAttributes::patternDash;
    }
    return TextAttributes::underlineSingle;
}

FontFace faceFor(bool italic, bool bold)
{
    if (italic)
        return bold ? FontFace::boldItalic : FontFace::italic;
    return bold ? FontFace::bold : FontFace::normal;
}

} // namespace

void ViewColorCache::setUseBrightColors(bool value)
{
    useBrightColors_ = value;
    resetCaches();
}

QColor ViewColorCache::mapColor(Attribute::Color color, bool isFg, bool isBold, bool useBrightColors)
{
    switch (color.kind()) {
    case Kind::ansi256: {
        int index = color.code();
        if (useBrightColors) {
            if (index < 7 && isBold)
                index += 8;
        } else if (index >= 8 && index <= 15) {
            index -= 8;
        }
        std::optional<QColor>& slot = colors_[static_cast<size_t>(index)];
        if (!slot) {
            if (palette_ && static_cast<size_t>(index) < palette_->size())
                slot = toQColor((*palette_)[static_cast<size_t>(index)]);
            else
                slot = toQColor(Color::terminalAppColors[static_cast<size_t>(index) % 16]);
        }
        return *slot;
    }
    case Kind::trueColor: {
        auto it = trueColors_.find(color);
        if (it == trueColors_.end())
            it = trueColors_.emplace(color, QColor(color.red(), color.green(), color.blue())).first;
        return it->second;
    }
    case Kind::defaultColor: return isFg ? nativeForeground : nativeBackground;
    case Kind::defaultInvertedColor: return inverseColor(isFg ? nativeForeground : nativeBackground);
    }
    return nativeForeground;
}

void ViewColorCache::addDecorations(TextAttributes& out, const Attribute& attribute, const QColor& underlineColor)
{
    const CharacterStyle style = attribute.style();
    if (style.contains(CharacterStyle::underline)) {
        UnderlineStyle u = attribute.underlineStyle();
        if (u == UnderlineStyle::none)
            u = UnderlineStyle::single;
        out.underline = TextAttributes::Underline{underlineColor, platformUnderlineStyle(u), static_cast<int>(u)};
    }
    if (style.contains(CharacterStyle::crossedOut))
        out.strikeThrough = TextAttributes::StrikeThrough{out.foreground, 1};
}

const TextAttributes& ViewColorCache::getAttributes(const Attribute& attribute, bool withUrl)
{
    auto& cache = withUrl ? urlAttributes_ : attributes_;
    if (auto hit = cache.find(attribute); hit != cache.end())
        return hit->second;

    const CharacterStyle style = attribute.style();
    const bool bold = style.contains(CharacterStyle::bold);
    Attribute::Color fg = attribute.fg();
    Attribute::Color bg = attribute.bg();
    if (style.contains(CharacterStyle::inverse)) {
        const Attribute::Color oldFg = fg;
        fg = isDefaultKind(bg) ? Attribute::Color::defaultInvertedColor : bg;
        bg = isDefaultKind(oldFg) ? Attribute::Color::defaultInvertedColor : oldFg;
    }

    TextAttributes out;
    const bool brightFace = !useBrightColors_ && fg.kind() == Kind::ansi256 && fg.code() >= 8 && fg.code() <= 15;
    out.face = faceFor(style.contains(CharacterStyle::italic), bold || brightFace);
    out.foreground = mapColor(fg, true, bold, useBrightColors_);
    out.background = mapColor(bg, false, false, true);
    if (style.contains(CharacterStyle::dim))
        out.foreground = dimmedColor(out.foreground, out.background);

    QColor underlineColor = out.foreground;
    if (auto uc = attribute.underlineColor())
        underlineColor = mapColor(*uc, true, bold, useBrightColors_);
    addDecorations(out, attribute, underlineColor);
    if (withUrl)
        out.underline = TextAttributes::Underline{
            out.foreground, TextAttributes::underlineSingle, static_cast<int>(UnderlineStyle::dashed)};
    return cache.emplace(attribute, std::move(out)).first->second;
}

TextAttributes ViewColorCache::getAttributedValue(const Attribute& attribute, const QColor& fg, const QColor& bg)
{
    const CharacterStyle style = attribute.style();
    const bool bold = style.contains(CharacterStyle::bold);
    TextAttributes out;
    out.face = faceFor(style.contains(CharacterStyle::italic), bold);
    const bool inverse = style.contains(CharacterStyle::inverse);
    out.foreground = inverse ? bg : fg;
    out.background = inverse ? fg : bg;
    QColor underlineColor = out.foreground;
    if (auto uc = attribute.underlineColor())
        underlineColor = mapColor(*uc, true, bold, useBrightColors_);
    addDecorations(out, attribute, underlineColor);
    return out;
}

void ViewColorCache::resetCaches()
{
    resetPalette();
    trueColors_.clear();
    clearAttributeCaches();
}

void ViewColorCache::resetPalette() { colors_.fill(std::nullopt); }

void ViewColorCache::resetPaletteSlot(int index)
{
    if (index >= 0 && index < 256)
        colors_[static_cast<size_t>(index)].reset();
}

void ViewColorCache::clearAttributeCaches()
{
    attributes_.clear();
    urlAttributes_.clear();
}

} // namespace corvel
