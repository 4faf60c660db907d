#include "core/LogText.h"

#include <gtest/gtest.h>

namespace {

using velmora::LogText::escaped;

TEST(LogTextTest, EscapesWhatWouldDriveATerminalOrHideText)
{
    struct Case {
        const char* name;
        QString text;
        QString expected;
    };
    const Case cases[] = {
        {"plain", QStringLiteral("Retro Handheld"), QStringLiteral("Retro Handheld")},
        {"non-ASCII stays", QStringLiteral("Über Gerät ✓"), QStringLiteral("Über Gerät ✓")},
        {"escape sequence", QStringLiteral("a\x1b]0;pwned\x07z"), QStringLiteral("a\\x1b]0;pwned\\x07z")},
        {"line breaks", QStringLiteral("one\r\ntwo"), QStringLiteral("one\\x0d\\x0atwo")},
        {"C1 control", QString(QChar(0x9b)) + "2J", QStringLiteral("\\x9b2J")},
        {"right-to-left override", QString(QChar(0x202e)) + "gnp.exe", QStringLiteral("\\u{202e}gnp.exe")},
        {"zero-width space", QString("a") + QChar(0x200b) + "b", QStringLiteral("a\\u{200b}b")},
        {"backslash", QStringLiteral("C:\\skins"), QStringLiteral("C:\\\\skins")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(escaped(c.text), c.expected) << c.name;
}

TEST(LogTextTest, CutsLongTextToASaneLength)
{
    EXPECT_EQ(escaped(QString(velmora::LogText::maxLength, u'n')), QString(velmora::LogText::maxLength, u'n'));
    const QString cut = escaped(QString(100000, u'n'));
    EXPECT_EQ(cut, QString(velmora::LogText::maxLength, u'n') + QChar(0x2026));
    EXPECT_EQ(escaped(QStringLiteral("abcdef"), 3), QStringLiteral("abc") + QChar(0x2026));
    // Characters beyond the basic plane count once.
    EXPECT_EQ(escaped(QStringLiteral("😀😀😀"), 2), QStringLiteral("😀😀") + QChar(0x2026));
}

} // namespace
