#pragma once

#include "corvel/base/Diagnostics.h"

namespace velmora::test {

// Sets the debug level of the diagnostics sink for one scope and puts the
// earlier setting back at its end.
class DebugDiagnostics {
public:
    explicit DebugDiagnostics(bool enabled) : was_(corvel::debugDiagnosticsEnabled())
    {
        corvel::setDebugDiagnosticsEnabled(enabled);
    }
    ~DebugDiagnostics() { corvel::setDebugDiagnosticsEnabled(was_); }
    DebugDiagnostics(const DebugDiagnostics&) = delete;
    DebugDiagnostics& operator=(const DebugDiagnostics&) = delete;

private:
    bool was_;
};

} // namespace velmora::test
