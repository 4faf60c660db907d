// The handheld's frame picture as the build draws it (tools/skin-art): its
// button row sits centred on the body, every button's recess inside the
// face's parting line, and nothing light lies along the screen's rounded
// corners, where it would break up into specks once the picture is scaled
// down. Measured on the picture's pixels, at twice the design size.

#include "skin/SkinManifest.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainterPath>

#include <algorithm>
#include <vector>

namespace velmora {
namespace {

constexpr int S = 2; // pixels per design unit
// The body and its parting line, 7 units in from the body's edge.
constexpr int bodyLeft = 12, bodyRight = 386, seamInset = 7;
constexpr double bodyCentre = (bodyLeft + bodyRight) / 2.0;
// The line through the buttons' centres.
constexpr double buttonRowY = 372.5;

QImage handheldPicture()
{
    return QImage(QStringLiteral(VELMORA_BINARY_DIR "/share/velmora/Skins/handheld/frame@2x.png"))
        .convertToFormat(QImage::Format_ARGB32);
}

// The recesses: the darkest parts of the face.
bool recess(QRgb p) { return qAlpha(p) > 200 && qGray(p) < 40; }
bool orange(QRgb p) { return qRed(p) > 180 && qGreen(p) < 150 && qBlue(p) < 110; }

// Runs of recess pixels along the row, as [first, last] pixel columns.
std::vector<std::pair<int, int>> recessRuns(const QImage& picture, int y)
{
    std::vector<std::pair<int, int>> runs;
    const int from = (bodyLeft + seamInset) * S + 2, to = (bodyRight - seamInset) * S - 2;
    for (int x = from; x <= to; ++x) {
        if (!recess(picture.pixel(x, y)))
            continue;
        if (!runs.empty() && runs.back().second >= x - 3)
            runs.back().second = x;
        else
            runs.emplace_back(x, x);
    }
    return runs;
}

TEST(HandheldArtTest, TheButtonRowIsCentredWithItsRecessesInsideTheFace)
{
    const QImage picture = handheldPicture();
    ASSERT_EQ(picture.size(), (SkinManifest::handheld().frameSize * S).toSize());
    const int y = int(buttonRowY * S);

    // Each button's recess shows as a dark ring: two runs per button.
    const std::vector<std::pair<int, int>> runs = recessRuns(picture, y);
    ASSERT_EQ(runs.size(), 8u) << "four recesses cut twice by the row";
    const double rowLeft = runs.front().first / double(S);
    const double rowRight = (runs.back().second + 1) / double(S);
    EXPECT_NEAR((rowLeft + rowRight) / 2, bodyCentre, 1.0) << "row from " << rowLeft << " to " << rowRight;
    EXPECT_GE(rowLeft, bodyLeft + seamInset + 8);
    EXPECT_LE(rowRight, bodyRight - seamInset - 8) << "a recess reaches the parting line";

    // The orange button is the last one, its recess whole inside the face
    // at every height.
    int orangeTop = picture.height(), orangeBottom = -1, orangeLeft = picture.width();
    for (int row = 0; row < picture.height(); ++row) {
        for (int x = 0; x < picture.width(); ++x) {
            if (orange(picture.pixel(x, row))) {
                orangeTop = std::min(orangeTop, row);
                orangeBottom = std::max(orangeBottom, row);
                orangeLeft = std::min(orangeLeft, x);
            }
        }
    }
    ASSERT_GE(orangeBottom, orangeTop);
    EXPECT_GT(orangeLeft, runs[5].second) << "the accent is the last button";
    for (int row = orangeTop; row <= orangeBottom; ++row) {
        for (int x = (bodyRight - seamInset - 4) * S; x < (bodyRight - seamInset - 1) * S; ++x)
            ASSERT_FALSE(recess(picture.pixel(x, row))) << "the recess at " << x << ", " << row;
    }
}

TEST(HandheldArtTest, NothingLightAlongTheScreensRoundedCorners)
{
    const QImage picture = handheldPicture();
    const QRectF screen = SkinManifest::handheld().viewportRect;
    const double radius = SkinManifest::handheld().viewportCornerRadius;
    // The squares of the four rounded corners, within a unit of the glass's
    // outline.
    QPainterPath nearGlass;
    nearGlass.addRoundedRect(screen.adjusted(-1, -1, 1, 1), radius + 1, radius + 1);
    const QRectF corner(0, 0, radius + 1, radius + 1);
    const std::vector<QRectF> corners = {
        corner.translated(screen.left() - 1, screen.top() - 1),
        corner.translated(screen.right() - radius, screen.top() - 1),
        corner.translated(screen.right() - radius, screen.bottom() - radius),
        corner.translated(screen.left() - 1, screen.bottom() - radius),
    };
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const QRect area(int(corners[i].left() * S),
                         int(corners[i].top() * S),
                         int(corners[i].width() * S),
                         int(corners[i].height() * S));
        int lightest = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (!nearGlass.contains(QPointF(x + 0.5, y + 0.5) / S))
                    continue;
                // As it shows over a black screen.
                const QRgb p = picture.pixel(x, y);
                lightest = std::max(lightest, qGray(p) * qAlpha(p) / 255);
            }
        }
        EXPECT_LE(lightest, 16) << "corner " << i << " holds a light pixel";
    }
}

} // namespace
} // namespace velmora
