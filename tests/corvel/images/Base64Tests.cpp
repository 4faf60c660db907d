#include "corvel/images/Base64.h"

#include "ImageTestSupport.h"

#include <gtest/gtest.h>

namespace corvel {
namespace {

using testing::bytesOf;

struct Base64Case {
    const char* input;
    std::optional<std::string> decoded;
};

class Base64Decoding : public ::testing::TestWithParam<Base64Case> {};

TEST_P(Base64Decoding, DecodesOrRefuses)
{
    const Base64Case& c = GetParam();
    std::optional<std::vector<uint8_t>> out = decodeBase64(bytesOf(c.input), 1024);
    if (!c.decoded) {
        EXPECT_FALSE(out) << c.input;
        return;
    }
    ASSERT_TRUE(out) << c.input;
    EXPECT_EQ(std::string(out->begin(), out->end()), *c.decoded) << c.input;
}

INSTANTIATE_TEST_SUITE_P(Cases, Base64Decoding, ::testing::Values(
    Base64Case{"", std::string()},
    Base64Case{"SGVsbG8=", std::string("Hello")},
    Base64Case{"SGVsbG8", std::string("Hello")},                // unpadded end
    Base64Case{"SGVs\nbG8g\r\nV29y bGQ=", std::string("Hello World")},
    Base64Case{"QQ==QkM=RA==", std::string("ABCD")},          // pieces padded one by one
    Base64Case{"QUJD", std::string("ABC")},
    Base64Case{"QUJDR", std::nullopt},                          // a lone character cannot be decoded
    Base64Case{"Q===", std::nullopt},
    Base64Case{"====", std::string()}));

TEST(Base64, OutputLimitIsEnforced)
{
    EXPECT_TRUE(decodeBase64(bytesOf("QUJD"), 3));
    EXPECT_FALSE(decodeBase64(bytesOf("QUJDRA=="), 3));
    EXPECT_FALSE(decodeBase64(bytesOf("QUJDRA"), 3));
}

} // namespace
} // namespace corvel
