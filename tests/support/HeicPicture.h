#pragma once

#include <QByteArray>
#include <QImage>

#include <cstring>

#include <libheif/heif.h>

// HEIC pictures for tests, encoded at test time with libheif.
namespace velmora::test {

// The picture encoded as HEIC (HEVC, quality 90, no alpha); empty when this
// libheif has no HEVC encoder.
inline QByteArray heicBytes(const QImage& picture)
{
    heif_init(nullptr);
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    QByteArray out;
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code == heif_error_Ok
        && heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image).code
            == heif_error_Ok
        && heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8).code == heif_error_Ok) {
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < rgb.height(); ++y)
            std::memcpy(plane + std::ptrdiff_t(y) * stride, rgb.constScanLine(y), std::size_t(rgb.width()) * 3);
        heif_encoder_set_lossy_quality(encoder, 90);
        if (heif_context_encode_image(context, image, encoder, nullptr, nullptr).code == heif_error_Ok) {
            heif_writer writer{};
            writer.writer_api_version = 1;
            writer.write = [](heif_context*, const void* data, size_t size, void* sink) {
                static_cast<QByteArray*>(sink)->append(static_cast<const char*>(data), qsizetype(size));
                return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
            };
            heif_context_write(context, &writer, &out);
        }
    }
    if (image)
        heif_image_release(image);
    if (encoder)
        heif_encoder_release(encoder);
    heif_context_free(context);
    heif_deinit();
    return out;
}

} // namespace velmora::test
