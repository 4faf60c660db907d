#include "corvel/parser/ParserHandler.h"
#include "corvel/base/Diagnostics.h"

namespace corvel {

void ParserHandler::csiFallback(const SequenceParams& /*pars*/, const Intermediates& /*collect*/, uint8_t code)
{
    writeDebugDiagnosticf(diagnosticLimiter, "Cannot handle ESC-%u", static_cast<unsigned>(code));
}

} // namespace corvel
