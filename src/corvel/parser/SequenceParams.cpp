#include "corvel/parser/SequenceParams.h"

#include <algorithm>

namespace corvel {

bool SequenceParams::hasSubParameters() const
{
    auto seps = separators();
    return std::find(seps.begin(), seps.end(), uint8_t(':')) != seps.end();
}

} // namespace corvel
