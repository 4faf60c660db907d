#pragma once

#include <QImage>
#include <QString>

#include <functional>
#include <optional>

class QLabel;
class QWidget;

namespace velmora {

// Velmora's logo as a picture or a widget of a given height, in one of two
// variants from the resource folder: "velmora-mark.png" for light backgrounds
// and "velmora-mark-dark.png" for dark ones. A variant that is missing or
// unreadable gives way to the other; with neither the mark shows nothing.
// Main thread.
namespace BrandMark {

// The two cache slots of one process: each variant is looked up at most once,
// and a picture that was missing stays missing until the next launch.
class Cache {
public:
    // Reads a picture by name ("velmora-mark"); none when it is missing or
    // cannot be decoded.
    using Loader = std::function<std::optional<QImage>(const QString& name)>;

    // The resource folder's pictures.
    Cache();
    explicit Cache(Loader loader);

    // The variant's picture, none when it is missing.
    std::optional<QImage> image(bool onDark);
    // The preferred variant, else the other one, else none.
    std::optional<QImage> preferred(bool onDark);

    // Reads "<name>.png" from the resource folder.
    static std::optional<QImage> loadFromResources(const QString& name);

private:
    struct Slot {
        bool loaded = false;
        std::optional<QImage> picture;
    };
    Loader m_loader;
    Slot m_light;
    Slot m_dark;
};

// The process's cache.
Cache& shared();

// The variant's picture through the process's cache, none when missing.
std::optional<QImage> image(bool onDark);

// A label showing the logo exactly height pixels high, as wide as the
// picture's proportions make it, drawn smoothly at the screen's pixel ratio;
// hidden from assistive technology. With no picture it is empty, takes no
// space and is hidden.
QLabel* view(double height, bool onDark, QWidget* parent = nullptr, Cache& cache = shared());

} // namespace BrandMark
} // namespace velmora
