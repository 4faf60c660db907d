#include "screen/ScreenPicture.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace velmora {

bool ScreenPicture::reset(const QSize& screenSize, double density)
{
    if (!(density > 0) || !std::isfinite(density))
        density = 1;
    if (screenSize == m_screenSize && density == m_density && !m_image.isNull())
        return false;
    m_screenSize = screenSize;
    m_density = density;
    const QSize pixels(std::max(1, int(std::lround(screenSize.width() * density))),
                       std::max(1, int(std::lround(screenSize.height() * density))));
    m_image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    m_image.setDevicePixelRatio(density);
    m_image.fill(Qt::transparent);
    m_before = QImage();
    return true;
}

QRect ScreenPicture::changedPixels(const QImage& before, const QImage& after, const QRect& within)
{
    const QRect area = within.intersected(after.rect()).intersected(before.rect());
    if (area.isEmpty() || before.format() != after.format() || after.depth() != 32)
        return QRect();
    int top = -1, bottom = -1, left = area.right() + 1, right = area.left() - 1;
    const std::size_t rowBytes = std::size_t(area.width()) * 4;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto* a = reinterpret_cast<const std::uint32_t*>(before.constScanLine(y)) + area.left();
        const auto* b = reinterpret_cast<const std::uint32_t*>(after.constScanLine(y)) + area.left();
        if (std::memcmp(a, b, rowBytes) == 0)
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        // Only the columns outside those already known to differ.
        int x = 0;
        while (x < left - area.left() && a[x] == b[x])
            ++x;
        left = std::min(left, area.left() + x);
        int r = area.width() - 1;
        while (r > right - area.left() && a[r] == b[r])
            --r;
        right = std::max(right, area.left() + r);
    }
    if (top < 0)
        return QRect();
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QRect ScreenPicture::update(QWidget* widget, const QRegion& region, const QRegion& opaque)
{
    const QRegion area = region.intersected(QRect(QPoint(0, 0), m_screenSize));
    if (!widget || area.isEmpty() || m_image.isNull())
        return QRect();
    // The pixels the region covers, grown to whole pixels.
    const QRect bounds = area.boundingRect();
    const QRect pixels
        = QRectF(
              bounds.x() * m_density, bounds.y() * m_density, bounds.width() * m_density, bounds.height() * m_density)
              .toAlignedRect()
              .intersected(m_image.rect());
    // The old pixels, at the same place in a picture of the same size.
    if (m_before.size() != m_image.size() || m_before.format() != m_image.format())
        m_before = QImage(m_image.size(), m_image.format());
    for (int y = pixels.top(); y <= pixels.bottom(); ++y)
        std::memcpy(m_before.scanLine(y) + pixels.left() * 4,
                    m_image.constScanLine(y) + pixels.left() * 4,
                    std::size_t(pixels.width()) * 4);
    if (const QRegion uncovered = area - opaque; !uncovered.isEmpty()) {
        // What no widget paints stays transparent, as on a fresh picture.
        QPainter clear(&m_image);
        clear.setCompositionMode(QPainter::CompositionMode_Source);
        clear.setClipRegion(uncovered);
        clear.fillRect(uncovered.boundingRect(), Qt::transparent);
    }
    widget->render(&m_image, bounds.topLeft(), area, QWidget::DrawChildren);
    const QRect changed = changedPixels(m_before, m_image, pixels);
    if (changed.isEmpty())
        return QRect();
    return QRectF(changed.x() / m_density,
                  changed.y() / m_density,
                  changed.width() / m_density,
                  changed.height() / m_density)
        .toAlignedRect();
}

} // namespace velmora
