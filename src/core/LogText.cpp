#include "core/LogText.h"

#include <QList>

namespace velmora::LogText {
namespace {

// Characters that change how a terminal or a log viewer shows what follows.
bool isHidden(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E)
        || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF || c == 0xFFF9 || c == 0xFFFA || c == 0xFFFB;
}

} // namespace

QString escaped(const QString& text, qsizetype maxLength)
{
    QString out;
    qsizetype kept = 0;
    for (const uint scalar : text.toUcs4()) {
        const char32_t c = scalar;
        if (kept == maxLength) {
            out += QChar(0x2026);
            break;
        }
        ++kept;
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c < 0x100 && isHidden(c))
            out += QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
        else if (isHidden(c) || (c >= 0xD800 && c <= 0xDFFF))
            out += QStringLiteral("\\u{%1}").arg(uint(c), 4, 16, QLatin1Char('0'));
        else
            out += QString::fromUcs4(&c, 1);
    }
    return out;
}

} // namespace velmora::LogText
