#pragma once

#include <cstdint>

namespace corvel {

// Bounds on what one Kitty graphics command may make the terminal read,
// inflate and keep. Tests lower them; the terminal uses the defaults.
struct KittyGraphicsLimits {
    // Decoded payload bytes, file and shared-memory sizes, bytes read from
    // either and inflated bytes.
    int64_t payloadBytes = 419'430'400;
    // Every pixel width and height of a raw or PNG image.
    int maximumSide = 10'000;
    // Inflated bytes of a compressed PNG. A raw image inflates to exactly
    // its declared size and no further.
    int64_t pngBytes = 64 << 20;

    // The base64 text of a chunked transfer: the encoded size of the payload
    // limit plus room for line breaks and padding between chunks.
    int64_t pendingBase64Bytes() const { return (payloadBytes + 2) / 3 * 4 + payloadBytes / 16 + 65'536; }
};

} // namespace corvel
