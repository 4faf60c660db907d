#pragma once

#include "screen/ScreenCompositor.h"

#include <array>
#include <cstdint>
#include <vector>

namespace velmora {

// The screen's composition on the CPU, in two passes over the output's
// pixels. The first samples the picture (bilinear, at the bent point worked
// out once per geometry for every output pixel) and lays the glow over it;
// its result is kept. The second lays the scanlines, the vignette and the
// grade over that and cuts the rounded outline: per pixel one multiplier
// (scanline row × vignette, worked out once per effects), for the shadow
// mask an added stripe colour, then a table per channel for the grade. A
// rolling tick repeats only the second pass.
//
// The glow is the picture's luminance averaged over cells of 2 × 2 points,
// blurred by a Gaussian made narrower by what the cells and their bilinear
// lookup add, so the whole spread is the asked one.
//
// The output is cut into square tiles; each knows the part of the screen
// its pixels sample. A change of the picture recomposes only the tiles
// whose part meets the change grown by the glow's reach.
class CpuScreenCompositor final : public ScreenCompositor {
public:
    // The side of a tile, in output pixels.
    static constexpr int tileSize = 16;
    // The side of a glow cell, in points.
    static constexpr double glowCell = 2;

    CpuScreenCompositor();
    ~CpuScreenCompositor() override;

    Backend backend() const override { return Backend::Cpu; }
    void setGeometry(const Geometry& geometry) override;
    void setEffects(const ScreenEffects& effects) override;
    void setRollingOffset(double points) override;
    QRect compose(const QImage& source, const QRect& changed) override;
    const QImage& output() const override { return m_output; }
    QRect outputRectFor(const QRect& screenRect) const override;

    // True when the output is a plain copy of the picture: the corners are
    // the rectangle's own on whole pixels, flat, at the output's density.
    bool isIdentity() const { return m_identity; }

private:
    // Where an output pixel samples a grid of pixels: the one up and left of
    // its sampling point (-1 off the map) and the weights of the right and
    // lower neighbours, 0 … 256.
    struct Sample {
        std::int32_t texel = -1;
        std::uint16_t weightX = 0;
        std::uint16_t weightY = 0;
    };
    // The range of output pixels x0 … x1 - 1 of row y.
    struct Span {
        int y;
        int x0;
        int x1;
    };

    void buildMap();
    void buildEffects();
    // How far a change of the picture reaches, in points, through the glow.
    double glowReach() const;
    // The picture as compose() samples it: 32-bit premultiplied pixels in
    // rows of m_sourceStride, at least 2 × 2.
    const std::uint32_t* pictureBits(const QImage& source);
    void updateGlow(const std::uint32_t* picture, const QRect& cells);
    // The picture and the glow for pixels x0 … x1 - 1 of row y, to out[0 …].
    template <bool Identity, bool Glow>
    void composeContent(const std::uint32_t* picture, int y, int x0, int x1, std::uint32_t* out);
    void composeContent(const std::uint32_t* picture, int y, int x0, int x1, std::uint32_t* out);
    // The scanlines, vignette, grade and outline over in[0 …], to the output.
    // OnlyFlipped: only where a rolling row turned dark or light since the
    // offset the output was composed at.
    template <bool Rolling, bool Graded, bool OnlyFlipped>
    void composeEffects(int y, int x0, int x1, const std::uint32_t* in);
    void composeEffects(int y, int x0, int x1, const std::uint32_t* in);
    void composeMovedScanlines(const Span& span);
    // The rolling rows' shift: whole pattern pixels mod the period × 65536
    // plus the fraction of a pattern pixel.
    std::uint32_t rollingShiftKey(double offset) const;
    // Both steps; the first's result kept in m_composed only when rolling.
    void composeSpan(const std::uint32_t* picture, const Span& span);
    // The tiles whose part of the screen meets the rectangle (points).
    std::vector<int> tilesMeeting(const QRectF& screenRect) const;
    QRect tileOutputRect(int tile) const;
    std::vector<Span> tileSpans(const std::vector<int>& tiles) const;

    // Per geometry.
    bool m_valid = false; // there is a screen to draw
    bool m_identity = false;
    double m_dpr = 1;
    double m_density = 1;
    int m_patternScale = 1; // the scanline pattern's pixels per point
    QSize m_outputPixels;
    QSize m_sourcePixels;
    int m_sourceStride = 0; // in pixels, of the sampled picture
    std::vector<std::uint8_t> m_coverage; // 0 off the map too
    std::vector<Sample> m_samples; // in the picture
    std::vector<Sample> m_glowSamples; // in the glow's cells
    std::vector<double> m_patternRow; // (height - flat y) × pattern scale
    // For the rolling rows: the pattern row mod its period (a byte) times
    // 65536 plus the fraction of a pattern pixel above it.
    std::vector<std::uint32_t> m_rollingKey;
    std::vector<std::uint8_t> m_stripe; // floor(flat x) mod 3
    std::vector<float> m_vignetteRamp; // 0 inside 55 %, 1 at the edges' middles
    int m_tilesX = 0;
    int m_tilesY = 0;
    std::vector<QRectF> m_tileFootprint; // screen points; empty for none
    int m_glowWidth = 0; // cells
    int m_glowHeight = 0;
    std::vector<int> m_glowColumnStart; // first picture column of each cell, and the end
    std::vector<int> m_glowRowStart;

    // Per effects.
    bool m_effectsBuilt = false;
    bool m_rolling = false;
    bool m_glowOn = false;
    bool m_hasAddend = false;
    std::uint16_t m_rollingKeep = 4096; // 1 - alpha of a rolling row, × 4096
    std::vector<std::uint16_t> m_multiplier; // × 4096
    std::vector<std::uint16_t> m_addend; // in table steps: blue, green, red, 0 per pixel
    std::array<std::vector<std::uint8_t>, 3> m_gradeTable; // red, green, blue
    std::vector<float> m_glowKernel; // from the centre out
    float m_glowOpacity = 0;
    std::vector<float> m_luminance;
    std::vector<float> m_glowRows; // blurred along rows
    std::vector<float> m_glowScratch;
    std::vector<std::uint16_t> m_columnSums; // a row of cells' channels, column by column
    std::vector<std::uint16_t> m_glowLight; // opacity × blurred luminance, at most 1, × 65535
    std::array<std::uint32_t, 3> m_glowColourSteps{}; // the glow's colour, × 256

    // Composition state.
    bool m_needsWhole = true;
    bool m_scanlinesMoved = false;
    double m_composedOffset = 0; // the rolling offset the output shows
    std::uint32_t m_shiftKey = 0; // rollingShiftKey() of both, for this composition
    std::uint32_t m_composedShiftKey = 0;
    QImage m_composed; // picture and glow, before the scanlines
    QImage m_output;
    QImage m_sourceCopy;
};

} // namespace velmora
