#include "corvel/images/SixelDecoder.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace corvel {
namespace {

constexpr uint8_t colorIntroducer = '#';
constexpr uint8_t repeatIntroducer = '!';
constexpr uint8_t carriageReturn = '$';
constexpr uint8_t newLine = '-';
constexpr uint8_t firstSixel = '?';
constexpr uint8_t lastSixel = '~';

// Numbers and positions saturate here, far beyond any canvas.
constexpr int64_t numberCeiling = 0x7FFF'FFFF;
constexpr int64_t positionCeiling = int64_t{1} << 40;

bool isDigit(uint8_t byte) { return byte >= '0' && byte <= '9'; }

// Reads decimal digits from `i`, saturating; leaves `i` after them.
int64_t readNumber(std::span<const uint8_t> data, size_t& i)
{
    int64_t value = 0;
    while (i < data.size() && isDigit(data[i])) {
        value = std::min(numberCeiling, value * 10 + (data[i] - '0'));
        ++i;
    }
    return value;
}

// The numbers after "#": digits, each run optionally preceded by one ";".
std::vector<int64_t> readColorNumbers(std::span<const uint8_t> data, size_t& i)
{
    std::vector<int64_t> numbers;
    for (;;) {
        size_t start = i;
        if (start < data.size() && data[start] == ';')
            ++start;
        if (start >= data.size() || !isDigit(data[start]))
            break;
        i = start;
        numbers.push_back(readNumber(data, i));
    }
    return numbers;
}

int percentToByte(int64_t percent) { return static_cast<int>(std::clamp<int64_t>(percent, 0, 100) * 255 / 100); }

int64_t addPosition(int64_t position, int64_t amount) { return std::min(positionCeiling, position + amount); }

} // namespace

SixelDecoder::SixelDecoder(const SixelHost& host, int maximumSide)
    : defaultPalette_(host.sixelDefaultPalette()), maximumSide_(maximumSide)
{
}

SixelImage SixelDecoder::decode(std::span<const uint8_t> data)
{
    palette_.clear();
    currentColor_ = 0;
    x_ = y_ = maxX_ = maxY_ = 0;
    image_ = {};

    auto start = std::find(data.begin(), data.end(), colorIntroducer);
    if (start == data.end())
        return std::move(image_);
    data = data.subspan(static_cast<size_t>(start - data.begin()));

    walk(data, Pass::size);
    image_.width = static_cast<int>(std::min<int64_t>(maxX_, maximumSide_));
    image_.height = static_cast<int>(std::min<int64_t>(maxY_, maximumSide_));
    if (image_.width > 0)
        image_.height
            = static_cast<int>(std::min<int64_t>(image_.height, maximumPixels / static_cast<size_t>(image_.width)));
    const size_t pixels = static_cast<size_t>(image_.width) * static_cast<size_t>(image_.height);
    image_.pixels.assign(pixels * 4, 0);
    paintBudget_ = pixels * paintBudgetPerPixel + paintAllowance;
    x_ = y_ = 0;
    walk(data, Pass::paint);
    return std::move(image_);
}

void SixelDecoder::walk(std::span<const uint8_t> data, Pass pass)
{
    int64_t repeat = 1;
    size_t i = 0;
    while (i < data.size()) {
        const uint8_t byte = data[i];
        if (byte == colorIntroducer) {
            ++i;
            std::vector<int64_t> numbers = readColorNumbers(data, i);
            if (numbers.empty())
                break;
            if (pass == Pass::paint)
                selectColor(numbers);
        } else if (byte == repeatIntroducer) {
            ++i;
            if (i < data.size() && isDigit(data[i]))
                repeat = readNumber(data, i);
        } else if (byte == carriageReturn || byte == newLine) {
            ++i;
            if (byte == newLine)
                y_ = addPosition(y_, 6);
            maxX_ = std::max(maxX_, x_);
            x_ = 0;
        } else if (byte >= firstSixel && byte <= lastSixel) {
            ++i;
            const int mask = byte - firstSixel;
            if (pass == Pass::size) {
                for (int k = 5; k >= 0; --k) {
                    if (mask & (1 << k)) {
                        maxY_ = std::max(maxY_, y_ + k + 1);
                        break;
                    }
                }
            } else if (!paintSixel(mask, repeat)) {
                break;
            }
            x_ = addPosition(x_, repeat);
            repeat = 1;
        } else {
            ++i;
        }
    }
    maxX_ = std::max(maxX_, x_);
}

void SixelDecoder::selectColor(const std::vector<int64_t>& numbers)
{
    if (numbers.size() >= 2)
        updatePaletteEntry(numbers);
    const int64_t index = numbers.front();
    if (auto defined = palette_.find(index); defined != palette_.end()) {
        currentColor_ = defined->second;
        return;
    }
    currentColor_ = 0;
    if (index >= 0 && static_cast<uint64_t>(index) < defaultPalette_.size()) {
        const Color& color = defaultPalette_[static_cast<size_t>(index)];
        currentColor_ = (uint32_t{static_cast<uint8_t>(color.red >> 8)} << 24)
            | (uint32_t{static_cast<uint8_t>(color.green >> 8)} << 16)
            | (uint32_t{static_cast<uint8_t>(color.blue >> 8)} << 8) | 0xFF;
    }
}

void SixelDecoder::updatePaletteEntry(const std::vector<int64_t>& numbers)
{
    if (numbers.size() < 5)
        return;
    const int64_t index = numbers[0];
    uint32_t rgb;
    if (numbers[1] == 2) {
        rgb = (uint32_t(percentToByte(numbers[2])) << 16) | (uint32_t(percentToByte(numbers[3])) << 8)
            | uint32_t(percentToByte(numbers[4]));
    } else if (numbers[1] == 1) {
        rgb = hlsToRgb(static_cast<int>(std::clamp<int64_t>(numbers[2], 0, 360)),
                       static_cast<int>(std::clamp<int64_t>(numbers[3], 0, 100)),
                       static_cast<int>(std::clamp<int64_t>(numbers[4], 0, 100)));
    } else {
        return;
    }
    palette_[index] = (rgb << 8) | 0xFF;
}

bool SixelDecoder::paintSixel(int mask, int64_t repeat)
{
    if (mask == 0 || repeat <= 0 || x_ >= image_.width)
        return true;
    const int64_t endX = std::min<int64_t>(image_.width, x_ + repeat);
    const size_t work
        = static_cast<size_t>(endX - x_) * static_cast<size_t>(std::popcount(static_cast<unsigned>(mask)));
    if (work > paintBudget_)
        return false;
    paintBudget_ -= work;
    const uint8_t rgba[4] = {static_cast<uint8_t>(currentColor_ >> 24),
                             static_cast<uint8_t>(currentColor_ >> 16),
                             static_cast<uint8_t>(currentColor_ >> 8),
                             static_cast<uint8_t>(currentColor_)};
    for (int k = 0; k < 6; ++k) {
        const int64_t row = y_ + k;
        if (!(mask & (1 << k)) || row >= image_.height)
            continue;
        uint8_t* pixel = image_.pixels.data() + (static_cast<size_t>(row) * image_.width + static_cast<size_t>(x_)) * 4;
        for (int64_t column = x_; column < endX; ++column, pixel += 4)
            std::copy(rgba, rgba + 4, pixel);
    }
    return true;
}

uint32_t SixelDecoder::hlsToRgb(int hue, int lightness, int saturation)
{
    if (saturation == 0) {
        const uint32_t grey = static_cast<uint32_t>(percentToByte(lightness));
        return (grey << 16) | (grey << 8) | grey;
    }
    const int h = (hue + 240) % 360;
    const double l = lightness;
    const double f = (1.0 - std::abs(2.0 * l / 100.0 - 1.0)) * saturation * 0.5;
    const double max = l + f;
    const double min = l - f;
    const double d = max - min;
    double r, g, b;
    switch (h / 60) {
    case 0:
        r = max;
        g = min + h / 60.0 * d;
        b = min;
        break;
    case 1:
        r = min + (120 - h) / 60.0 * d;
        g = max;
        b = min;
        break;
    case 2:
        r = min;
        g = max;
        b = min + (h - 120) / 60.0 * d;
        break;
    case 3:
        r = min;
        g = min + (240 - h) / 60.0 * d;
        b = max;
        break;
    case 4:
        r = min + (h - 240) / 60.0 * d;
        g = min;
        b = max;
        break;
    default:
        r = max;
        g = min;
        b = min + (360 - h) / 60.0 * d;
        break;
    }
    auto toByte = [](double percent) {
        return static_cast<uint32_t>(percentToByte(static_cast<int64_t>(std::trunc(percent))));
    };
    return (toByte(r) << 16) | (toByte(g) << 8) | toByte(b);
}

} // namespace corvel
