// Feeds Kitty graphics commands to the handler: the input is split at line
// feeds into the bodies of successive APC "G" strings, so chunked transfers,
// the store and its eviction see sequences of commands. Stored PNG images are
// decoded as the display would.
//
// Note: commands may name files and shared-memory objects; temporary files
// are only removed from temporary places with "tty-graphics-protocol" in
// their path.

#include "corvel/images/KittyGraphicsHandler.h"
#include "corvel/images/PngDecoder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace {

class FuzzHost : public corvel::KittyGraphicsHost {
public:
    void sendKittyReply(std::span<const uint8_t> reply) override { replyBytes += reply.size(); }
    bool sendsEightBitControls() const override { return eightBit; }
    int64_t kittyImageCacheLimitBytes() const override { return 32 << 20; }
    void collectKittyImageIdsOnLines(corvel::KittyImageIdSet& ids) override { ids.insert(1); }
    std::optional<std::string> displayKittyImage(const corvel::KittyGraphicsPayload& payload,
                                                 const corvel::KittyGraphicsControl&, std::optional<uint32_t>,
                                                 std::optional<uint32_t>) override
    {
        if (payload.kind == corvel::KittyGraphicsPayload::Kind::png)
            corvel::PngDecoder::decodeToRgba(*payload.bytes);
        return std::nullopt;
    }
    std::optional<std::string> deleteKittyImages(const corvel::KittyGraphicsControl&) override { return std::nullopt; }

    bool eightBit = false;
    size_t replyBytes = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Room for chunked transfers of several MiB and their inflated pictures.
    corvel::KittyGraphicsLimits limits;
    limits.payloadBytes = 16 << 20;
    limits.maximumSide = 4096;
    limits.pngBytes = 16 << 20;
    corvel::KittyGraphicsState state;
    FuzzHost host;
    host.eightBit = size > 0 && (data[0] & 1);

    std::span<const uint8_t> input(data, size);
    while (!input.empty()) {
        auto end = std::find(input.begin(), input.end(), static_cast<uint8_t>('\n'));
        size_t length = static_cast<size_t>(end - input.begin());
        corvel::KittyGraphicsHandler(state, host, limits).handleKittyGraphics(input.first(length));
        input = input.subspan(std::min(input.size(), length + 1));
    }
    corvel::KittyGraphicsHandler(state, host, limits).cleanupUnusedKittyImages();
    return 0;
}
