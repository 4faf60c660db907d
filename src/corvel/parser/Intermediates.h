#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace corvel {

// The bytes collected between the introducer and the final byte of an ESC,
// CSI or DCS sequence, in arrival order: a private marker ('<', '=', '>' or
// '?', only as the first byte of a CSI or DCS) and intermediates (0x20-0x2F).
// "CSI ? 1 $ p" collects "?$"; "ESC ( B" collects "(".
//
// At most kCapacity bytes; the parser ignores a sequence that collects more.
class Intermediates {
public:
    static constexpr int kCapacity = 8;

    bool empty() const { return size_ == 0; }
    int size() const { return size_; }
    uint8_t operator[](int index) const { return bytes_[static_cast<size_t>(index)]; }
    std::string_view view() const { return {reinterpret_cast<const char*>(bytes_.data()), static_cast<size_t>(size_)}; }
    bool operator==(std::string_view text) const { return view() == text; }

    // The private marker ('<', '=', '>', '?'), or 0 when there is none.
    uint8_t prefix() const { return size_ > 0 && bytes_[0] >= 0x3C && bytes_[0] <= 0x3F ? bytes_[0] : 0; }
    // The bytes after the private marker.
    std::string_view intermediates() const { return view().substr(prefix() ? 1 : 0); }

    // Building, used by the parser. Returns false when the byte did not fit.
    bool add(uint8_t byte)
    {
        if (size_ == kCapacity)
            return false;
        bytes_[static_cast<size_t>(size_++)] = byte;
        return true;
    }
    void clear() { size_ = 0; }

private:
    std::array<uint8_t, kCapacity> bytes_{};
    int size_ = 0;
};

} // namespace corvel
