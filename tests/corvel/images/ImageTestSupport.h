#pragma once

#include "corvel/images/KittyGraphicsHandler.h"
#include "corvel/images/KittyGraphicsHost.h"
#include "corvel/images/SixelHost.h"

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace corvel::testing {

inline std::span<const uint8_t> bytesOf(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

inline std::string base64(std::span<const uint8_t> data)
{
    static const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        uint32_t v = (uint32_t(data[i]) << 16) | (uint32_t(data[i + 1]) << 8) | data[i + 2];
        for (int shift = 18; shift >= 0; shift -= 6)
            out += alphabet[(v >> shift) & 63];
    }
    size_t rest = data.size() - i;
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

inline std::string base64(const std::string& text) { return base64(bytesOf(text)); }

inline std::vector<uint8_t> zlibCompress(std::span<const uint8_t> data)
{
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::vector<uint8_t> out(size);
    compress(out.data(), &size, data.data(), static_cast<uLong>(data.size()));
    out.resize(size);
    return out;
}

inline void appendChunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& body)
{
    auto put32 = [&](uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8)
            png.push_back(static_cast<uint8_t>(v >> shift));
    };
    put32(static_cast<uint32_t>(body.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    png.insert(png.end(), typed.begin(), typed.end());
    put32(static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

// A PNG of the given colour type and bit depth whose rows (without filter
// bytes) are `rows`; with `headerOnly` the image data is a placeholder, enough
// for size checks of huge pictures.
inline std::vector<uint8_t> makePngOfType(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colorType,
                                          const std::vector<uint8_t>& rows, bool headerOnly = false)
{
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<uint8_t> header;
    for (uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            header.push_back(static_cast<uint8_t>(v >> shift));
    header.insert(header.end(), {bitDepth, colorType, 0, 0, 0});
    appendChunk(png, "IHDR", header);
    std::vector<uint8_t> filtered;
    if (!headerOnly && height > 0) {
        const size_t rowBytes = rows.size() / height;
        for (uint32_t y = 0; y < height; ++y) {
            filtered.push_back(0);
            filtered.insert(filtered.end(), rows.begin() + y * rowBytes, rows.begin() + (y + 1) * rowBytes);
        }
    }
    appendChunk(png, "IDAT", zlibCompress(filtered));
    appendChunk(png, "IEND", {});
    return png;
}

// An 8-bit RGBA PNG of the given pixels.
inline std::vector<uint8_t> makePng(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba,
                                    bool headerOnly = false)
{
    return makePngOfType(width, height, 8, 6, rgba, headerOnly);
}

inline std::vector<uint8_t> solidPixels(int width, int height, std::vector<uint8_t> pixel)
{
    std::vector<uint8_t> out;
    for (int i = 0; i < width * height; ++i)
        out.insert(out.end(), pixel.begin(), pixel.end());
    return out;
}

// Records what the Kitty graphics code asks of the terminal.
class FakeKittyHost : public KittyGraphicsHost {
public:
    struct Display {
        KittyGraphicsPayload payload;
        KittyGraphicsControl control;
        std::optional<uint32_t> imageId;
        std::optional<uint32_t> imageNumber;
    };

    std::vector<std::string> replies;
    std::vector<Display> displays;
    std::vector<KittyGraphicsControl> deletions;
    std::optional<std::string> displayError;
    bool eightBit = false;
    int64_t cacheLimit = KittyGraphicsState::defaultCacheLimitBytes;
    KittyImageIdSet idsOnLines;

    void sendKittyReply(std::span<const uint8_t> reply) override { replies.emplace_back(reply.begin(), reply.end()); }
    bool sendsEightBitControls() const override { return eightBit; }
    int64_t kittyImageCacheLimitBytes() const override { return cacheLimit; }
    void collectKittyImageIdsOnLines(KittyImageIdSet& ids) override
    {
        ids.insert(idsOnLines.begin(), idsOnLines.end());
    }
    std::optional<std::string> displayKittyImage(const KittyGraphicsPayload& payload,
                                                 const KittyGraphicsControl& control, std::optional<uint32_t> imageId,
                                                 std::optional<uint32_t> imageNumber) override
    {
        displays.push_back({payload, control, imageId, imageNumber});
        return displayError;
    }
    std::optional<std::string> deleteKittyImages(const KittyGraphicsControl& control) override
    {
        deletions.push_back(control);
        return std::nullopt;
    }
};

// A terminal's Kitty state and a fake host, with the handler over both.
class KittyFixtureBase {
protected:
    void send(const std::string& apcBody, KittyGraphicsLimits limits = {})
    {
        KittyGraphicsHandler(state, host, limits).handleKittyGraphics(bytesOf(apcBody));
    }

    // The reply text between 7-bit APC framing.
    static std::string reply(const std::string& text) { return "\x1b_" + text + "\x1b\\"; }

    KittyGraphicsState state;
    FakeKittyHost host;
};

class FakeSixelHost : public SixelHost {
public:
    struct Bitmap {
        std::vector<uint8_t> pixels;
        int width = 0;
        int height = 0;
    };

    std::vector<Bitmap> bitmaps;

    // Entry i is (i * 257, 0, 0xFFFF - i * 257) so every entry is distinct.
    FakeSixelHost()
    {
        for (int i = 0; i < 256; ++i)
            palette.emplace_back(static_cast<uint16_t>(i * 257), 0, static_cast<uint16_t>(0xFFFF - i * 257));
    }

    std::span<const Color> sixelDefaultPalette() const override { return palette; }
    void createImageFromBitmap(std::vector<uint8_t>&& rgba, int width, int height) override
    {
        bitmaps.push_back({std::move(rgba), width, height});
    }

    std::vector<Color> palette;
};

} // namespace corvel::testing
