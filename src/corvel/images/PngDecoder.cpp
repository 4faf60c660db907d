#include "corvel/images/PngDecoder.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace corvel::PngDecoder {
namespace {

// Limits libpng enforces itself while reading: sides, and memory for any one
// ancillary chunk.
constexpr png_uint_32 readerSideLimit = 1'000'000;
constexpr png_alloc_size_t chunkMemoryLimit = 8 * 1024 * 1024;

struct MemorySource {
    const uint8_t* data;
    size_t size;
    size_t position;
};

void readFromMemory(png_structp png, png_bytep out, size_t length)
{
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->size - source->position)
        png_error(png, "read past end of data");
    std::memcpy(out, source->data + source->position, length);
    source->position += length;
}

void ignoreWarning(png_structp, png_const_charp) {}

void failOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Owns libpng's reader for one image. Every libpng call that can fail runs in
// a function that sets the jump point itself and holds no objects with
// destructors, so an error unwinds nothing but C frames.
class PngReader {
public:
    PngReader(std::span<const uint8_t> data, png_uint_32 sideLimit) : source_{data.data(), data.size(), 0}
    {
        if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0)
            return;
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, failOnError, ignoreWarning);
        if (!png_)
            return;
        info_ = png_create_info_struct(png_);
        if (!info_)
            return;
        png_set_user_limits(png_, sideLimit, sideLimit);
        png_set_chunk_malloc_max(png_, chunkMemoryLimit);
        png_set_read_fn(png_, &source_, readFromMemory);
    }

    ~PngReader()
    {
        if (png_)
            png_destroy_read_struct(&png_, info_ ? &info_ : nullptr, nullptr);
    }

    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    bool readHeader(PixelSize& size)
    {
        if (!png_ || !info_)
            return false;
        if (setjmp(png_jmpbuf(png_)))
            return false;
        png_read_info(png_, info_);
        size.width = static_cast<int>(png_get_image_width(png_, info_));
        size.height = static_cast<int>(png_get_image_height(png_, info_));
        return true;
    }

    // Sets up conversion to 8-bit RGBA; returns the bytes per row.
    bool requestRgba(size_t& rowBytes)
    {
        if (setjmp(png_jmpbuf(png_)))
            return false;
        png_set_expand(png_); // palette to RGB, low-depth grey to 8 bits, tRNS to alpha
        png_set_strip_16(png_);
        png_set_gray_to_rgb(png_);
        png_set_filler(png_, 0xFF, PNG_FILLER_AFTER);
        png_set_interlace_handling(png_);
        png_read_update_info(png_, info_);
        rowBytes = png_get_rowbytes(png_, info_);
        return true;
    }

    bool readRows(png_bytepp rows)
    {
        if (setjmp(png_jmpbuf(png_)))
            return false;
        png_read_image(png_, rows);
        return true;
    }

private:
    MemorySource source_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

bool sideInRange(int side) { return side >= 1 && side <= maximumSide; }

} // namespace

std::optional<PixelSize> pixelSize(std::span<const uint8_t> data)
{
    PngReader reader(data, readerSideLimit);
    PixelSize size;
    if (!reader.readHeader(size))
        return std::nullopt;
    return size;
}

bool hasValidDimensions(std::span<const uint8_t> data)
{
    std::optional<PixelSize> size = pixelSize(data);
    return size && sideInRange(size->width) && sideInRange(size->height);
}

std::optional<RgbaBitmap> decodeToRgba(std::span<const uint8_t> data)
{
    PngReader reader(data, maximumSide);
    PixelSize size;
    if (!reader.readHeader(size) || !sideInRange(size.width) || !sideInRange(size.height))
        return std::nullopt;
    size_t rowBytes = 0;
    const size_t width = static_cast<size_t>(size.width);
    if (!reader.requestRgba(rowBytes) || rowBytes != width * 4)
        return std::nullopt;

    RgbaBitmap bitmap;
    bitmap.width = size.width;
    bitmap.height = size.height;
    bitmap.bytes.assign(rowBytes * static_cast<size_t>(size.height), 0);
    std::vector<png_bytep> rows(static_cast<size_t>(size.height));
    for (size_t y = 0; y < rows.size(); ++y)
        rows[y] = bitmap.bytes.data() + y * rowBytes;
    if (!reader.readRows(rows.data()))
        return std::nullopt;
    return bitmap;
}

} // namespace corvel::PngDecoder
