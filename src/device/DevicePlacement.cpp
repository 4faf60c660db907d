#include "device/DevicePlacement.h"

#include <QRectF>

#include <algorithm>
#include <cmath>

namespace velmora::DevicePlacement {
namespace {

bool hasSize(const QSizeF& size) { return size.width() > 0 && size.height() > 0; }

} // namespace

double fitScale(const QSizeF& frameSize, const QRect& area)
{
    if (!hasSize(frameSize))
        return 0;
    return std::min(launchFraction * area.width() / frameSize.width(),
                    launchFraction * area.height() / frameSize.height());
}

double maximumScale(const QSizeF& frameSize, const std::vector<QRect>& areas)
{
    if (!hasSize(frameSize))
        return 0;
    double largest = 0;
    for (const QRect& area : areas)
        largest = std::max(largest, std::min(area.width() / frameSize.width(), area.height() / frameSize.height()));
    return largest;
}

double scaleWithin(const QSizeF& frameSize, double scale, const QRect& area)
{
    if (area.isEmpty() || !hasSize(frameSize))
        return scale;
    return std::min(scale, maximumScale(frameSize, {area}));
}

QRect centred(const QSizeF& size, const QPointF& centre)
{
    const int width = int(std::lround(size.width()));
    const int height = int(std::lround(size.height()));
    return QRect(
        int(std::lround(centre.x() - width / 2.0)), int(std::lround(centre.y() - height / 2.0)), width, height);
}

QRect scaledFrame(const QSizeF& frameSize, double scale, const QPointF& centre)
{
    return centred(frameSize * scale, centre);
}

QRect scaledAboutCentre(const QRect& frame, double factor)
{
    const int width = int(std::lround(factor * frame.width()));
    const int height = int(std::lround(factor * frame.height()));
    return QRect(int(std::lround(frame.x() - (width - frame.width()) / 2.0)),
                 int(std::lround(frame.y() - (height - frame.height()) / 2.0)),
                 width,
                 height);
}

QRect miniFrame(const QRect& deviceFrame)
{
    return centred(QSizeF(miniWidth, miniHeight), QRectF(deviceFrame).center());
}

QRect keptWithin(const QRect& frame, const QRect& area)
{
    if (area.isEmpty())
        return frame;
    const int width = std::min(frame.width(), area.width());
    const int height = std::min(frame.height(), area.height());
    const int x = std::clamp(frame.x(), area.left(), area.left() + area.width() - width);
    const int y = std::clamp(frame.y(), area.top(), area.top() + area.height() - height);
    return QRect(x, y, width, height);
}

Placement initialPlacement(const SkinManifest& skin, const std::optional<WindowState>& restoringState,
                           const QRect& mainArea, const std::vector<QRect>& screenAreas)
{
    if (restoringState && restoringState->width > 0 && restoringState->height > 0) {
        const QRectF saved(restoringState->x, restoringState->y, restoringState->width, restoringState->height);
        const QRectF inset = saved.adjusted(restoreInset, restoreInset, -restoreInset, -restoreInset);
        const bool onScreen
            = inset.isValid() && std::any_of(screenAreas.begin(), screenAreas.end(), [&](const QRect& area) {
                  return QRectF(area).intersects(inset);
              });
        // A frame larger than every screen counts as off screen.
        const bool fits = std::any_of(screenAreas.begin(), screenAreas.end(), [&](const QRect& area) {
            return saved.width() <= area.width() && saved.height() <= area.height();
        });
        if (onScreen && fits && skin.frameSize.width() > 0)
            return Placement{saved.toRect(), restoringState->width / skin.frameSize.width()};
    }
    const double launch = std::min(fitScale(skin.frameSize, mainArea), skin.launchScale);
    const double scale = scaleWithin(skin.frameSize, std::max(launch, minimumScale), mainArea);
    return Placement{scaledFrame(skin.frameSize, scale, QRectF(mainArea).center()), scale};
}

} // namespace velmora::DevicePlacement
