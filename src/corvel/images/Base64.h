#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace corvel {

// Decodes standard base64 text. Bytes outside the alphabet (line breaks,
// spaces) are skipped. "=" closes the current group, so text made of
// separately padded pieces ("QQ==QkM=") decodes as their concatenation; a
// missing final padding is accepted. A group of a single character cannot
// be decoded and fails, as does output beyond `maxOutputBytes`.
std::optional<std::vector<uint8_t>> decodeBase64(std::span<const uint8_t> text, size_t maxOutputBytes);

} // namespace corvel
