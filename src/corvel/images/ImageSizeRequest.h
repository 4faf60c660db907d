#pragma once

namespace corvel {

// The requested width or height of an inline image.
struct ImageSizeRequest {
    enum class Kind { cells, pixels, percent, automatic };

    Kind kind = Kind::automatic;
    int value = 0;

    static constexpr ImageSizeRequest cells(int n) { return {Kind::cells, n}; }
    static constexpr ImageSizeRequest pixels(int n) { return {Kind::pixels, n}; }
    static constexpr ImageSizeRequest percent(int n) { return {Kind::percent, n}; }
    static constexpr ImageSizeRequest automatic() { return {Kind::automatic, 0}; }

    friend constexpr bool operator==(const ImageSizeRequest&, const ImageSizeRequest&) = default;
};

} // namespace corvel
