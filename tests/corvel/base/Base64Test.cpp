#include "corvel/base/Base64.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace corvel {
namespace {

std::span<const uint8_t> bytesOf(const char* text)
{
    return {reinterpret_cast<const uint8_t*>(text), std::char_traits<char>::length(text)};
}

std::optional<std::string> asText(const std::optional<std::vector<uint8_t>>& bytes)
{
    if (!bytes)
        return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
}

struct Base64Case {
    const char* input;
    std::optional<std::string> strict;
    std::optional<std::string> lenient;
};

class Base64Decoding : public ::testing::TestWithParam<Base64Case> {};

TEST_P(Base64Decoding, DecodesOrRefuses)
{
    const Base64Case& c = GetParam();
    EXPECT_EQ(asText(Base64::decode(bytesOf(c.input))), c.strict) << c.input;
    EXPECT_EQ(asText(Base64::decodeLenient(bytesOf(c.input), 1024)), c.lenient) << c.input;
}

const std::nullopt_t refused = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Cases, Base64Decoding,
    ::testing::Values(Base64Case{"", std::string(), std::string()},
                      Base64Case{"SGVsbG8=", std::string("Hello"), std::string("Hello")},
                      Base64Case{"SGVsbA==", std::string("Hell"), std::string("Hell")},
                      Base64Case{"SGVsbG8", refused, std::string("Hello")}, // unpadded end
                      Base64Case{
                          "SGVs\nbG8g\r\nV29y bGQ=", refused, std::string("Hello World")}, // line breaks and spaces
                      Base64Case{"QQ==QkM=RA==", refused, std::string("ABCD")}, // pieces padded one by one
                      Base64Case{"QUJD", std::string("ABC"), std::string("ABC")},
                      Base64Case{"QUJDR", refused, refused}, // a lone character
                      Base64Case{"Q===", refused, refused},
                      Base64Case{"QU=D", refused, refused}, // padding inside a group
                      Base64Case{"====", refused, std::string()}));

TEST(Base64, LenientOutputLimitIsEnforced)
{
    EXPECT_TRUE(Base64::decodeLenient(bytesOf("QUJD"), 3));
    EXPECT_FALSE(Base64::decodeLenient(bytesOf("QUJDRA=="), 3));
    EXPECT_FALSE(Base64::decodeLenient(bytesOf("QUJDRA"), 3));
}

} // namespace
} // namespace corvel
