// What a program in the terminal (possibly a remote one) can throw at it
// without freezing it, growing its memory without bound or losing anything.
#include "TerminalTestSupport.h"

#include "support/DebugDiagnostics.h"

#include <gtest/gtest.h>

#include <string>

using namespace corvel;
using namespace corvel::test;

namespace {

std::string repeated(std::string_view piece, size_t totalBytes)
{
    std::string out;
    out.reserve(totalBytes + piece.size());
    while (out.size() < totalBytes)
        out += piece;
    return out;
}

TEST(HostileInput, AFloodOfUnknownAttributesWritesAFewDiagnosticLines)
{
    RecordingDelegate host;
    Terminal t(&host, sized(80, 24));
    std::string sequence = "\x1b[";
    for (int i = 0; i < 32; ++i)
        sequence += i ? ";66" : "66";
    sequence += "m";
    const std::string flood = repeated(sequence, 4 << 20);

    const velmora::test::DebugDiagnostics debug(true);
    testing::internal::CaptureStderr();
    t.feed(flood);
    const std::string out = testing::internal::GetCapturedStderr();
    // Once per sequence at most, and only a burst of those.
    EXPECT_LT(out.size(), 64u * 1024) << out.substr(0, 400);
    EXPECT_EQ(out.rfind("Unknown SGR attribute: 66 [66, 66,", 0), 0u) << out.substr(0, 400);
}

} // namespace
