#pragma once

#include <QColor>
#include <QString>

#include <optional>

namespace velmora {

// The two readers of "#rrggbb" colour texts and the truncating writer.
class HexColor {
public:
    // Lenient reader of skin and palette files. "#" may be missing or
    // repeated at either end; the six remaining characters are scanned as a
    // hexadecimal number (leading white space and "0x" allowed, trailing
    // non-digits ignored). Anything else logs one line and yields magenta, so
    // that a bad colour is visible instead of failing the skin.
    static QColor toColorOrMagenta(const QString& text);

    // Strict reader used by editors: "#" trimmed from both ends, then exactly
    // six hexadecimal digits (a leading "+" with five digits, or "-00000",
    // also read as a number). Anything else yields no colour.
    static std::optional<QColor> parse(const QString& text);

    // "#RRGGBB" with each sRGB component multiplied by 255 and truncated.
    static QString hexString(const QColor& color);

    // "#RRGGBB" with each sRGB component multiplied by 255 and rounded,
    // halves away from zero.
    static QString roundedHexString(const QColor& color);

    static QColor magentaSentinel() { return QColor::fromRgbF(1.0f, 0.0f, 1.0f); }

private:
    static QString trimHashes(const QString& text);
    static qsizetype visibleLength(const QString& text);
    static QColor fromValue(quint32 value);
};

} // namespace velmora
