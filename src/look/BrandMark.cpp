#include "look/BrandMark.h"

#include "core/AppResources.h"

#include <QImageReader>
#include <QLabel>
#include <QPixmap>

#include <cmath>

namespace velmora::BrandMark {
namespace {

const QString lightName = QStringLiteral("velmora-mark");
const QString darkName = QStringLiteral("velmora-mark-dark");

} // namespace

Cache::Cache() : Cache(&Cache::loadFromResources) {}

Cache::Cache(Loader loader) : m_loader(std::move(loader)) {}

std::optional<QImage> Cache::loadFromResources(const QString& name)
{
    QImageReader reader(AppResources::filePath(name + QStringLiteral(".png")), "png");
    QImage picture = reader.read();
    if (picture.isNull())
        return std::nullopt;
    return picture;
}

std::optional<QImage> Cache::image(bool onDark)
{
    Slot& slot = onDark ? m_dark : m_light;
    if (!slot.loaded) {
        slot.picture = m_loader(onDark ? darkName : lightName);
        slot.loaded = true;
    }
    return slot.picture;
}

std::optional<QImage> Cache::preferred(bool onDark)
{
    if (std::optional<QImage> picture = image(onDark))
        return picture;
    return image(!onDark);
}

Cache& shared()
{
    static Cache cache;
    return cache;
}

std::optional<QImage> image(bool onDark) { return shared().image(onDark); }

QLabel* view(double height, bool onDark, QWidget* parent, Cache& cache)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("brandMark"));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    const std::optional<QImage> picture = cache.preferred(onDark);
    if (!picture || picture->height() <= 0) {
        label->setFixedSize(0, 0);
        label->hide();
        return label;
    }
    const int pointHeight = int(std::lround(height));
    const int pointWidth = int(std::lround(height * picture->width() / picture->height()));
    const qreal ratio = parent ? parent->devicePixelRatioF() : label->devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(picture->scaled(int(std::lround(pointWidth * ratio)),
                                                        int(std::lround(pointHeight * ratio)),
                                                        Qt::IgnoreAspectRatio,
                                                        Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    label->setPixmap(pixmap);
    label->setFixedSize(pointWidth, pointHeight);
    return label;
}

} // namespace velmora::BrandMark
