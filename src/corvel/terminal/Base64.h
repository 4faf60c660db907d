#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace corvel::Base64 {

// Decodes standard Base64 (RFC 4648 alphabet, "=" padding). Any byte outside
// the alphabet, a line break included, or a length that is not a multiple of
// four makes the decoding fail.
std::optional<std::vector<uint8_t>> decode(std::span<const uint8_t> text);

} // namespace corvel::Base64
