#pragma once

#include "corvel/images/SixelDecoder.h"
#include "corvel/images/SixelHost.h"
#include "corvel/parser/DcsHandler.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace corvel {

// Collects the data of one DCS "q" string and, at its end, decodes it as
// Sixel and hands the bitmap to the host. The collected data is bounded;
// bytes past the bound are dropped and what fitted is still decoded.
class SixelDcsHandler : public DcsHandler {
public:
    static constexpr size_t defaultMaximumDataBytes = size_t{64} * 1024 * 1024;

    explicit SixelDcsHandler(SixelHost& host, size_t maximumDataBytes = defaultMaximumDataBytes,
                             int maximumSide = SixelDecoder::defaultMaximumSide);

    void hook(const Intermediates& collect, const SequenceParams& parameters, uint8_t flag) override;
    void put(std::span<const uint8_t> data) override;
    void unhook() override;

    size_t collectedBytes() const { return data_.size(); }

private:
    SixelHost& host_;
    size_t maximumDataBytes_;
    int maximumSide_;
    std::vector<uint8_t> data_;
};

} // namespace corvel
