#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Base64 (RFC 4648 alphabet) in the two strengths the engine needs.
namespace corvel::Base64 {

// Strict decoding for clipboard and file payloads: any byte outside the
// alphabet, a line break included, or a length that is not a multiple of
// four makes the decoding fail; "=" may only pad the last group.
std::optional<std::vector<uint8_t>> decode(std::span<const uint8_t> text);

// Lenient decoding for graphics payloads. Bytes outside the alphabet (line
// breaks, spaces) are skipped. "=" closes the current group, so text made of
// separately padded pieces ("QQ==QkM=") decodes as their concatenation; a
// missing final padding is accepted. A group of a single character cannot be
// decoded and fails, as does output beyond `maxOutputBytes`.
std::optional<std::vector<uint8_t>> decodeLenient(std::span<const uint8_t> text, size_t maxOutputBytes);

} // namespace corvel::Base64
