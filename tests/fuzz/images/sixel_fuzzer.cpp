// Feeds Sixel data to the DCS handler in pieces, as the parser does, and
// checks that the delivered bitmap matches its stated size.

#include "corvel/images/SixelDcsHandler.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

class FuzzHost : public corvel::SixelHost {
public:
    FuzzHost() : palette(corvel::Color::generateXtermPalette({})) {}

    std::span<const corvel::Color> sixelDefaultPalette() const override { return palette; }
    void createImageFromBitmap(std::vector<uint8_t>&& rgba, int width, int height) override
    {
        if (width < 0 || height < 0 || rgba.size() != size_t(width) * size_t(height) * 4)
            std::abort();
    }

    std::vector<corvel::Color> palette;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzHost host;
    // The terminal's own limits, so long repeats and large canvases are met.
    corvel::SixelDcsHandler handler(host);
    handler.hook({}, {}, 'q');
    std::span<const uint8_t> input(data, size);
    size_t piece = size > 0 ? (data[0] % 61) + 1 : 1;
    while (!input.empty()) {
        size_t length = std::min(piece, input.size());
        handler.put(input.first(length));
        input = input.subspan(length);
    }
    handler.unhook();
    return 0;
}
