#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace corvel {

// Inflates one complete zlib stream (header, DEFLATE data, Adler-32). Fails
// on a damaged or truncated stream and as soon as the output would exceed
// `maxOutputBytes`.
std::optional<std::vector<uint8_t>> inflateZlib(std::span<const uint8_t> input, size_t maxOutputBytes);

} // namespace corvel
