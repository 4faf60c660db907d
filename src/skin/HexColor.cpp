#include "skin/HexColor.h"

#include "core/LogText.h"

#include <QDebug>
#include <QRgba64>
#include <QTextBoundaryFinder>

namespace velmora {

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Channels are held in 16 bits; integer arithmetic keeps 8-bit values exact
// (a stored 128 * 257 gives back 128, not 127.999...).
quint64 scaledTruncated(quint16 channel) { return quint64(channel) * 255 / 65535; }
quint64 scaledRounded(quint16 channel) { return (quint64(channel) * 255 * 2 + 65535) / (2 * 65535); }

QString formatHex(quint64 r, quint64 g, quint64 b)
{
    return QStringLiteral("#%1%2%3")
        .arg(r, 2, 16, QLatin1Char('0'))
        .arg(g, 2, 16, QLatin1Char('0'))
        .arg(b, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QRgba64 srgbChannels(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return (rgb.isValid() ? rgb : color).rgba64();
}

} // namespace

QString HexColor::trimHashes(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u'#')
        ++begin;
    while (end > begin && text.at(end - 1) == u'#')
        --end;
    return text.mid(begin, end - begin);
}

qsizetype HexColor::visibleLength(const QString& text)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype count = 0;
    while (finder.toNextBoundary() != -1)
        ++count;
    return count;
}

QColor HexColor::fromValue(quint32 value)
{
    return QColor::fromRgb(int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF));
}

QColor HexColor::toColorOrMagenta(const QString& text)
{
    const QString hex = trimHashes(text);
    if (visibleLength(hex) == 6) {
        qsizetype i = 0;
        while (i < hex.size() && hex.at(i).isSpace())
            ++i;
        if (i + 2 < hex.size() && hex.at(i) == u'0' && (hex.at(i + 1) == u'x' || hex.at(i + 1) == u'X')
            && hexDigit(hex.at(i + 2)) >= 0)
            i += 2;
        quint32 value = 0;
        qsizetype digits = 0;
        for (; i < hex.size() && hexDigit(hex.at(i)) >= 0; ++i, ++digits)
            value = (value << 4) | quint32(hexDigit(hex.at(i)));
        if (digits > 0)
            return fromValue(value);
    }
    qWarning().noquote() << QStringLiteral(
                                "[Velmora] Invalid hex color '%1' \u2014 using magenta sentinel so it's visible")
                                .arg(LogText::escaped(text));
    return magentaSentinel();
}

std::optional<QColor> HexColor::parse(const QString& text)
{
    const QString hex = trimHashes(text);
    if (visibleLength(hex) != 6 || hex.size() != 6)
        return std::nullopt;
    qsizetype first = 0;
    bool negative = false;
    if (hex.at(0) == u'+') {
        first = 1;
    } else if (hex.at(0) == u'-') {
        first = 1;
        negative = true;
    }
    quint32 value = 0;
    for (qsizetype i = first; i < hex.size(); ++i) {
        const int digit = hexDigit(hex.at(i));
        if (digit < 0)
            return std::nullopt;
        value = (value << 4) | quint32(digit);
    }
    if (negative && value != 0)
        return std::nullopt;
    return fromValue(value);
}

QString HexColor::hexString(const QColor& color)
{
    const QRgba64 c = srgbChannels(color);
    return formatHex(scaledTruncated(c.red()), scaledTruncated(c.green()), scaledTruncated(c.blue()));
}

QString HexColor::roundedHexString(const QColor& color)
{
    const QRgba64 c = srgbChannels(color);
    return formatHex(scaledRounded(c.red()), scaledRounded(c.green()), scaledRounded(c.blue()));
}

} // namespace velmora
