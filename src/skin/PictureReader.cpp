#include "skin/PictureReader.h"

#include <QFile>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <libheif/heif.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::PictureReader {
namespace {

// libheif loads its decoder plugins once, for the whole process.
void initialiseHeif()
{
    static const bool initialised = [] {
        heif_init(nullptr);
        return true;
    }();
    (void)initialised;
}

struct HeifContextDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HeifHandleDeleter {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct HeifImageDeleter {
    void operator()(heif_image* image) const { heif_image_release(image); }
};

bool pixelsAllowed(qint64 width, qint64 height) { return width > 0 && height > 0 && width <= maxPixels / height; }

QImage decodeHeif(const QByteArray& bytes)
{
    initialiseHeif();
    const std::unique_ptr<heif_context, HeifContextDeleter> context(heif_context_alloc());
    if (!context)
        return {};
    // Refuse enormous pictures before any pixel is decoded.
    heif_context_set_maximum_image_size_limit(context.get(), 16384);
    if (heif_context_read_from_memory_without_copy(context.get(), bytes.constData(), size_t(bytes.size()), nullptr).code
        != heif_error_Ok)
        return {};
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok)
        return {};
    const std::unique_ptr<heif_image_handle, HeifHandleDeleter> handle(rawHandle);
    if (!pixelsAllowed(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get())))
        return {};
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    heif_image* rawImage = nullptr;
    // The default options turn the picture as its rotation and mirror say.
    if (heif_decode_image(handle.get(),
                          &rawImage,
                          heif_colorspace_RGB,
                          alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                          nullptr)
            .code
        != heif_error_Ok)
        return {};
    const std::unique_ptr<heif_image, HeifImageDeleter> decoded(rawImage);
    const int width = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    if (!pixels || !pixelsAllowed(width, height))
        return {};
    QImage image(width, height, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    if (image.isNull())
        return {};
    const std::size_t rowBytes = std::size_t(width) * (alpha ? 4 : 3);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), pixels + std::ptrdiff_t(y) * stride, rowBytes);
    return image;
}

// Decodes with Qt's readers, at about the size fitWithin asks for when the
// format can scale while decoding.
QImage decodeWithQt(QFile& file, QSize fitWithin)
{
    QImageReader reader(&file);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (stored.isValid() && !pixelsAllowed(stored.width(), stored.height()))
        return {};
    if (fitWithin.isValid() && stored.isValid() && reader.supportsOption(QImageIOHandler::ScaledSize)) {
        // The orientation tag may turn the picture a quarter: decode large
        // enough for either way, and fit exactly afterwards.
        const QSize upright = fittedSize(stored, fitWithin);
        const QSize turned = fittedSize(stored.transposed(), fitWithin).transposed();
        const QSize decoded = upright.width() >= turned.width() ? upright : turned;
        if (decoded != stored)
            reader.setScaledSize(decoded);
    }
    return reader.read();
}

} // namespace

bool isHeif(const QByteArray& head)
{
    if (head.size() < 12)
        return false;
    initialiseHeif();
    return heif_check_filetype(reinterpret_cast<const uint8_t*>(head.constData()), int(head.size()))
        == heif_filetype_yes_supported;
}

QSize fittedSize(QSize size, QSize fitWithin)
{
    if (!fitWithin.isValid() || fitWithin.isEmpty() || size.isEmpty())
        return size;
    if (size.width() <= fitWithin.width() && size.height() <= fitWithin.height())
        return size;
    const QSize fitted = size.scaled(fitWithin, Qt::KeepAspectRatio);
    return QSize(std::max(1, fitted.width()), std::max(1, fitted.height()));
}

QImage read(const QString& path, const Request& request)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return {};
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > maxFileBytes)
        return {};

    const QByteArray head = file.read(headBytes);
    if (request.head)
        *request.head = head;
    QImage image;
    if (isHeif(head)) {
        const QByteArray bytes = head + file.read(maxFileBytes - head.size());
        image = decodeHeif(bytes);
    } else if (file.seek(0)) {
        image = decodeWithQt(file, request.fitWithin);
    }
    if (image.isNull())
        return {};
    const QSize kept = fittedSize(image.size(), request.fitWithin);
    if (kept != image.size())
        image = image.scaled(kept, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return image;
}

} // namespace velmora::PictureReader
