#include "corvel/parser/ParserHandler.h"

#include <cstdio>

namespace corvel {

void ParserHandler::csiFallback(const SequenceParams& /*pars*/, const Intermediates& /*collect*/, uint8_t code)
{
    std::printf("Cannot handle ESC-%u\n", static_cast<unsigned>(code));
}

} // namespace corvel
