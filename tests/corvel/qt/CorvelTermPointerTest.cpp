// corvel-term on a real X server with real programs and the X clipboards:
// pictures from chafa (Kitty) and img2sixel (Sixel) land in the expected
// cells, a double click and Ctrl+Shift+C copy a word, and a selection is
// the primary selection a middle click pastes. Runs only where
// VELMORA_TEST_DISPLAY names a display.

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QImage>
#include <QThread>

#include <functional>

#include "CorvelTermSession.h"
#include "ViewTestSupport.h"

namespace corvel {
namespace {

using test::CorvelTermSession;

// The first command of every test clears the screen and draws a ruler on the
// first row: 40 cells in a background colour, from which the cell size is
// measured.
const QString ruler = QStringLiteral("clear; printf '\\033[45m%40s\\033[0m\\n' ''");

struct Cells {
    double width = 0;
    double height = 0;
};

Cells measure(const QImage& shot)
{
    const QColor colour = shot.pixelColor(1, 1);
    int right = 1;
    while (right < shot.width() && test::near(shot.pixelColor(right, 1), colour, 4))
        ++right;
    int bottom = 1;
    while (bottom < shot.height() && test::near(shot.pixelColor(1, bottom), colour, 4))
        ++bottom;
    return {right / 40.0, static_cast<double>(bottom)};
}

QRect extentOf(const QImage& image, QColor colour, int tolerance)
{
    QRect extent;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test::near(image.pixelColor(x, y), colour, tolerance))
                extent |= QRect(x, y, 1, 1);
    return extent;
}

// Whether the condition comes to hold, asked a tenth of a second apart, within
// a time long enough for a loaded machine.
bool eventually(const std::function<bool()>& condition, int timeoutMs = 30'000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(100);
    }
    return true;
}

// Whether the shot shows the ruler, and something drawn in the cells of row 1
// from column `first` to `last`.
bool rulerAndCellsShown(const QImage& shot, int first, int last)
{
    if (shot.isNull())
        return false;
    const QColor background = shot.pixelColor(shot.width() - 2, shot.height() - 2);
    if (test::near(shot.pixelColor(1, 1), background, 8))
        return false;
    const Cells cell = measure(shot);
    if (cell.width <= 4 || cell.height <= 8 || cell.width * 40 >= shot.width() - 1)
        return false;
    const QRect cells(
        int(first * cell.width), int(cell.height), int((last - first + 1) * cell.width), int(cell.height));
    return test::countNear(shot, cells, background, 8) < cells.width() * cells.height();
}

bool writePicture(const QString& file, int size, QColor colour)
{
    QImage picture(size, size, QImage::Format_RGB32);
    picture.fill(colour);
    return picture.save(file, "PNG");
}

TEST(CorvelTermPointer, KittyAndSixelPicturesShowInTheirCells)
{
    if (!CorvelTermSession::display())
        GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";
    for (const char* program : {"chafa", "img2sixel", "import"})
        if (!CorvelTermSession::hasProgram(QString::fromLatin1(program)))
            GTEST_SKIP() << program << " is missing";
    CorvelTermSession session;
    ASSERT_TRUE(writePicture(session.path(QStringLiteral("red.png")), 60, QColor(255, 0, 0)));
    ASSERT_TRUE(writePicture(session.path(QStringLiteral("blue.png")), 64, QColor(0, 0, 255)));
    ASSERT_TRUE(session.start()) << session.error().toStdString();
    ASSERT_TRUE(session.typeCommand(ruler
                                    + QStringLiteral("; chafa -f kitty --size 10x5 red.png; "
                                                     "img2sixel blue.png; touch shown")));
    ASSERT_TRUE(session.waitForFile(QStringLiteral("shown")));

    QImage shot;
    QRect red;
    QRect blue;
    eventually([&] {
        shot = session.screenshot();
        red = extentOf(shot, QColor(255, 0, 0), 40);
        blue = extentOf(shot, QColor(0, 0, 255), 8);
        return !red.isEmpty() && !blue.isEmpty();
    });
    ASSERT_FALSE(shot.isNull());
    const Cells cell = measure(shot);
    ASSERT_GT(cell.width, 4);
    ASSERT_GT(cell.height, 8);

    // chafa fits the square picture into 10 × 5 cells from column 0 of row 1.
    ASSERT_FALSE(red.isEmpty());
    EXPECT_LE(red.left(), 1);
    EXPECT_NEAR(red.top(), cell.height, 1);
    EXPECT_LE(red.width(), 10 * cell.width + 1);
    EXPECT_LE(red.height(), 5 * cell.height + 1);
    EXPECT_GE(red.height(), 4 * cell.height);
    // img2sixel shows the 64 × 64 pixels as they are, at the start of a row
    // below the Kitty picture.
    ASSERT_FALSE(blue.isEmpty());
    EXPECT_EQ(blue.left(), 0);
    EXPECT_EQ(blue.size(), QSize(64, 64));
    EXPECT_GT(blue.top(), red.bottom());
    const double row = blue.top() / cell.height;
    EXPECT_NEAR(row, std::round(row), 0.06) << "the Sixel picture starts between rows";
}

TEST(CorvelTermPointer, ADoubleClickedWordIsCopiedAndItsSelectionPastedWithTheMiddleButton)
{
    if (!CorvelTermSession::display())
        GTEST_SKIP() << "VELMORA_TEST_DISPLAY is not set";
    for (const char* program : {"xclip", "import"})
        if (!CorvelTermSession::hasProgram(QString::fromLatin1(program)))
            GTEST_SKIP() << program << " is missing";
    CorvelTermSession session;
    ASSERT_TRUE(session.start()) << session.error().toStdString();
    ASSERT_TRUE(session.typeCommand(ruler + QStringLiteral("; printf 'alpha bravo charlie\\n'; touch shown")));
    ASSERT_TRUE(session.waitForFile(QStringLiteral("shown")));
    // "bravo" takes columns 6 to 10 of row 1.
    QImage shot;
    ASSERT_TRUE(eventually([&] {
        shot = session.screenshot();
        return rulerAndCellsShown(shot, 6, 10);
    })) << "the ruler and the word were not drawn";
    const Cells cell = measure(shot);

    const QString x = QString::number(static_cast<int>(8.5 * cell.width));
    const QString y = QString::number(static_cast<int>(1.5 * cell.height));
    ASSERT_TRUE(session.xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), session.window(), x, y}));
    // The two clicks count as one double click only when they come within the
    // double-click time; a machine that stalls between them gets another go.
    QString clipboard;
    for (int attempt = 0; attempt < 3 && clipboard != QStringLiteral("bravo"); ++attempt) {
        ASSERT_TRUE(session.xdotool({QStringLiteral("click"),
                                     QStringLiteral("--repeat"),
                                     QStringLiteral("2"),
                                     QStringLiteral("--delay"),
                                     QStringLiteral("80"),
                                     QStringLiteral("1")}));
        ASSERT_TRUE(session.xdotool({QStringLiteral("key"), QStringLiteral("ctrl+shift+c")}));
        eventually(
            [&] {
                clipboard
                    = session.run(QStringLiteral("xclip"),
                                  {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard")});
                return clipboard == QStringLiteral("bravo");
            },
            10'000);
    }
    EXPECT_EQ(clipboard.toStdString(), "bravo");
    EXPECT_EQ(session
                  .run(QStringLiteral("xclip"),
                       {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("primary")})
                  .toStdString(),
              "bravo");

    // The middle button pastes the primary selection at the prompt.
    ASSERT_TRUE(session.xdotool(
        {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("15"), QStringLiteral("echo pasted-")}));
    ASSERT_TRUE(session.xdotool({QStringLiteral("click"), QStringLiteral("2")}));
    ASSERT_TRUE(session.typeCommand(QStringLiteral("; touch pasted")));
    ASSERT_TRUE(session.waitForFile(QStringLiteral("pasted"), 30'000)) << "the command line never ran";
    ASSERT_TRUE(session.typeCommand(QStringLiteral("exit")));
    ASSERT_TRUE(session.terminal().waitForFinished(20000)) << "the window did not close when the shell exited";
    QFile screen(session.dumpFile());
    ASSERT_TRUE(screen.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(screen.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("\npasted-bravo\n"))) << text.toStdString();
}

} // namespace
} // namespace corvel
