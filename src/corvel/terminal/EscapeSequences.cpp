#include "corvel/terminal/EscapeSequences.h"

namespace corvel {

namespace {

constexpr std::array<uint8_t, 3> f1{0x1B, 'O', 'P'};
constexpr std::array<uint8_t, 3> f2{0x1B, 'O', 'Q'};
constexpr std::array<uint8_t, 3> f3{0x1B, 'O', 'R'};
constexpr std::array<uint8_t, 3> f4{0x1B, 'O', 'S'};
// 16 and 22 are not function keys.
constexpr std::array<uint8_t, 5> f5{0x1B, '[', '1', '5', '~'};
constexpr std::array<uint8_t, 5> f6{0x1B, '[', '1', '7', '~'};
constexpr std::array<uint8_t, 5> f7{0x1B, '[', '1', '8', '~'};
constexpr std::array<uint8_t, 5> f8{0x1B, '[', '1', '9', '~'};
constexpr std::array<uint8_t, 5> f9{0x1B, '[', '2', '0', '~'};
constexpr std::array<uint8_t, 5> f10{0x1B, '[', '2', '1', '~'};
constexpr std::array<uint8_t, 5> f11{0x1B, '[', '2', '3', '~'};
constexpr std::array<uint8_t, 5> f12{0x1B, '[', '2', '4', '~'};

} // namespace

const std::array<EscapeSequences::Bytes, 12> EscapeSequences::cmdF{
    Bytes(f1),
    Bytes(f2),
    Bytes(f3),
    Bytes(f4),
    Bytes(f5),
    Bytes(f6),
    Bytes(f7),
    Bytes(f8),
    Bytes(f9),
    Bytes(f10),
    Bytes(f11),
    Bytes(f12),
};

} // namespace corvel
