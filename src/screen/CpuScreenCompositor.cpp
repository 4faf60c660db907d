#include "screen/CpuScreenCompositor.h"

#include "skin/ViewportShape.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmora {

namespace {

// The multipliers' unit, and the grade tables' steps per channel value.
constexpr int unit = 4096;
constexpr int tableSteps = 16;
constexpr int tableTop = 255 * tableSteps;

constexpr double vignetteStart = 0.55;
constexpr double standardAlpha = 0.55;
constexpr double heavyFactor = 1.3;
constexpr double stripeAlpha = 0.2;
constexpr double maskRowAlpha = 0.6;

// Linear blend of two pixels, weight w of b in 0 … 256; two channels at a
// time.
inline std::uint32_t blend(std::uint32_t a, std::uint32_t b, std::uint32_t w)
{
    const std::uint32_t iw = 256 - w;
    const std::uint32_t rb = (((a & 0x00ff00ffu) * iw + (b & 0x00ff00ffu) * w + 0x00800080u) >> 8) & 0x00ff00ffu;
    const std::uint32_t ag = (((a >> 8) & 0x00ff00ffu) * iw + ((b >> 8) & 0x00ff00ffu) * w + 0x00800080u) & 0xff00ff00u;
    return rb | ag;
}

// x / 255 rounded, for x in 0 … 255 × 255.
inline std::uint32_t divide255(std::uint32_t x)
{
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// The soft-light blend of a backdrop channel with a source channel.
double softLight(double backdrop, double source)
{
    if (source <= 0.5)
        return backdrop - (1 - 2 * source) * backdrop * (1 - backdrop);
    const double d = backdrop <= 0.25 ? ((16 * backdrop - 12) * backdrop + 4) * backdrop : std::sqrt(backdrop);
    return backdrop + (2 * source - 1) * (d - backdrop);
}

// Where a sample lands among the pixels of a row or column of `count`
// pixels: the one before it and the weight (0 … 256) of the next, clamped to
// the edge. Needs count >= 2.
inline void samplePosition(double at, int count, std::int32_t& index, std::uint16_t& weight)
{
    const double clamped = std::clamp(at, 0.0, double(count - 1));
    int first = int(clamped);
    double fraction = clamped - first;
    if (first >= count - 1) {
        first = count - 2;
        fraction = 1;
    }
    index = first;
    weight = std::uint16_t(std::lround(fraction * 256));
    if (weight == 256 && first < count - 2) {
        index = first + 1;
        weight = 0;
    }
}

// out[i] += weight × (a[i] + b[i]) for i < n: a step of the glow's blur.
inline void addWeighted(float* out, const float* a, const float* b, float weight, int n)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128 w = _mm_set1_ps(weight);
    for (; i + 4 <= n; i += 4) {
        const __m128 pair = _mm_add_ps(_mm_loadu_ps(a + i), _mm_loadu_ps(b + i));
        _mm_storeu_ps(out + i, _mm_add_ps(_mm_loadu_ps(out + i), _mm_mul_ps(w, pair)));
    }
#endif
    for (; i < n; ++i)
        out[i] += weight * (a[i] + b[i]);
}

// The sums of the channels of n columns over `rows` rows (rows apart by
// `stride` pixels): four 16-bit sums a column, in the pixels' byte order
// (blue, green, red, alpha).
inline void sumColumns(const std::uint32_t* line, std::size_t stride, int rows, std::uint16_t* sums, int n)
{
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 4 <= n; i += 4) {
        __m128i low = zero;
        __m128i high = zero;
        for (int r = 0; r < rows; ++r) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + std::size_t(r) * stride + i));
            low = _mm_add_epi16(low, _mm_unpacklo_epi8(v, zero));
            high = _mm_add_epi16(high, _mm_unpackhi_epi8(v, zero));
        }
        auto* at = reinterpret_cast<__m128i*>(sums + 4 * i);
        _mm_storeu_si128(at, low);
        _mm_storeu_si128(at + 1, high);
    }
#endif
    for (; i < n; ++i) {
        std::uint16_t blue = 0;
        std::uint16_t green = 0;
        std::uint16_t red = 0;
        for (int r = 0; r < rows; ++r) {
            const std::uint32_t c = line[std::size_t(r) * stride + std::size_t(i)];
            blue = std::uint16_t(blue + (c & 0xffu));
            green = std::uint16_t(green + ((c >> 8) & 0xffu));
            red = std::uint16_t(red + ((c >> 16) & 0xffu));
        }
        sums[4 * i] = blue;
        sums[4 * i + 1] = green;
        sums[4 * i + 2] = red;
    }
}

} // namespace

CpuScreenCompositor::CpuScreenCompositor() = default;
CpuScreenCompositor::~CpuScreenCompositor() = default;

void CpuScreenCompositor::setGeometry(const Geometry& geometry)
{
    if (geometry == m_geometry && !m_output.isNull())
        return;
    m_geometry = geometry;
    buildMap();
    m_effectsBuilt = false;
    m_needsWhole = true;
}

void CpuScreenCompositor::setEffects(const ScreenEffects& effects)
{
    if (effects == m_effects && m_effectsBuilt)
        return;
    const bool bumpChanged = effects.curvatureScale != m_effects.curvatureScale;
    m_effects = effects;
    if (bumpChanged)
        buildMap();
    m_effectsBuilt = false;
    m_needsWhole = true;
}

void CpuScreenCompositor::setRollingOffset(double points)
{
    if (!std::isfinite(points) || points == m_rollingOffset)
        return;
    m_rollingOffset = points;
    if (m_effects.scanlines == ScreenEffects::Scanlines::Rolling)
        m_scanlinesMoved = true;
}

double CpuScreenCompositor::glowReach() const
{
    if (!m_effects.glow.isActive())
        return 0;
    const double sigma = m_effects.glow.radius / 2;
    const double cellSigma = std::sqrt(std::max(sigma * sigma - glowCell * glowCell / 4, sigma * sigma / 4)) / glowCell;
    const int reach = std::max(1, int(std::ceil(3 * cellSigma)));
    return (reach + 2) * glowCell;
}

void CpuScreenCompositor::buildMap()
{
    const Geometry& g = m_geometry;
    m_dpr = std::isfinite(g.devicePixelRatio) && g.devicePixelRatio > 0 ? g.devicePixelRatio : 1.0;
    m_density = sourceDensity(g);
    m_patternScale = std::max(1, int(m_dpr));
    m_outputPixels = g.outputRect.isEmpty() ? QSize()
                                            : QSize(std::max(1, int(std::lround(g.outputRect.width() * m_dpr))),
                                                    std::max(1, int(std::lround(g.outputRect.height() * m_dpr))));
    m_sourcePixels = sourcePixelSize();
    m_sourceStride = std::max(2, m_sourcePixels.width());
    m_output = QImage();
    if (!m_outputPixels.isEmpty()) {
        m_output = QImage(m_outputPixels, QImage::Format_ARGB32_Premultiplied);
        m_output.setDevicePixelRatio(m_dpr);
        m_output.fill(Qt::transparent);
        m_composed = QImage(m_outputPixels, QImage::Format_RGB32);
        m_composed.fill(0xff000000u);
    }
    m_valid = !m_outputPixels.isEmpty() && !g.screenSize.isEmpty() && g.corners.size() == 4;
    const std::size_t count = m_valid ? std::size_t(m_outputPixels.width()) * std::size_t(m_outputPixels.height()) : 0;
    m_coverage.assign(count, 0);
    m_samples.assign(count, Sample());
    m_glowSamples.assign(count, Sample());
    m_patternRow.assign(count, 0);
    m_rollingKey.assign(count, 0);
    m_stripe.assign(count, 0);
    m_vignetteRamp.assign(count, 0);
    m_tilesX = m_valid ? (m_outputPixels.width() + tileSize - 1) / tileSize : 0;
    m_tilesY = m_valid ? (m_outputPixels.height() + tileSize - 1) / tileSize : 0;
    m_tileFootprint.assign(std::size_t(m_tilesX) * std::size_t(m_tilesY), QRectF());
    m_identity = false;
    if (!m_valid)
        return;

    const int width = m_outputPixels.width();
    const int height = m_outputPixels.height();
    {
        const QImage coverage = outlineCoverage(g, m_outputPixels, m_dpr);
        for (int y = 0; y < height; ++y)
            std::memcpy(
                m_coverage.data() + std::size_t(y) * std::size_t(width), coverage.constScanLine(y), std::size_t(width));
    }

    const double screenWidth = g.screenSize.width();
    const double screenHeight = g.screenSize.height();
    const BumpDistortion bump = bumpFor(g.screenSize, m_effects.curvatureScale);
    const int sourceWidth = std::max(2, m_sourcePixels.width());
    const int sourceHeight = std::max(2, m_sourcePixels.height());
    m_glowWidth = std::max(2, int(std::ceil(screenWidth / glowCell)));
    m_glowHeight = std::max(2, int(std::ceil(screenHeight / glowCell)));
    // A picture pixel belongs to the cell its centre lies in.
    const auto cellStarts = [&](int cells, int pixels) {
        std::vector<int> starts(std::size_t(cells) + 1);
        for (int i = 0; i <= cells; ++i)
            starts[std::size_t(i)] = std::clamp(int(std::ceil(i * glowCell * m_density - 0.5)), 0, pixels);
        return starts;
    };
    m_glowColumnStart = cellStarts(m_glowWidth, m_sourcePixels.width());
    m_glowRowStart = cellStarts(m_glowHeight, m_sourcePixels.height());

    bool identity = m_effects.curvatureScale == 0;
    for (int oy = 0; oy < height; ++oy) {
        for (int ox = 0; ox < width; ++ox) {
            const std::size_t i = std::size_t(oy) * std::size_t(width) + std::size_t(ox);
            if (!m_coverage[i])
                continue;
            const QPointF at(g.outputRect.left() + (ox + 0.5) / m_dpr, g.outputRect.top() + (oy + 0.5) / m_dpr);
            const auto flat = ViewportShape::inverseQuadMap(at, screenWidth, screenHeight, g.corners);
            if (!flat || !std::isfinite(flat->x()) || !std::isfinite(flat->y())) {
                m_coverage[i] = 0;
                continue;
            }
            const QPointF bent = bump.sourcePoint(*flat);
            std::int32_t column = 0;
            std::int32_t row = 0;
            Sample& sample = m_samples[i];
            samplePosition(bent.x() * m_density - 0.5, sourceWidth, column, sample.weightX);
            samplePosition(bent.y() * m_density - 0.5, sourceHeight, row, sample.weightY);
            sample.texel = row * m_sourceStride + column;
            const auto onePixel = [](std::uint16_t w) { return w == 0 || w == 256; };
            if (!onePixel(sample.weightX) || !onePixel(sample.weightY))
                identity = false;

            Sample& glow = m_glowSamples[i];
            samplePosition(bent.x() / glowCell - 0.5, m_glowWidth, column, glow.weightX);
            samplePosition(bent.y() / glowCell - 0.5, m_glowHeight, row, glow.weightY);
            glow.texel = row * m_glowWidth + column;

            // In single precision, as the OpenGL backend has it, so that
            // both round a pixel on a row's edge alike.
            const double patternRow = double(float((screenHeight - flat->y()) * m_patternScale));
            const double whole = std::floor(patternRow);
            m_patternRow[i] = patternRow;
            const auto phase = std::uint8_t(((std::int64_t(whole) % (4 * m_patternScale)) + 4 * m_patternScale)
                                            % (4 * m_patternScale));
            const auto fraction = std::uint16_t(std::min(65535.0, std::floor((patternRow - whole) * 65536)));
            m_rollingKey[i] = (std::uint32_t(phase) << 16) | fraction;
            m_stripe[i] = std::uint8_t(((int(std::floor(flat->x())) % 3) + 3) % 3);
            const double dx = (flat->x() - screenWidth / 2) / (screenWidth / 2);
            const double dy = (flat->y() - screenHeight / 2) / (screenHeight / 2);
            m_vignetteRamp[i] = float(std::clamp((std::hypot(dx, dy) - vignetteStart) / (1 - vignetteStart), 0.0, 1.0));

            // The part of the screen the tile samples, the bilinear
            // neighbours included.
            const double margin = 1.0 / m_density;
            const QPointF inside(std::clamp(bent.x(), 0.0, screenWidth), std::clamp(bent.y(), 0.0, screenHeight));
            const QRectF reach(inside - QPointF(margin, margin), QSizeF(2 * margin, 2 * margin));
            QRectF& footprint
                = m_tileFootprint[std::size_t(oy / tileSize) * std::size_t(m_tilesX) + std::size_t(ox / tileSize)];
            footprint = footprint.isEmpty() ? reach : footprint.united(reach);
        }
    }
    // A plain copy: every sample sits on one picture pixel. Turn the
    // neighbour weights of 256 into that pixel.
    m_identity = identity;
    if (identity) {
        for (Sample& sample : m_samples) {
            if (sample.texel < 0)
                continue;
            sample.texel += (sample.weightX == 256 ? 1 : 0) + (sample.weightY == 256 ? m_sourceStride : 0);
            sample.weightX = 0;
            sample.weightY = 0;
        }
    }
}

void CpuScreenCompositor::buildEffects()
{
    m_effectsBuilt = true;
    const ScreenEffects& e = m_effects;
    const std::size_t count = m_samples.size();
    const double intensity = std::isfinite(e.scanlineIntensity) ? std::max(0.0, e.scanlineIntensity) : 0.0;
    const int s = m_patternScale;
    m_rolling = e.scanlines == ScreenEffects::Scanlines::Rolling;
    m_hasAddend = e.scanlines == ScreenEffects::Scanlines::Shadowmask;
    m_rollingKeep = std::uint16_t(std::lround((1 - std::min(standardAlpha * intensity, 1.0)) * unit));
    m_multiplier.assign(count, unit);
    m_addend.assign(m_hasAddend ? 4 * count : 0, 0);

    double rowAlpha = 0;
    if (e.scanlines == ScreenEffects::Scanlines::Standard)
        rowAlpha = std::min(standardAlpha * intensity, 1.0);
    else if (e.scanlines == ScreenEffects::Scanlines::Heavy)
        rowAlpha = std::min(heavyFactor * standardAlpha * intensity, 1.0);
    const double stripe = std::min(stripeAlpha * intensity, 1.0);
    const double maskRow = std::min(maskRowAlpha * intensity, 1.0);
    static constexpr double stripeColours[3][3] = {{1, 0.2, 0.2}, {0.2, 1, 0.2}, {0.2, 0.2, 1}};
    const double vignette = std::isfinite(e.vignetteAmount) ? std::clamp(e.vignetteAmount, 0.0, 1.0) : 0.0;

    for (std::size_t i = 0; i < count; ++i) {
        if (!m_coverage[i])
            continue;
        const double keep = 1 - vignette * m_vignetteRamp[i];
        const int row = int(std::floor(m_patternRow[i]));
        double multiplier = keep;
        if (rowAlpha > 0 && ((row % (4 * s)) + 4 * s) % (4 * s) >= 2 * s)
            multiplier *= 1 - rowAlpha;
        if (m_hasAddend) {
            const bool onRow = ((row % (3 * s)) + 3 * s) % (3 * s) < s;
            const double alpha = onRow ? maskRow + stripe * (1 - maskRow) : stripe;
            const double share = onRow ? stripe * (1 - maskRow) : stripe;
            multiplier = keep * (1 - alpha);
            // In the pixels' byte order: blue, green, red, and none for alpha.
            for (int k = 0; k < 3; ++k)
                m_addend[4 * i + std::size_t(2 - k)]
                    = std::uint16_t(std::lround(stripeColours[m_stripe[i]][k] * share * keep * tableTop));
        }
        m_multiplier[i] = std::uint16_t(std::lround(multiplier * unit));
    }

    const bool graded = e.grade.isValid();
    const double gradeAlpha = graded ? e.grade.alphaF() : 0.0;
    const double gradeColour[3] = {e.grade.redF(), e.grade.greenF(), e.grade.blueF()};
    for (int k = 0; k < 3; ++k) {
        std::vector<std::uint8_t>& table = m_gradeTable[std::size_t(k)];
        table.resize(tableTop + 1);
        for (int step = 0; step <= tableTop; ++step) {
            double c = double(step) / tableTop;
            if (graded)
                c += gradeAlpha * (softLight(c, gradeColour[k]) - c);
            table[std::size_t(step)] = std::uint8_t(std::lround(std::clamp(c, 0.0, 1.0) * 255));
        }
    }

    m_glowOn = e.glow.isActive() && m_valid;
    m_glowKernel.clear();
    if (m_glowOn) {
        const QColor colour = e.glow.colour.isValid() ? e.glow.colour : QColor(Qt::white);
        m_glowColourSteps = {std::uint32_t(std::lround(colour.redF() * 256)),
                             std::uint32_t(std::lround(colour.greenF() * 256)),
                             std::uint32_t(std::lround(colour.blueF() * 256))};
        m_glowOpacity = float(e.glow.opacity);
        const double sigma = e.glow.radius / 2;
        const double cellSigma
            = std::sqrt(std::max(sigma * sigma - glowCell * glowCell / 4, sigma * sigma / 4)) / glowCell;
        const int reach = std::max(1, int(std::ceil(3 * cellSigma)));
        double total = 0;
        for (int k = 0; k <= reach; ++k) {
            const double w = std::exp(-0.5 * k * k / (cellSigma * cellSigma));
            m_glowKernel.push_back(float(w));
            total += k == 0 ? w : 2 * w;
        }
        for (float& w : m_glowKernel)
            w = float(w / total);
        const std::size_t cells = std::size_t(m_glowWidth) * std::size_t(m_glowHeight);
        m_luminance.assign(cells, 0);
        m_glowRows.assign(cells, 0);
        m_glowLight.assign(cells, 0);
    }
}

const std::uint32_t* CpuScreenCompositor::pictureBits(const QImage& source)
{
    const bool direct
        = (source.format() == QImage::Format_ARGB32_Premultiplied || source.format() == QImage::Format_RGB32)
        && source.size() == m_sourcePixels && m_sourcePixels.width() >= 2 && m_sourcePixels.height() >= 2
        && source.bytesPerLine() == m_sourceStride * 4;
    if (direct)
        return reinterpret_cast<const std::uint32_t*>(source.constBits());
    // Another format, size or layout: a copy as the map expects it, the
    // picture's last row and column repeated where it falls short.
    const QSize size(m_sourceStride, std::max(2, m_sourcePixels.height()));
    if (m_sourceCopy.size() != size)
        m_sourceCopy = QImage(size, QImage::Format_ARGB32_Premultiplied);
    m_sourceCopy.fill(0xff000000u);
    if (source.isNull())
        return reinterpret_cast<const std::uint32_t*>(m_sourceCopy.constBits());
    const QImage picture = source.format() == QImage::Format_ARGB32_Premultiplied
        ? source
        : source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < size.height(); ++y) {
        const auto* from
            = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(std::min(y, picture.height() - 1)));
        auto* to = reinterpret_cast<std::uint32_t*>(m_sourceCopy.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            to[x] = from[std::min(x, picture.width() - 1)];
    }
    return reinterpret_cast<const std::uint32_t*>(m_sourceCopy.constBits());
}

void CpuScreenCompositor::updateGlow(const std::uint32_t* picture, const QRect& cells)
{
    const QRect area = cells.intersected(QRect(0, 0, m_glowWidth, m_glowHeight));
    if (area.isEmpty())
        return;
    const int width = m_glowWidth;
    const int height = m_glowHeight;
    // The luminance of each cell: the mean of its picture pixels. Each row
    // of cells adds up its picture rows column by column first (in 16 bits:
    // a cell is never 257 pixels tall), then each cell its columns.
    const int first = m_glowColumnStart[std::size_t(area.left())];
    const int last = m_glowColumnStart[std::size_t(area.right()) + 1];
    m_columnSums.resize(std::size_t(std::max(0, last - first)) * 4);
    for (int cy = area.top(); cy <= area.bottom(); ++cy) {
        const int y0 = m_glowRowStart[std::size_t(cy)];
        const int y1 = m_glowRowStart[std::size_t(cy) + 1];
        sumColumns(picture + std::size_t(y0) * std::size_t(m_sourceStride) + first,
                   std::size_t(m_sourceStride),
                   y1 - y0,
                   m_columnSums.data(),
                   last - first);
        // The sums of picture column x, at (x - first) × 4.
        const std::uint16_t* sums = m_columnSums.data();
        float* luminance = m_luminance.data() + std::size_t(cy) * std::size_t(width);
        int cx = area.left();
#if defined(__SSE2__)
        // Two cells at a time: their channels summed in 32-bit lanes, then
        // the same double-precision steps as below, in two lanes.
        const __m128i zero = _mm_setzero_si128();
        const auto cellSums = [&](int cell) {
            __m128i total = zero;
            for (int x = m_glowColumnStart[std::size_t(cell)]; x < m_glowColumnStart[std::size_t(cell) + 1]; ++x)
                total = _mm_add_epi32(
                    total,
                    _mm_unpacklo_epi16(
                        _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sums + std::size_t(x - first) * 4)), zero));
            return total;
        };
        for (; cx + 1 <= area.right(); cx += 2) {
            const int pixels0
                = (m_glowColumnStart[std::size_t(cx) + 1] - m_glowColumnStart[std::size_t(cx)]) * (y1 - y0);
            const int pixels1
                = (m_glowColumnStart[std::size_t(cx) + 2] - m_glowColumnStart[std::size_t(cx) + 1]) * (y1 - y0);
            if (pixels0 <= 0 || pixels1 <= 0)
                break;
            const __m128i first2 = cellSums(cx);
            const __m128i second2 = cellSums(cx + 1);
            const __m128i blueGreen = _mm_unpacklo_epi32(first2, second2);
            const __m128i redAlpha = _mm_unpackhi_epi32(first2, second2);
            const __m128d blue = _mm_cvtepi32_pd(blueGreen);
            const __m128d green = _mm_cvtepi32_pd(_mm_srli_si128(blueGreen, 8));
            const __m128d red = _mm_cvtepi32_pd(redAlpha);
            const __m128d weighted
                = _mm_add_pd(_mm_add_pd(_mm_mul_pd(_mm_set1_pd(0.2126), red), _mm_mul_pd(_mm_set1_pd(0.7152), green)),
                             _mm_mul_pd(_mm_set1_pd(0.0722), blue));
            const __m128d count
                = _mm_mul_pd(_mm_set1_pd(255.0), _mm_cvtepi32_pd(_mm_set_epi32(0, 0, pixels1, pixels0)));
            _mm_storel_pi(reinterpret_cast<__m64*>(luminance + cx), _mm_cvtpd_ps(_mm_div_pd(weighted, count)));
        }
#endif
        for (; cx <= area.right(); ++cx) {
            const int x0 = m_glowColumnStart[std::size_t(cx)];
            const int x1 = m_glowColumnStart[std::size_t(cx) + 1];
            std::uint32_t blue = 0;
            std::uint32_t green = 0;
            std::uint32_t red = 0;
            for (int x = x0; x < x1; ++x) {
                const std::uint16_t* sum = sums + std::size_t(x - first) * 4;
                blue += sum[0];
                green += sum[1];
                red += sum[2];
            }
            const int pixels = (x1 - x0) * (y1 - y0);
            luminance[cx]
                = pixels > 0 ? float((0.2126 * red + 0.7152 * green + 0.0722 * blue) / (255.0 * pixels)) : 0.0f;
        }
    }
    const int reach = int(m_glowKernel.size()) - 1;
    const float* kernel = m_glowKernel.data();
    const int left = std::max(0, area.left() - reach);
    const int right = std::min(width - 1, area.right() + reach);
    // Along rows, for the changed rows; the picture's edge repeats.
    m_glowScratch.resize(std::size_t(width + 2 * reach));
    float* padded = m_glowScratch.data() + reach;
    for (int cy = area.top(); cy <= area.bottom(); ++cy) {
        const float* in = m_luminance.data() + std::size_t(cy) * std::size_t(width);
        std::copy(in, in + width, padded);
        std::fill(padded - reach, padded, in[0]);
        std::fill(padded + width, padded + width + reach, in[width - 1]);
        float* out = m_glowRows.data() + std::size_t(cy) * std::size_t(width);
        for (int cx = left; cx <= right; ++cx)
            out[cx] = kernel[0] * padded[cx];
        for (int k = 1; k <= reach; ++k)
            addWeighted(out + left, padded + left - k, padded + left + k, kernel[k], right - left + 1);
    }
    // Along columns, for every row the changed ones reach; then the glow's
    // strength.
    const int top = std::max(0, area.top() - reach);
    const int bottom = std::min(height - 1, area.bottom() + reach);
    float* sum = m_glowScratch.data();
    const float opacity = m_glowOpacity * 65535.0f;
    for (int cy = top; cy <= bottom; ++cy) {
        const float* centre = m_glowRows.data() + std::size_t(cy) * std::size_t(width);
        for (int cx = left; cx <= right; ++cx)
            sum[cx] = kernel[0] * centre[cx];
        for (int k = 1; k <= reach; ++k) {
            const float* above = m_glowRows.data() + std::size_t(std::max(cy - k, 0)) * std::size_t(width);
            const float* below = m_glowRows.data() + std::size_t(std::min(cy + k, height - 1)) * std::size_t(width);
            addWeighted(sum + left, above + left, below + left, kernel[k], right - left + 1);
        }
        std::uint16_t* light = m_glowLight.data() + std::size_t(cy) * std::size_t(width);
        int cx = left;
#if defined(__SSE2__)
        // Four at a time; offset by 32768 so that the signed pack keeps
        // all of 0 … 65535.
        const __m128 scale = _mm_set1_ps(opacity);
        const __m128 most = _mm_set1_ps(65535.0f);
        const __m128i offset = _mm_set1_epi32(32768);
        for (; cx + 4 <= right + 1; cx += 4) {
            const __m128 strength
                = _mm_min_ps(_mm_add_ps(_mm_mul_ps(_mm_loadu_ps(sum + cx), scale), _mm_set1_ps(0.5f)), most);
            const __m128i whole = _mm_sub_epi32(_mm_cvttps_epi32(strength), offset);
            const __m128i packed = _mm_xor_si128(_mm_packs_epi32(whole, whole), _mm_set1_epi16(std::int16_t(-32768)));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(light + cx), packed);
        }
#endif
        for (; cx <= right; ++cx)
            light[cx] = std::uint16_t(std::min(65535.0f, sum[cx] * opacity + 0.5f));
    }
}

#if defined(__SSE2__)
namespace {

// Four 32-bit lanes from two 64-bit ones: the first halves of a's and b's,
// e.g. the texels of four samples stored as (texel, weights) pairs.
inline __m128i evenLanes(__m128i a, __m128i b)
{
    return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
}
inline __m128i oddLanes(__m128i a, __m128i b)
{
    return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(3, 1, 3, 1)));
}

// The two 16-bit values at p, in the low lane.
inline __m128i loadPair(const std::uint16_t* p)
{
    std::int32_t v;
    std::memcpy(&v, p, sizeof v);
    return _mm_cvtsi32_si128(v);
}

// (a × (256 - w) + b × w + 128) >> 8 per 16-bit lane, as blend() does it.
inline __m128i blendLanes(__m128i a, __m128i b, __m128i w, __m128i iw)
{
    const __m128i sum = _mm_add_epi16(_mm_mullo_epi16(a, iw), _mm_mullo_epi16(b, w));
    return _mm_srli_epi16(_mm_add_epi16(sum, _mm_set1_epi16(128)), 8);
}

// Each of a pixel pair's 16-bit values spread over that pixel's four
// channel lanes: lanes 0 and 2 of the 32-bit pairs (low and high), as
// [v0 v0 v0 v0 v1 v1 v1 v1].
inline __m128i spreadLow(__m128i pairs)
{
    const __m128i doubled = _mm_unpacklo_epi32(pairs, pairs);
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(doubled, 0x00), 0x00);
}
inline __m128i spreadHigh(__m128i pairs)
{
    const __m128i doubled = _mm_unpackhi_epi32(pairs, pairs);
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(doubled, 0x00), 0x00);
}

// (ch × m + 128) >> 8 per 16-bit lane, exactly, for products below 2^24:
// the high half of the product times 256 plus the low half rounded.
inline __m128i scaleLanes(__m128i channels, __m128i multipliers)
{
    const __m128i high = _mm_mulhi_epu16(channels, multipliers);
    const __m128i low = _mm_mullo_epi16(channels, multipliers);
    const __m128i rounded = _mm_srli_epi16(_mm_add_epi16(_mm_srli_epi16(low, 1), _mm_set1_epi16(64)), 7);
    return _mm_add_epi16(_mm_slli_epi16(high, 8), rounded);
}

} // namespace
#endif

template <bool Identity, bool Glow>
void CpuScreenCompositor::composeContent(const std::uint32_t* picture, int y, int x0, int x1, std::uint32_t* out)
{
    const std::size_t rowStart = std::size_t(y) * std::size_t(m_outputPixels.width());
    const Sample* samples = m_samples.data() + rowStart;
    const Sample* glowSamples = m_glowSamples.data() + rowStart;
    const int stride = m_sourceStride;
    const int glowStride = m_glowWidth;
    const std::uint16_t* light = m_glowLight.data();
    const std::uint32_t glowRed = m_glowColourSteps[0];
    const std::uint32_t glowGreen = m_glowColourSteps[1];
    const std::uint32_t glowBlue = m_glowColourSteps[2];
    // The glow's strength at an output pixel, 0 … 65535.
    const auto glowAt = [&](int x) {
        const Sample& at = glowSamples[x];
        const std::uint16_t* g = light + at.texel;
        const std::uint32_t wx = at.weightX;
        const std::uint32_t upper = g[0] * (256 - wx) + g[1] * wx;
        const std::uint32_t lower = g[glowStride] * (256 - wx) + g[glowStride + 1] * wx;
        return (upper * (256 - at.weightY) + lower * at.weightY) >> 16;
    };
    const auto pixel = [&](int x) {
        const Sample& sample = samples[x];
        if (sample.texel < 0)
            return 0xff000000u;
        std::uint32_t c;
        if constexpr (Identity) {
            c = picture[sample.texel];
        } else {
            const std::uint32_t* p = picture + sample.texel;
            const std::uint32_t top = blend(p[0], p[stride], sample.weightY);
            const std::uint32_t bottom = blend(p[1], p[stride + 1], sample.weightY);
            c = blend(top, bottom, sample.weightX);
        }
        if constexpr (Glow) {
            // The screen blend c + g·a·(1 - c), with a in 1/65536.
            const std::uint32_t a = glowAt(x);
            const auto screen = [a](std::uint32_t channel, std::uint32_t colour) {
                return channel + (((255 - channel) * colour * a + (1u << 23)) >> 24);
            };
            c = (screen((c >> 16) & 0xffu, glowRed) << 16) | (screen((c >> 8) & 0xffu, glowGreen) << 8)
                | screen(c & 0xffu, glowBlue);
        }
        return c | 0xff000000u;
    };

    int x = x0;
#if defined(__SSE2__)
    // Four pixels at a time, in the same integer steps as pixel() (each
    // product fits its lane), so the result is the same to the bit.
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(int(0xff000000u));
    const __m128i colour = _mm_set_epi16(0,
                                         std::int16_t(glowRed),
                                         std::int16_t(glowGreen),
                                         std::int16_t(glowBlue),
                                         0,
                                         std::int16_t(glowRed),
                                         std::int16_t(glowGreen),
                                         std::int16_t(glowBlue));
    for (; x + 4 <= x1; x += 4) {
        const auto* at = reinterpret_cast<const __m128i*>(samples + x);
        const __m128i s01 = _mm_loadu_si128(at);
        const __m128i s23 = _mm_loadu_si128(at + 1);
        if (_mm_movemask_ps(_mm_castsi128_ps(evenLanes(s01, s23)))) {
            // Off the map somewhere among them.
            for (int k = 0; k < 4; ++k)
                out[x - x0 + k] = pixel(x + k);
            continue;
        }
        __m128i c01;
        __m128i c23;
        if constexpr (Identity) {
            const __m128i c = _mm_set_epi32(int(picture[samples[x + 3].texel]),
                                            int(picture[samples[x + 2].texel]),
                                            int(picture[samples[x + 1].texel]),
                                            int(picture[samples[x].texel]));
            if constexpr (!Glow) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (x - x0)), _mm_or_si128(c, opaque));
                continue;
            }
            c01 = _mm_unpacklo_epi8(c, zero);
            c23 = _mm_unpackhi_epi8(c, zero);
        } else {
            // Per pixel pair: the left and right columns blended down by
            // the vertical weight, then across by the horizontal one.
            const __m128i weights = oddLanes(s01, s23);
            const auto pair = [&](int first, __m128i w) {
                const std::uint32_t* p = picture + samples[first].texel;
                const std::uint32_t* q = picture + samples[first + 1].texel;
                const __m128i top = _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                                                       _mm_loadl_epi64(reinterpret_cast<const __m128i*>(q)));
                const __m128i bottom
                    = _mm_unpacklo_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + stride)),
                                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(q + stride)));
                const __m128i wx = _mm_shufflehi_epi16(_mm_shufflelo_epi16(w, 0x00), 0x00);
                const __m128i wy = _mm_shufflehi_epi16(_mm_shufflelo_epi16(w, 0x55), 0x55);
                const __m128i full = _mm_set1_epi16(256);
                const __m128i iwy = _mm_sub_epi16(full, wy);
                const __m128i left = blendLanes(_mm_unpacklo_epi8(top, zero), _mm_unpacklo_epi8(bottom, zero), wy, iwy);
                const __m128i right
                    = blendLanes(_mm_unpackhi_epi8(top, zero), _mm_unpackhi_epi8(bottom, zero), wy, iwy);
                return blendLanes(left, right, wx, _mm_sub_epi16(full, wx));
            };
            c01 = pair(x, _mm_unpacklo_epi32(weights, weights));
            c23 = pair(x + 2, _mm_unpackhi_epi32(weights, weights));
        }
        if constexpr (Glow) {
            // The glow's bilinear lookup: the top and bottom pairs of each
            // of the four pixels, offset to signed 16 bits for the
            // multiply-add across, then the 32-bit rows down.
            const auto* gat = reinterpret_cast<const __m128i*>(glowSamples + x);
            const __m128i g01 = _mm_loadu_si128(gat);
            const __m128i g23 = _mm_loadu_si128(gat + 1);
            const __m128i gw = oddLanes(g01, g23);
            const std::uint16_t* l0 = light + glowSamples[x].texel;
            const std::uint16_t* l1 = light + glowSamples[x + 1].texel;
            const std::uint16_t* l2 = light + glowSamples[x + 2].texel;
            const std::uint16_t* l3 = light + glowSamples[x + 3].texel;
            const __m128i rawTops = _mm_unpacklo_epi64(_mm_unpacklo_epi32(loadPair(l0), loadPair(l1)),
                                                       _mm_unpacklo_epi32(loadPair(l2), loadPair(l3)));
            const __m128i rawBottoms
                = _mm_unpacklo_epi64(_mm_unpacklo_epi32(loadPair(l0 + glowStride), loadPair(l1 + glowStride)),
                                     _mm_unpacklo_epi32(loadPair(l2 + glowStride), loadPair(l3 + glowStride)));
            // No glow reaches any of the four: the blend would add nothing.
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(rawTops, rawBottoms), zero)) != 0xffff) {
                const __m128i flip = _mm_set1_epi16(std::int16_t(-32768));
                const __m128i tops = _mm_xor_si128(rawTops, flip);
                const __m128i bottoms = _mm_xor_si128(rawBottoms, flip);
                const __m128i full = _mm_set1_epi32(256);
                const __m128i wx = _mm_and_si128(gw, _mm_set1_epi32(0xffff));
                const __m128i across = _mm_or_si128(_mm_sub_epi32(full, wx), _mm_slli_epi32(wx, 16));
                const __m128i offset = _mm_set1_epi32(32768 * 256);
                const __m128i upper = _mm_add_epi32(_mm_madd_epi16(tops, across), offset);
                const __m128i lower = _mm_add_epi32(_mm_madd_epi16(bottoms, across), offset);
                const __m128i wy = _mm_srli_epi32(gw, 16);
                const __m128i iwy = _mm_sub_epi32(full, wy);
                const __m128i even = _mm_add_epi64(_mm_mul_epu32(upper, iwy), _mm_mul_epu32(lower, wy));
                const __m128i odd = _mm_add_epi64(_mm_mul_epu32(_mm_srli_epi64(upper, 32), _mm_srli_epi64(iwy, 32)),
                                                  _mm_mul_epu32(_mm_srli_epi64(lower, 32), _mm_srli_epi64(wy, 32)));
                const __m128i a = _mm_or_si128(_mm_srli_epi64(even, 16), _mm_slli_epi64(_mm_srli_epi64(odd, 16), 32));
                // The screen blend: (255 - c) × colour fits 16 bits; of its
                // product with a only the high half matters once rounded.
                const __m128i top = _mm_set1_epi16(255);
                const __m128i round = _mm_set1_epi16(128);
                const auto screen = [&](__m128i c, __m128i strength) {
                    const __m128i lit = _mm_mulhi_epu16(_mm_mullo_epi16(_mm_sub_epi16(top, c), colour), strength);
                    return _mm_add_epi16(c, _mm_srli_epi16(_mm_add_epi16(lit, round), 8));
                };
                c01 = screen(c01, spreadLow(a));
                c23 = screen(c23, spreadHigh(a));
            }
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (x - x0)), _mm_or_si128(_mm_packus_epi16(c01, c23), opaque));
    }
#endif
    for (; x < x1; ++x)
        out[x - x0] = pixel(x);
}

void CpuScreenCompositor::composeContent(const std::uint32_t* picture, int y, int x0, int x1, std::uint32_t* out)
{
    if (m_identity)
        m_glowOn ? composeContent<true, true>(picture, y, x0, x1, out)
                 : composeContent<true, false>(picture, y, x0, x1, out);
    else
        m_glowOn ? composeContent<false, true>(picture, y, x0, x1, out)
                 : composeContent<false, false>(picture, y, x0, x1, out);
}

template <bool Rolling, bool Graded, bool OnlyFlipped>
void CpuScreenCompositor::composeEffects(int y, int x0, int x1, const std::uint32_t* in)
{
    static_assert(Rolling || !OnlyFlipped);
    const std::size_t rowStart = std::size_t(y) * std::size_t(m_outputPixels.width());
    auto* out = reinterpret_cast<std::uint32_t*>(m_output.scanLine(y));
    const std::uint8_t* coverages = m_coverage.data() + rowStart;
    const std::uint16_t* multipliers = m_multiplier.data() + rowStart;
    const std::uint32_t* keys = m_rollingKey.data() + rowStart;
    const std::uint16_t* addends = m_hasAddend ? m_addend.data() + 4 * rowStart : nullptr;
    const std::uint8_t* red = m_gradeTable[0].data();
    const std::uint8_t* green = m_gradeTable[1].data();
    const std::uint8_t* blue = m_gradeTable[2].data();
    // The rolling rows: a pattern row is dark where (row - shift) mod the
    // period reaches three quarters of it; the row and the shift in whole
    // pattern pixels above a fraction of 1/65536.
    const int period = 4 * m_patternScale;
    const int darkFrom = 3 * m_patternScale;
    const std::uint32_t shiftKey = m_shiftKey;
    // Where only the scanlines moved: the shift the output was composed at.
    const std::uint32_t composedKey = m_composedShiftKey;
    const auto darkAt = [&](std::uint32_t key, std::uint32_t shift) {
        int phase = int(key >> 16) - int(shift >> 16) - ((key & 0xffffu) < (shift & 0xffffu) ? 1 : 0);
        if (phase < 0)
            phase += period;
        return phase >= darkFrom;
    };
    const std::uint32_t keep = m_rollingKeep;
    const auto pixel = [&](int x, std::uint32_t c) {
        const std::uint32_t coverage = coverages[x];
        if (!coverage)
            return 0u;
        std::uint32_t multiplier = multipliers[x];
        if constexpr (Rolling) {
            if (darkAt(keys[x], shiftKey))
                multiplier = (multiplier * keep + unit / 2) / unit;
        }
        std::uint32_t r = (((c >> 16) & 0xffu) * multiplier + 128) >> 8;
        std::uint32_t g = (((c >> 8) & 0xffu) * multiplier + 128) >> 8;
        std::uint32_t b = ((c & 0xffu) * multiplier + 128) >> 8;
        if (addends) {
            const std::uint16_t* add = addends + 4 * x;
            r += add[2];
            g += add[1];
            b += add[0];
        }
        if constexpr (Graded) {
            r = red[std::min<std::uint32_t>(r, tableTop)];
            g = green[std::min<std::uint32_t>(g, tableTop)];
            b = blue[std::min<std::uint32_t>(b, tableTop)];
        } else {
            r = (std::min<std::uint32_t>(r, tableTop) + tableSteps / 2) / tableSteps;
            g = (std::min<std::uint32_t>(g, tableTop) + tableSteps / 2) / tableSteps;
            b = (std::min<std::uint32_t>(b, tableTop) + tableSteps / 2) / tableSteps;
        }
        if (coverage < 255) {
            r = divide255(r * coverage);
            g = divide255(g * coverage);
            b = divide255(b * coverage);
        }
        return (coverage << 24) | (r << 16) | (g << 8) | b;
    };

    int x = x0;
#if defined(__SSE2__)
    // Four pixels at a time where all four are wholly inside the outline;
    // the rolling rows' test on (row, fraction) keys in 32-bit lanes.
    const bool vectorRolling = period <= 256;
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(int(0xff000000u));
    const __m128i shiftLanes = _mm_set1_epi32(int(shiftKey));
    const __m128i composedLanes = _mm_set1_epi32(int(composedKey));
    const __m128i periodKey = _mm_set1_epi32(period << 16);
    const __m128i darkKey = _mm_set1_epi32((darkFrom << 16) - 1);
    // Dark where (key - shift) mod the period reaches darkFrom.
    const auto darkLanes = [&](__m128i keyLanes, __m128i shift) {
        __m128i d = _mm_sub_epi32(keyLanes, shift);
        d = _mm_add_epi32(d, _mm_and_si128(_mm_cmplt_epi32(d, zero), periodKey));
        return _mm_cmpgt_epi32(d, darkKey);
    };
    const __m128i keepLanes = _mm_set1_epi16(std::int16_t(keep));
    const __m128i top = _mm_set1_epi16(tableTop);
    for (; x + 4 <= x1 && (!Rolling || vectorRolling); x += 4) {
        __m128i dark32 = zero;
        if constexpr (Rolling) {
            const __m128i keyLanes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys + x));
            dark32 = darkLanes(keyLanes, shiftLanes);
            if constexpr (OnlyFlipped) {
                if (!_mm_movemask_epi8(_mm_xor_si128(dark32, darkLanes(keyLanes, composedLanes))))
                    continue;
            }
        }
        std::uint32_t inside;
        std::memcpy(&inside, coverages + x, sizeof inside);
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + (x - x0)));
        if (inside != 0xffffffffu) {
            alignas(16) std::uint32_t pixels[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(pixels), c);
            for (int k = 0; k < 4; ++k)
                out[x + k] = pixel(x + k, pixels[k]);
            continue;
        }
        __m128i multiplier = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(multipliers + x));
        if constexpr (Rolling) {
            const __m128i dark = _mm_packs_epi32(dark32, dark32);
            // (multiplier × keep + 2048) >> 12, the product below 2^24.
            const __m128i high = _mm_mulhi_epu16(multiplier, keepLanes);
            const __m128i low = _mm_mullo_epi16(multiplier, keepLanes);
            const __m128i rolled
                = _mm_add_epi16(_mm_slli_epi16(high, 4),
                                _mm_srli_epi16(_mm_add_epi16(_mm_srli_epi16(low, 1), _mm_set1_epi16(1024)), 11));
            multiplier = _mm_or_si128(_mm_and_si128(dark, rolled), _mm_andnot_si128(dark, multiplier));
        }
        const __m128i doubled = _mm_unpacklo_epi16(multiplier, multiplier);
        __m128i v01 = scaleLanes(_mm_unpacklo_epi8(c, zero), _mm_unpacklo_epi32(doubled, doubled));
        __m128i v23 = scaleLanes(_mm_unpackhi_epi8(c, zero), _mm_unpackhi_epi32(doubled, doubled));
        if (addends) {
            const auto* add = reinterpret_cast<const __m128i*>(addends + 4 * x);
            v01 = _mm_add_epi16(v01, _mm_loadu_si128(add));
            v23 = _mm_add_epi16(v23, _mm_loadu_si128(add + 1));
        }
        v01 = _mm_min_epi16(v01, top);
        v23 = _mm_min_epi16(v23, top);
        if constexpr (Graded) {
            const auto graded = [&](int r, int g, int b) {
                return 0xff000000u | (std::uint32_t(red[r]) << 16) | (std::uint32_t(green[g]) << 8) | blue[b];
            };
            out[x] = graded(_mm_extract_epi16(v01, 2), _mm_extract_epi16(v01, 1), _mm_extract_epi16(v01, 0));
            out[x + 1] = graded(_mm_extract_epi16(v01, 6), _mm_extract_epi16(v01, 5), _mm_extract_epi16(v01, 4));
            out[x + 2] = graded(_mm_extract_epi16(v23, 2), _mm_extract_epi16(v23, 1), _mm_extract_epi16(v23, 0));
            out[x + 3] = graded(_mm_extract_epi16(v23, 6), _mm_extract_epi16(v23, 5), _mm_extract_epi16(v23, 4));
        } else {
            const __m128i half = _mm_set1_epi16(tableSteps / 2);
            v01 = _mm_srli_epi16(_mm_add_epi16(v01, half), 4);
            v23 = _mm_srli_epi16(_mm_add_epi16(v23, half), 4);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_or_si128(_mm_packus_epi16(v01, v23), opaque));
        }
    }
#endif
    for (; x < x1; ++x) {
        if constexpr (OnlyFlipped) {
            if (darkAt(keys[x], shiftKey) == darkAt(keys[x], composedKey))
                continue;
        }
        out[x] = pixel(x, in[x - x0]);
    }
}

void CpuScreenCompositor::composeEffects(int y, int x0, int x1, const std::uint32_t* in)
{
    const bool graded = m_effects.grade.isValid();
    if (m_rolling)
        graded ? composeEffects<true, true, false>(y, x0, x1, in) : composeEffects<true, false, false>(y, x0, x1, in);
    else
        graded ? composeEffects<false, true, false>(y, x0, x1, in) : composeEffects<false, false, false>(y, x0, x1, in);
}

std::uint32_t CpuScreenCompositor::rollingShiftKey(double offset) const
{
    // The shift in whole pattern pixels mod the period, times 65536, plus
    // the fraction of a pattern pixel.
    const int period = 4 * m_patternScale;
    const double shift = offset * m_patternScale;
    const double shiftWhole = std::floor(shift);
    const int shiftPhase = int(((std::int64_t(shiftWhole) % period) + period) % period);
    const std::uint32_t shiftFraction = std::uint32_t(std::min(65535.0, std::floor((shift - shiftWhole) * 65536)));
    return (std::uint32_t(shiftPhase) << 16) | shiftFraction;
}

void CpuScreenCompositor::composeSpan(const std::uint32_t* picture, const Span& span)
{
    // In runs short enough to stay in the first-level cache between the
    // two steps; the content goes to m_composed only where a rolling tick
    // will lay the scanlines over it again.
    constexpr int run = 128;
    alignas(16) std::uint32_t buffer[run];
    auto* composed = m_rolling ? reinterpret_cast<std::uint32_t*>(m_composed.scanLine(span.y)) : nullptr;
    for (int x0 = span.x0; x0 < span.x1; x0 += run) {
        const int x1 = std::min(span.x1, x0 + run);
        std::uint32_t* content = composed ? composed + x0 : buffer;
        composeContent(picture, span.y, x0, x1, content);
        composeEffects(span.y, x0, x1, content);
    }
}

void CpuScreenCompositor::composeMovedScanlines(const Span& span)
{
    // Only the pixels whose rolling row turned dark or light since the last
    // composition; the rest keep what they show.
    const auto* in = reinterpret_cast<const std::uint32_t*>(m_composed.constScanLine(span.y)) + span.x0;
    m_effects.grade.isValid() ? composeEffects<true, true, true>(span.y, span.x0, span.x1, in)
                              : composeEffects<true, false, true>(span.y, span.x0, span.x1, in);
}

std::vector<int> CpuScreenCompositor::tilesMeeting(const QRectF& screenRect) const
{
    std::vector<int> tiles;
    for (std::size_t t = 0; t < m_tileFootprint.size(); ++t) {
        if (!m_tileFootprint[t].isEmpty() && m_tileFootprint[t].intersects(screenRect))
            tiles.push_back(int(t));
    }
    return tiles;
}

QRect CpuScreenCompositor::tileOutputRect(int tile) const
{
    const int tx = tile % m_tilesX;
    const int ty = tile / m_tilesX;
    const QRect pixels
        = QRect(tx * tileSize, ty * tileSize, tileSize, tileSize).intersected(QRect(QPoint(0, 0), m_outputPixels));
    const QRectF logical(QPointF(pixels.topLeft()) / m_dpr, QSizeF(pixels.size()) / m_dpr);
    return logical.translated(m_geometry.outputRect.topLeft()).toAlignedRect().intersected(m_geometry.outputRect);
}

std::vector<CpuScreenCompositor::Span> CpuScreenCompositor::tileSpans(const std::vector<int>& tiles) const
{
    // The tiles come in rows, left to right; neighbours in a row join.
    std::vector<Span> spans;
    for (std::size_t first = 0; first < tiles.size();) {
        const int ty = tiles[first] / m_tilesX;
        std::size_t last = first;
        while (last < tiles.size() && tiles[last] / m_tilesX == ty)
            ++last;
        const int y1 = std::min((ty + 1) * tileSize, m_outputPixels.height());
        for (int y = ty * tileSize; y < y1; ++y) {
            for (std::size_t t = first; t < last; ++t) {
                const int x0 = (tiles[t] % m_tilesX) * tileSize;
                const int x1 = std::min(x0 + tileSize, m_outputPixels.width());
                if (t > first && spans.back().x1 == x0)
                    spans.back().x1 = x1;
                else
                    spans.push_back({y, x0, x1});
            }
        }
        first = last;
    }
    return spans;
}

QRect CpuScreenCompositor::outputRectFor(const QRect& screenRect) const
{
    if (!m_valid || screenRect.isEmpty())
        return QRect();
    const double reach = glowReach();
    const QRectF grown = QRectF(screenRect).adjusted(-reach, -reach, reach, reach);
    QRect result;
    for (const int tile : tilesMeeting(grown))
        result = result.united(tileOutputRect(tile));
    return result;
}

QRect CpuScreenCompositor::compose(const QImage& source, const QRect& changed)
{
    if (!m_valid) {
        if (!m_needsWhole)
            return QRect();
        m_needsWhole = false;
        if (!m_output.isNull())
            m_output.fill(Qt::transparent);
        return m_output.isNull() ? QRect() : m_geometry.outputRect;
    }
    if (!m_effectsBuilt)
        buildEffects();
    m_shiftKey = rollingShiftKey(m_rollingOffset);
    m_composedShiftKey = rollingShiftKey(m_composedOffset);
    const int width = m_outputPixels.width();
    const int height = m_outputPixels.height();

    const QRect screen(QPoint(0, 0), m_geometry.screenSize);
    const QRect part = changed.intersected(screen);
    if (m_needsWhole || part == screen) {
        const std::uint32_t* picture = pictureBits(source);
        if (m_glowOn)
            updateGlow(picture, QRect(0, 0, m_glowWidth, m_glowHeight));
        for (int y = 0; y < height; ++y)
            composeSpan(picture, {y, 0, width});
        m_needsWhole = false;
        m_scanlinesMoved = false;
        m_composedOffset = m_rollingOffset;
        return m_geometry.outputRect;
    }

    std::vector<int> tiles;
    std::vector<Span> spans;
    if (!part.isEmpty()) {
        const std::uint32_t* picture = pictureBits(source);
        if (m_glowOn) {
            const QRect cells(
                QPoint(int(std::floor(part.left() / glowCell)) - 1, int(std::floor(part.top() / glowCell)) - 1),
                QPoint(int(std::floor((part.right() + 1) / glowCell)) + 1,
                       int(std::floor((part.bottom() + 1) / glowCell)) + 1));
            updateGlow(picture, cells);
        }
        const double reach = glowReach();
        tiles = tilesMeeting(QRectF(part).adjusted(-reach, -reach, reach, reach));
        spans = tileSpans(tiles);
        for (const Span& span : spans)
            composeSpan(picture, span);
    }
    if (m_scanlinesMoved) {
        // Around the tiles just composed, the pixels the moved rows reach.
        // The spans come row by row, left to right.
        m_scanlinesMoved = false;
        std::size_t next = 0;
        for (int y = 0; y < height; ++y) {
            int x = 0;
            for (; next < spans.size() && spans[next].y == y; ++next) {
                if (spans[next].x0 > x)
                    composeMovedScanlines({y, x, spans[next].x0});
                x = spans[next].x1;
            }
            if (x < width)
                composeMovedScanlines({y, x, width});
        }
        m_composedOffset = m_rollingOffset;
        return m_geometry.outputRect;
    }
    QRect result;
    for (const int tile : tiles)
        result = result.united(tileOutputRect(tile));
    return result;
}

} // namespace velmora
