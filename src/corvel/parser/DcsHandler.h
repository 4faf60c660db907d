#pragma once

#include "corvel/parser/Intermediates.h"
#include "corvel/parser/SequenceParams.h"

#include <cstdint>
#include <span>

namespace corvel {

// Receives one device control string: hook() when its final byte arrives,
// put() for the data (any number of times, each a view that is valid only
// during the call), unhook() when the string ends with ESC (normally ESC \)
// or an 8-bit ST. A string abandoned on the way (by EM, SUB, the length limit
// or the parser's reset(); CAN is data here) gets no unhook(): the parser only
// forgets the handler, so hook() must start from a clean state.
class DcsHandler {
public:
    virtual ~DcsHandler() = default;

    virtual void hook(const Intermediates& collect, const SequenceParams& parameters, uint8_t flag) = 0;
    virtual void put(std::span<const uint8_t> data) = 0;
    virtual void unhook() = 0;
};

} // namespace corvel
