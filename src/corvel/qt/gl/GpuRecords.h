#pragma once

#include <cstddef>
#include <cstdint>

namespace corvel {

// The records the GPU renderer writes into its buffers. Their byte layout is
// the interface with the shader stages (vertex attributes at fixed offsets),
// so it is fixed and checked below. Positions and sizes are drawable pixels,
// origin at the lower-left corner, y upwards; texture coordinates are
// normalised, v = 0 at the picture's bottom row; colours are red, green,
// blue, alpha from 0 to 1.
struct alignas(8) GpuFloat2 {
    float x = 0;
    float y = 0;
    friend bool operator==(const GpuFloat2&, const GpuFloat2&) = default;
};

struct alignas(16) GpuFloat4 {
    float r = 0;
    float g = 0;
    float b = 0;
    float a = 0;
    friend bool operator==(const GpuFloat4&, const GpuFloat4&) = default;
};

// One vertex of a textured quad drawn as two triangles.
struct GlyphVertex {
    GpuFloat2 position;
    GpuFloat2 texCoord;
    GpuFloat4 color;
};

// One vertex of a solid quad.
struct ColorVertex {
    GpuFloat2 position;
    GpuFloat2 padding;
    GpuFloat4 color;
};

// A textured rectangle drawn as one instance: position is its lower-left
// corner, texOrigin the texture coordinate there, texSize the extent to the
// upper-right corner.
struct TextCell {
    GpuFloat2 position;
    GpuFloat2 size;
    GpuFloat2 texOrigin;
    GpuFloat2 texSize;
    GpuFloat4 color;
};

// A solid rectangle drawn as one instance.
struct ColorCell {
    GpuFloat2 position;
    GpuFloat2 size;
    GpuFloat4 color;
};

static_assert(sizeof(GpuFloat2) == 8 && alignof(GpuFloat2) == 8);
static_assert(sizeof(GpuFloat4) == 16 && alignof(GpuFloat4) == 16);
static_assert(offsetof(GlyphVertex, position) == 0 && offsetof(GlyphVertex, texCoord) == 8
              && offsetof(GlyphVertex, color) == 16 && sizeof(GlyphVertex) == 32);
static_assert(offsetof(ColorVertex, position) == 0 && offsetof(ColorVertex, color) == 16 && sizeof(ColorVertex) == 32);
static_assert(offsetof(TextCell, position) == 0 && offsetof(TextCell, size) == 8 && offsetof(TextCell, texOrigin) == 16
              && offsetof(TextCell, texSize) == 24 && offsetof(TextCell, color) == 32 && sizeof(TextCell) == 48);
static_assert(offsetof(ColorCell, position) == 0 && offsetof(ColorCell, size) == 8 && offsetof(ColorCell, color) == 16
              && sizeof(ColorCell) == 32);

// How a frame's rows reach the GPU: each visible row keeps buffers of its
// own across frames, or all rows are gathered into one set per frame.
enum class GpuBufferingMode : uint8_t { perRowPersistent, perFrameAggregated };

} // namespace corvel
