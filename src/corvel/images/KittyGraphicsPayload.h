#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace corvel {

// A decoded Kitty image as received: either the bytes of a PNG file (decoded
// only when shown) or straight RGBA pixels, rows top to bottom, no padding.
// The bytes are shared, so copying a payload is cheap.
struct KittyGraphicsPayload {
    enum class Kind { png, rgba };

    Kind kind = Kind::png;
    std::shared_ptr<const std::vector<uint8_t>> bytes;
    int width = 0; // rgba only
    int height = 0; // rgba only

    static KittyGraphicsPayload png(std::vector<uint8_t> data)
    {
        return {Kind::png, std::make_shared<const std::vector<uint8_t>>(std::move(data)), 0, 0};
    }

    static KittyGraphicsPayload rgba(std::vector<uint8_t> pixels, int width, int height)
    {
        return {Kind::rgba, std::make_shared<const std::vector<uint8_t>>(std::move(pixels)), width, height};
    }

    // The PNG's length or the RGBA byte count.
    int64_t byteSize() const { return bytes ? static_cast<int64_t>(bytes->size()) : 0; }
};

} // namespace corvel
