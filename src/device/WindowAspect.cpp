#include "device/WindowAspect.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace velmora::WindowAspect {
namespace {

bool valid(const QSizeF& ratio)
{
    return std::isfinite(ratio.width()) && std::isfinite(ratio.height()) && ratio.width() > 0 && ratio.height() > 0;
}

int atLeastOne(double length) { return int(std::max(1.0, std::round(length))); }

// Size hints carry 32-bit fields; a ratio given in whole numbers up to this
// stays exact.
constexpr double exactLimit = 1'000'000;
// Otherwise the ratio is kept to this many parts of the denominator.
constexpr int approximateDenominator = 100'000;

} // namespace

bool holds(const QSize& size, const QSizeF& ratio)
{
    if (!valid(ratio))
        return true;
    const double r = ratio.width() / ratio.height();
    return std::abs(size.width() - size.height() * r) <= 1.0 || std::abs(size.height() - size.width() / r) <= 1.0;
}

QSize settle(const QSize& from, const QSize& to, const QSizeF& ratio, const QSize& limit)
{
    if (!valid(ratio))
        return to;
    const double r = ratio.width() / ratio.height();
    const auto change
        = [](int before, int after) { return before > 0 ? std::abs(after - before) / double(before) : 0.0; };
    const bool widthLeads = from.isEmpty() || change(from.width(), to.width()) >= change(from.height(), to.height());
    int width = widthLeads ? std::max(1, to.width()) : atLeastOne(to.height() * r);
    int height = widthLeads ? atLeastOne(to.width() / r) : std::max(1, to.height());
    if (limit.width() > 0 && width > limit.width()) {
        width = limit.width();
        height = atLeastOne(width / r);
    }
    if (limit.height() > 0 && height > limit.height()) {
        height = limit.height();
        width = atLeastOne(height * r);
    }
    return QSize(width, height);
}

std::pair<int, int> hintFraction(const QSizeF& ratio)
{
    if (!valid(ratio))
        return {0, 0};
    const double w = ratio.width();
    const double h = ratio.height();
    long long numerator = 0;
    long long denominator = 0;
    if (w == std::round(w) && h == std::round(h) && w <= exactLimit && h <= exactLimit) {
        numerator = std::llround(w);
        denominator = std::llround(h);
    } else {
        // A ratio beyond the fields' range is kept as close as they allow.
        const double r = std::clamp(w / h, 1.0 / approximateDenominator, double(approximateDenominator));
        numerator = std::max(1LL, std::llround(r * approximateDenominator));
        denominator = approximateDenominator;
    }
    const long long divisor = std::gcd(numerator, denominator);
    return {int(numerator / divisor), int(denominator / divisor)};
}

} // namespace velmora::WindowAspect
