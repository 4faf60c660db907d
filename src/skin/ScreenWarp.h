#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QSizeF>

#include <cstdint>
#include <optional>
#include <vector>

namespace velmora {

// The curvature of a CRT screen as a bump distortion of the screen's own
// picture. Inside `radius` around `centre` the picture bulges: a negative
// scale magnifies it towards the centre and squeezes it towards the edges of
// `bounds` (a positive one does the opposite), most at the centre and fading
// out towards the radius. The edges of `bounds` stay where they are, so no
// part of the picture is pushed out of sight and none is made up: the first
// and last columns and rows of a terminal stay readable. Straight rows and
// columns bend towards the edges, like lines on a curved tube.
struct BumpDistortion {
    QPointF centre;
    double radius = 0;
    double scale = 0;
    QSizeF bounds; // the picture: (0, 0) to (width, height)

    bool isActive() const;
    // The point of the undistorted picture that shows at the given point.
    QPointF sourcePoint(const QPointF& point) const;

    bool operator==(const BumpDistortion&) const = default;
};

// The phosphor glow of a screen: a soft halo, in one colour, around whatever
// is bright on the screen, laid over it in the Screen blend.
struct ScreenGlow {
    double opacity = 0; // 0 is off
    double radius = 10; // logical pixels
    QColor colour;

    bool isActive() const { return opacity > 0 && radius > 0; }
    bool operator==(const ScreenGlow&) const = default;
};

// Draws a screen's undistorted picture onto its quadrilateral: through the
// projective map of the picture's rectangle onto the four corners, then
// through the bump distortion, clipped to the rounded outline with smooth
// edges, and with the glow on top. The map from every output pixel to the
// picture is worked out once per geometry (size, corners, radii, scale and
// bump); drawing a new picture then only looks its pixels up, blending the
// four nearest.
class ScreenWarp {
public:
    struct Geometry {
        QRect sourceRect; // the part of the picture that is the screen, logical
        std::vector<QPointF> corners; // where its four corners land, output coordinates
        std::vector<double> radii; // the outline's rounded corners, one per corner
        QRect outputRect; // the logical area drawn, output coordinates
        double devicePixelRatio = 1;
        BumpDistortion bump; // relative to sourceRect

        bool operator==(const Geometry&) const = default;
    };

    // Works the map out again only when the geometry changed.
    void setGeometry(const Geometry& geometry);
    const Geometry& geometry() const { return m_geometry; }

    // The point of the screen (relative to sourceRect) shown at an output
    // point: through the inverse projective map and the bump. None off the
    // map; not clamped to the screen.
    std::optional<QPointF> sourcePointAt(const QPointF& outputPoint) const;

    // The screen's part of the picture (at devicePixelRatio, any format)
    // drawn onto the output: an image of outputRect's size at
    // devicePixelRatio, transparent outside the outline. The image is reused
    // by the next call.
    const QImage& render(const QImage& source, const ScreenGlow& glow = {});
    // The image of the last render().
    const QImage& output() const { return m_output; }

    // Output pixels that show the picture (for measuring).
    std::size_t sampleCount() const { return m_samples.size(); }

private:
    // One output pixel: where it goes, the picture pixel up and left of its
    // sampling point, and the weights of the right and lower neighbours
    // (0 … 256).
    struct Sample {
        std::uint32_t output;
        std::uint32_t source;
        std::uint16_t fx;
        std::uint16_t fy;
    };

    void rebuild();
    void addGlow(const ScreenGlow& glow);

    Geometry m_geometry;
    bool m_built = false;
    QRect m_sourcePixels; // the screen's part of the picture in device pixels
    std::vector<Sample> m_samples;
    QImage m_coverage; // the outline's smooth coverage, Alpha8
    QImage m_padded; // the screen's part with its last column and row repeated
    QImage m_output;
};

} // namespace velmora
