#pragma once

#include "TerminalTestSupport.h"
#include "corvel/images/ImageStrip.h"
#include "corvel/images/ImageStripInserter.h"
#include "corvel/images/PngDecoder.h"
#include "corvel/terminal/Terminal.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace corvel::test {

// A host with 10 × 20 pixel cells that attaches picture strips the way a
// view does, and remembers what it was handed.
class StripHost : public RecordingDelegate {
public:
    static constexpr int cellWidth = 10;
    static constexpr int cellHeight = 20;

    struct Shown {
        bool encoded = false;
        int width = 0;
        int height = 0;
        std::vector<uint8_t> pixels;
    };

    // What cellSizeInPixels reports; the host draws with 10 × 20 either way.
    bool reportsCellSize = true;
    std::vector<Shown> shown;

    std::optional<std::pair<int, int>> cellSizeInPixels(Terminal&) override
    {
        if (!reportsCellSize)
            return std::nullopt;
        return std::pair{cellWidth, cellHeight};
    }

    void createImageFromBitmap(Terminal& source, std::vector<uint8_t>&& bytes, int width, int height) override
    {
        shown.push_back({false, width, height, bytes});
        inserter(source).insertBitmap({width, height, nullptr});
    }

    void createImage(Terminal& source, std::span<const uint8_t> data, ImageSizeRequest width, ImageSizeRequest height,
                     bool preserveAspectRatio) override
    {
        std::optional<PixelSize> size = PngDecoder::pixelSize(data);
        if (!size)
            return;
        shown.push_back({true, size->width, size->height, {}});
        inserter(source).insertImage({size->width, size->height, nullptr}, width, height, preserveAspectRatio);
    }

private:
    static ImageStripInserter inserter(Terminal& source)
    {
        return ImageStripInserter(source.kittyPlacementHost(),
                                  ImageStripGeometry::forScreen(cellWidth, cellHeight, source.cols, source.rows));
    }
};

// One strip found on a line: its ring index and the strip.
struct PlacedStrip {
    int line;
    std::shared_ptr<ImageStrip> strip;
};

inline std::vector<PlacedStrip> stripsOn(Buffer& screen)
{
    std::vector<PlacedStrip> out;
    for (int i = 0; i < screen.lines().count(); ++i) {
        const BufferLine& line = screen.lines()[i];
        if (!line.images)
            continue;
        for (const auto& image : *line.images) {
            if (auto strip = std::dynamic_pointer_cast<ImageStrip>(image))
                out.push_back({i, strip});
        }
    }
    return out;
}

// The ring indices of the Kitty strips of one placement, top to bottom.
inline std::vector<int> linesOf(Buffer& screen, uint32_t imageId, uint32_t placementId)
{
    std::vector<int> out;
    for (const PlacedStrip& placed : stripsOn(screen)) {
        if (placed.strip->kittyIsKitty && placed.strip->kittyImageId == imageId
            && placed.strip->kittyPlacementId == placementId)
            out.push_back(placed.line);
    }
    return out;
}

inline std::string base64Of(const std::vector<uint8_t>& data)
{
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        const uint32_t v = (uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8) | data[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6)
            out += alphabet[(v >> shift) & 63];
    }
    const size_t rest = data.size() - i;
    if (rest > 0) {
        uint32_t v = uint32_t(data[i]) << 16;
        if (rest == 2)
            v |= uint32_t(data[i + 1]) << 8;
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += rest == 2 ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

// Opaque RGBA pixels whose red channel is the column and green the row.
inline std::vector<uint8_t> gradient(int width, int height)
{
    std::vector<uint8_t> out;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            out.insert(out.end(), {uint8_t(x), uint8_t(y), 0, 255});
    }
    return out;
}

// A Kitty graphics command with the given keys and payload.
inline std::string kitty(const std::string& keys, const std::vector<uint8_t>& payload = {})
{
    return "\x1b_G" + keys + (payload.empty() ? "" : ";" + base64Of(payload)) + "\x1b\\";
}

// A transmission of raw pixels (f=32) of the given size with extra keys.
inline std::string kittyPixels(const std::string& keys, int width, int height)
{
    return kitty(keys + ",f=32,s=" + std::to_string(width) + ",v=" + std::to_string(height), gradient(width, height));
}

// A terminal with a strip host, 20 × 10 cells and 50 lines of scroll-back.
class KittyTerminalFixture {
protected:
    KittyTerminalFixture() : terminal(&host, sized(20, 10, 50)) {}

    std::pair<int, int> cursor() { return {terminal.buffer().x(), terminal.buffer().y()}; }
    void moveTo(int col, int row)
    {
        terminal.feed("\x1b[" + std::to_string(row + 1) + ";" + std::to_string(col + 1) + "H");
    }
    std::string replies() const { return host.replies(); }
    void clearReplies() { host.sent.clear(); }
    // The store as the picture code sees it; a few tests write it to reach
    // states that a program would need far too many commands for.
    KittyGraphicsState& store() { return terminal.kittyPlacementHost().kittyState(); }
    bool hasRecord(uint32_t imageId, uint32_t placementId)
    {
        return store().placementsByKey.contains({imageId, placementId});
    }

    StripHost host;
    Terminal terminal;
};

} // namespace corvel::test
