#include <gtest/gtest.h>

#include "corvel/base/ProfileSpan.h"

namespace corvel {
namespace {

TEST(ProfileSpan, OnlyExactlyOneTurnsTheSpansOn)
{
    struct Case {
        const char* value;
        bool on;
    };
    for (const Case c : {Case{"1", true},
                         Case{nullptr, false},
                         Case{"", false},
                         Case{"0", false},
                         Case{"01", false},
                         Case{"1 ", false},
                         Case{"true", false}})
        EXPECT_EQ(Profile::enabledBy(c.value), c.on) << (c.value ? c.value : "unset");
}

} // namespace
} // namespace corvel
