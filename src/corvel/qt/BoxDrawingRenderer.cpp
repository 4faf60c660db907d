#include "corvel/qt/BoxDrawingRenderer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

#include <QPainter>
#include <QPainterPath>

namespace corvel {

namespace {

using LineStyle = BoxDrawingRenderer::LineStyle;

// Rounds halves away from zero.
int roundPx(double v) { return static_cast<int>(std::lround(v)); }

// The arms of the line glyphs, as up, right, down and left: '.' none,
// 'l' light, 'h' heavy, 'd' double. Empty for the glyphs drawn otherwise.
constexpr std::array<std::string_view, 128> armTable{
    // U+2500
    ".l.l",
    ".h.h",
    "l.l.",
    "h.h.",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    ".ll.",
    ".hl.",
    ".lh.",
    ".hh.",
    // U+2510
    "..ll",
    "..lh",
    "..hl",
    "..hh",
    "ll..",
    "lh..",
    "hl..",
    "hh..",
    "l..l",
    "l..h",
    "h..l",
    "h..h",
    "lll.",
    "lhl.",
    "hll.",
    "llh.",
    // U+2520
    "hlh.",
    "hhl.",
    "lhh.",
    "hhh.",
    "l.ll",
    "l.lh",
    "h.ll",
    "l.hl",
    "h.hl",
    "h.lh",
    "l.hh",
    "h.hh",
    ".lll",
    ".llh",
    ".hll",
    ".hlh",
    // U+2530
    ".lhl",
    ".lhh",
    ".hhl",
    ".hhh",
    "ll.l",
    "ll.h",
    "lh.l",
    "lh.h",
    "hl.l",
    "hl.h",
    "hh.l",
    "hh.h",
    "llll",
    "lllh",
    "lhll",
    "lhlh",
    // U+2540
    "hlll",
    "llhl",
    "hlhl",
    "hllh",
    "hhll",
    "llhh",
    "lhhl",
    "hhlh",
    "lhhh",
    "hlhh",
    "hhhl",
    "hhhh",
    "",
    "",
    "",
    "",
    // U+2550
    ".d.d",
    "d.d.",
    ".dl.",
    ".ld.",
    ".dd.",
    "..ld",
    "..dl",
    "..dd",
    "ld..",
    "dl..",
    "dd..",
    "l..d",
    "d..l",
    "d..d",
    "ldl.",
    "dld.",
    // U+2560
    "ddd.",
    "l.ld",
    "d.dl",
    "d.dd",
    ".dld",
    ".ldl",
    ".ddd",
    "ld.d",
    "dl.l",
    "dd.d",
    "ldld",
    "dldl",
    "dddd",
    "",
    "",
    "",
    // U+2570
    "",
    "",
    "",
    "",
    "...l",
    "l...",
    ".l..",
    "..l.",
    "...h",
    "h...",
    ".h..",
    "..h.",
    ".h.l",
    "l.h.",
    ".l.h",
    "h.l.",
};

LineStyle styleOf(char c)
{
    switch (c) {
    case 'l': return LineStyle::light;
    case 'h': return LineStyle::heavy;
    case 'd': return LineStyle::doubled;
    default: return LineStyle::none;
    }
}

struct Dash {
    bool horizontal;
    int count;
    int thicknessFactor; // 1 light, 2 heavy
    int gapKind; // 0: max(4, t); 1: t; 2: 2t
};

Dash dashFor(uint32_t cp)
{
    switch (cp) {
    case 0x2504: return {true, 3, 1, 0};
    case 0x2505: return {true, 3, 2, 0};
    case 0x2506: return {false, 3, 1, 0};
    case 0x2507: return {false, 3, 2, 0};
    case 0x2508: return {true, 4, 1, 0};
    case 0x2509: return {true, 4, 2, 0};
    case 0x250A: return {false, 4, 1, 0};
    case 0x250B: return {false, 4, 2, 0};
    case 0x254C: return {true, 2, 1, 1};
    case 0x254D: return {true, 2, 2, 2};
    case 0x254E: return {false, 2, 1, 2};
    default: return {false, 2, 2, 2}; // U+254F
    }
}

// One dashed stroke along a cell of length A and breadth C.
template <typename Fill>
void dashes(int count, int th, int desiredGap, int along, int across, bool startWithHalfGap, int baseThicknessPx,
            Fill fill)
{
    if (count < 2 || count > 4)
        return;
    if (along < 2 * count) {
        const int b = std::max(1, baseThicknessPx);
        fill(0, along, std::max(0, across - b) / 2, b);
        return;
    }
    const int gap = std::min(along / (2 * count), desiredGap);
    const int rest = along - count * gap;
    const int dash = rest / count;
    int extra = rest - count * dash;
    int pos = startWithHalfGap ? gap / 2 : 0;
    const int at = std::max(0, across - th) / 2;
    for (int i = 0; i < count; ++i) {
        const int len = dash + (extra > 0 ? 1 : 0);
        if (extra > 0)
            --extra;
        fill(pos, pos + len, at, th);
        pos += len + gap;
    }
}

} // namespace

void BoxDrawingRenderer::Canvas::box(int x0, int y0, int x1, int y1) const
{
    x0 = std::clamp(x0, 0, widthPx);
    x1 = std::clamp(x1, 0, widthPx);
    y0 = std::clamp(y0, 0, heightPx);
    y1 = std::clamp(y1, 0, heightPx);
    if (x1 <= x0 || y1 <= y0)
        return;
    painter->fillRect(QRectF(origin.x() + x0 / scale, origin.y() + y0 / scale, (x1 - x0) / scale, (y1 - y0) / scale),
                      painter->brush());
}

int BoxDrawingRenderer::baseThickness(double scale, double underlineThickness)
{
    return std::max({1, roundPx(scale), roundPx(scale * underlineThickness * 1.35)});
}

BoxDrawingRenderer::Lines BoxDrawingRenderer::linesFor(uint32_t codePoint)
{
    if (codePoint < first || codePoint > last)
        return {};
    std::string_view arms = armTable[codePoint - first];
    if (arms.size() != 4)
        return {};
    return {styleOf(arms[0]), styleOf(arms[1]), styleOf(arms[2]), styleOf(arms[3])};
}

void BoxDrawingRenderer::draw(uint32_t codePoint, QPainter& painter, QPointF cellOrigin, QSizeF cellSize, double scale,
                              const QColor& color, int baseThicknessPx)
{
    if (codePoint < first || codePoint > last)
        return;
    if (!(scale > 0))
        scale = 1;
    Canvas canvas;
    canvas.painter = &painter;
    canvas.origin = cellOrigin;
    canvas.widthPx = std::max(1, roundPx(cellSize.width() * scale));
    canvas.heightPx = std::max(1, roundPx(cellSize.height() * scale));
    canvas.scale = scale;
    canvas.cellSize = cellSize;
    canvas.minThicknessPx = std::max(1, roundPx(scale));
    const int t = std::max(canvas.minThicknessPx, baseThicknessPx);

    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);

    Lines lines = linesFor(codePoint);
    if (lines.up != LineStyle::none || lines.right != LineStyle::none || lines.down != LineStyle::none
        || lines.left != LineStyle::none) {
        linesChar(lines, canvas, baseThicknessPx);
    } else if ((codePoint >= 0x2504 && codePoint <= 0x250B) || (codePoint >= 0x254C && codePoint <= 0x254F)) {
        const Dash d = dashFor(codePoint);
        const int th = t * d.thicknessFactor;
        const int gap = d.gapKind == 0 ? std::max(4, t) : d.gapKind == 1 ? t : 2 * t;
        if (d.horizontal)
            dashHorizontal(d.count, th, gap, canvas, baseThicknessPx);
        else
            dashVertical(d.count, th, gap, canvas, baseThicknessPx);
    } else {
        switch (codePoint) {
        case 0x256D: arc(Corner::downRight, t, canvas); break;
        case 0x256E: arc(Corner::downLeft, t, canvas); break;
        case 0x256F: arc(Corner::upLeft, t, canvas); break;
        case 0x2570: arc(Corner::upRight, t, canvas); break;
        case 0x2571: lightDiagonalUpperRightToLowerLeft(t, canvas); break;
        case 0x2572: lightDiagonalUpperLeftToLowerRight(t, canvas); break;
        case 0x2573:
            lightDiagonalUpperRightToLowerLeft(t, canvas);
            lightDiagonalUpperLeftToLowerRight(t, canvas);
            break;
        default: break;
        }
    }
    painter.restore();
}

void BoxDrawingRenderer::drawRow(QPainter& painter, std::span<const BoxDrawingRenderItem> items, QPointF rowOrigin,
                                 QSizeF cellSize, double scale, int baseThicknessPx)
{
    if (items.empty())
        return;
    if (!(scale > 0))
        scale = 1;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int m = std::max(1, roundPx(scale * cellSize.width()));
    const int n = std::max(1, roundPx(scale * cellSize.height()));
    const double rowX = roundPx(scale * rowOrigin.x());
    const double rowY = roundPx(scale * rowOrigin.y()) / scale;
    for (const BoxDrawingRenderItem& item : items) {
        const int width = std::max(1, item.columnWidth);
        QColor color = item.foregroundColor;
        color.setAlphaF(std::clamp(color.alphaF(), 0.0f, 1.0f));
        draw(item.codePoint,
             painter,
             QPointF((rowX + m * item.column) / scale, rowY),
             QSizeF(double(m) * width / scale, n / scale),
             scale,
             color,
             baseThicknessPx);
    }
    painter.restore();
}

void BoxDrawingRenderer::hline(const Canvas& canvas, int x1, int x2, int y, int thicknessPx)
{
    canvas.box(x1, y, x2, y + thicknessPx);
}

void BoxDrawingRenderer::vline(const Canvas& canvas, int y1, int y2, int x, int thicknessPx)
{
    canvas.box(x, y1, x + thicknessPx, y2);
}

void BoxDrawingRenderer::linesChar(Lines lines, const Canvas& canvas, int baseThicknessPx)
{
    const int W = canvas.widthPx;
    const int H = canvas.heightPx;
    const int t = std::max({canvas.minThicknessPx, baseThicknessPx, 1});
    const int T = 2 * t;

    // Bands across the vertical axis (rows of horizontal strokes).
    const int lt = std::max(0, H - t) / 2;
    const int lb = std::min(H, lt + t);
    const int ht = std::max(0, H - T) / 2;
    const int hb = std::min(H, ht + T);
    const int dt = std::max(0, lt - t);
    const int db = std::min(H, lb + t);
    // Bands across the horizontal axis (columns of vertical strokes).
    const int ll = std::max(0, W - t) / 2;
    const int lr = std::min(W, ll + t);
    const int hl = std::max(0, W - T) / 2;
    const int hr = std::min(W, hl + T);
    const int dl = std::max(0, ll - t);
    const int dr = std::min(W, lr + t);

    const LineStyle up = lines.up, right = lines.right, down = lines.down, left = lines.left;
    const auto isLightOrDouble = [](LineStyle s) { return s == LineStyle::light || s == LineStyle::doubled; };

    int U, D;
    if (left == LineStyle::heavy || right == LineStyle::heavy) {
        U = hb, D = ht;
    } else if (left == right && up != down && left == LineStyle::none) {
        U = lb, D = lt;
    } else if (left == right && up != down && isLightOrDouble(left)) {
        U = lt, D = lb;
    } else if (left == LineStyle::doubled || right == LineStyle::doubled) {
        U = db, D = dt;
    } else {
        U = lb, D = lt;
    }

    int L, R;
    if (up == LineStyle::heavy || down == LineStyle::heavy) {
        L = hr, R = hl;
    } else if (up == down && left != right && up == LineStyle::none) {
        L = lr, R = ll;
    } else if (up == down && left != right && isLightOrDouble(up)) {
        L = ll, R = lr;
    } else if (up == LineStyle::doubled || down == LineStyle::doubled) {
        L = dr, R = dl;
    } else {
        L = lr, R = ll;
    }

    const bool upD = up == LineStyle::doubled, downD = down == LineStyle::doubled;
    const bool leftD = left == LineStyle::doubled, rightD = right == LineStyle::doubled;

    switch (up) {
    case LineStyle::light: canvas.box(ll, 0, lr, U); break;
    case LineStyle::heavy: canvas.box(hl, 0, hr, U); break;
    case LineStyle::doubled:
        canvas.box(dl, 0, ll, leftD ? lt : U);
        canvas.box(lr, 0, dr, rightD ? lt : U);
        break;
    case LineStyle::none: break;
    }
    switch (right) {
    case LineStyle::light: canvas.box(R, lt, W, lb); break;
    case LineStyle::heavy: canvas.box(R, ht, W, hb); break;
    case LineStyle::doubled:
        canvas.box(upD ? lr : R, dt, W, lt);
        canvas.box(downD ? lr : R, lb, W, db);
        break;
    case LineStyle::none: break;
    }
    switch (down) {
    case LineStyle::light: canvas.box(ll, D, lr, H); break;
    case LineStyle::heavy: canvas.box(hl, D, hr, H); break;
    case LineStyle::doubled:
        canvas.box(dl, leftD ? lb : D, ll, H);
        canvas.box(lr, rightD ? lb : D, dr, H);
        break;
    case LineStyle::none: break;
    }
    switch (left) {
    case LineStyle::light: canvas.box(0, lt, L, lb); break;
    case LineStyle::heavy: canvas.box(0, ht, L, hb); break;
    case LineStyle::doubled:
        canvas.box(0, dt, upD ? ll : L, lt);
        canvas.box(0, lb, downD ? ll : L, db);
        break;
    case LineStyle::none: break;
    }
}

void BoxDrawingRenderer::dashHorizontal(int count, int thicknessPx, int desiredGapPx, const Canvas& canvas,
                                        int baseThicknessPx)
{
    dashes(count,
           thicknessPx,
           desiredGapPx,
           canvas.widthPx,
           canvas.heightPx,
           true,
           baseThicknessPx,
           [&](int from, int to, int at, int th) { canvas.box(from, at, to, at + th); });
}

void BoxDrawingRenderer::dashVertical(int count, int thicknessPx, int desiredGapPx, const Canvas& canvas,
                                      int baseThicknessPx)
{
    dashes(count,
           thicknessPx,
           desiredGapPx,
           canvas.heightPx,
           canvas.widthPx,
           false,
           baseThicknessPx,
           [&](int from, int to, int at, int th) { canvas.box(at, from, at + th, to); });
}

void BoxDrawingRenderer::arc(Corner corner, int thicknessPx, const Canvas& canvas)
{
    const int W = canvas.widthPx;
    const int H = canvas.heightPx;
    const int th = std::max(1, thicknessPx);
    const double h = th / 2.0;
    const int hx = std::max(0, W - th) / 2; // column of the vertical stroke
    const int hy = std::max(0, H - th) / 2; // row of the horizontal stroke
    const double cy = hy + h;
    const double cx = hx + h;
    const double m = std::min(W, H);
    const double R = std::min(0.3 * m, std::max(0.0, m / 2 - h));

    const bool isUp = corner == Corner::upLeft || corner == Corner::upRight;
    const bool isLeft = corner == Corner::upLeft || corner == Corner::downLeft;

    // Stubs from the cell edges to where the curve begins.
    if (isUp)
        canvas.box(hx, 0, hx + th, static_cast<int>(std::ceil(cy - R)));
    else
        canvas.box(hx, static_cast<int>(std::floor(cy + R)), hx + th, H);
    if (isLeft)
        canvas.box(0, hy, static_cast<int>(std::ceil(cx - R)), hy + th);
    else
        canvas.box(static_cast<int>(std::floor(cx + R)), hy, W, hy + th);

    const double outer = R + h;
    if (!(outer > 0))
        return;
    const double inner = std::max(0.0, R - h);
    const QPointF centre(isLeft ? cx - R : cx + R, isUp ? cy - R : cy + R);
    // The quadrant of the ring that joins the two stubs, bounded by the cell.
    QRectF quadrant;
    quadrant.setLeft(isLeft ? centre.x() : 0);
    quadrant.setRight(isLeft ? W : centre.x());
    quadrant.setTop(isUp ? centre.y() : 0);
    quadrant.setBottom(isUp ? H : centre.y());

    QPainter& p = *canvas.painter;
    p.save();
    p.translate(canvas.origin);
    p.scale(1.0 / canvas.scale, 1.0 / canvas.scale);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setClipRect(quadrant.intersected(QRectF(0, 0, W, H)));
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    path.addEllipse(centre, outer, outer);
    if (inner > 0)
        path.addEllipse(centre, inner, inner);
    p.fillPath(path, p.brush());
    p.restore();
}

namespace {

void diagonal(const BoxDrawingRenderer::Canvas& canvas, int thicknessPx, bool upperRightToLowerLeft)
{
    const double W = canvas.widthPx;
    const double H = canvas.heightPx;
    const double fx = std::min(1.0, W / H);
    const double fy = std::min(1.0, H / W);
    int th = std::max(canvas.minThicknessPx, thicknessPx);
    if (th > 1)
        th += 1;
    th = std::max(th, canvas.minThicknessPx);

    QPainter& p = *canvas.painter;
    p.save();
    p.translate(canvas.origin);
    p.scale(1.0 / canvas.scale, 1.0 / canvas.scale);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(p.brush().color());
    pen.setWidthF(th);
    pen.setCapStyle(Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (upperRightToLowerLeft)
        p.drawLine(QPointF(W + fx / 2, -fy / 2), QPointF(-fx / 2, H + fy / 2));
    else
        p.drawLine(QPointF(-fx / 2, -fy / 2), QPointF(W + fx / 2, H + fy / 2));
    p.restore();
}

} // namespace

void BoxDrawingRenderer::lightDiagonalUpperRightToLowerLeft(int thicknessPx, const Canvas& canvas)
{
    diagonal(canvas, thicknessPx, true);
}

void BoxDrawingRenderer::lightDiagonalUpperLeftToLowerRight(int thicknessPx, const Canvas& canvas)
{
    diagonal(canvas, thicknessPx, false);
}

} // namespace corvel
