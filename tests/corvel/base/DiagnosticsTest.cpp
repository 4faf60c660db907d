#include <gtest/gtest.h>

#include "corvel/base/Diagnostics.h"

namespace corvel {
namespace {

class DiagnosticsLevels : public ::testing::Test {
protected:
    void SetUp() override { wasEnabled_ = debugDiagnosticsEnabled(); }
    void TearDown() override { setDebugDiagnosticsEnabled(wasEnabled_); }

    // Everything the block writes on standard error.
    template <typename Block> static std::string stderrOf(Block block)
    {
        ::testing::internal::CaptureStderr();
        block();
        return ::testing::internal::GetCapturedStderr();
    }

private:
    bool wasEnabled_ = false;
};

TEST_F(DiagnosticsLevels, DebugLinesAreSilentUntilSwitchedOn)
{
    setDebugDiagnosticsEnabled(false);
    EXPECT_EQ(stderrOf([] {
                  writeDebugDiagnostic("chatter");
                  writeDebugDiagnosticf("x=%d", 3);
              }),
              "");
    setDebugDiagnosticsEnabled(true);
    EXPECT_EQ(stderrOf([] {
                  writeDebugDiagnostic("chatter");
                  writeDebugDiagnosticf("x=%d", 3);
              }),
              "chatter\nx=3\n");
}

TEST_F(DiagnosticsLevels, WarningsAreWrittenAtEitherLevel)
{
    for (const bool debug : {false, true}) {
        setDebugDiagnosticsEnabled(debug);
        EXPECT_EQ(stderrOf([] {
                      writeDiagnostic("warning");
                      writeDiagnosticf("%s %d", "count", 2);
                  }),
                  "warning\ncount 2\n");
    }
}

TEST(DiagnosticsEnvironment, AnyValueButEmptyOrZeroAsksForDebugLines)
{
    const std::vector<std::pair<const char*, bool>> cases = {
        {nullptr, false},
        {"", false},
        {"0", false},
        {"1", true},
        {"yes", true},
        {"00", true},
    };
    for (const auto& [value, expected] : cases)
        EXPECT_EQ(debugDiagnosticsRequested(value), expected) << (value ? value : "unset");
}

} // namespace
} // namespace corvel
