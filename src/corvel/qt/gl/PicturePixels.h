#pragma once

#include <functional>

#include <QImage>
#include <QSize>

namespace corvel {

// How the GPU renderer reads the pictures attached to lines. They are the
// view's own objects and opaque to the renderer: the view tells a picture's
// own size and hands over its pixels at the size in device pixels they are
// drawn at, as its CPU drawing scales them.
struct PicturePixels {
    // The picture's own size in pixels.
    std::function<QSize(const void* picture)> size;
    // Its pixels at a size in device pixels (premultiplied); they may come
    // at another size when that one is too large to keep a copy of.
    std::function<QImage(const void* picture, QSize size)> scaled;

    explicit operator bool() const { return size && scaled; }
};

} // namespace corvel
