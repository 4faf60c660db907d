#include "corvel/base/Utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace corvel {
namespace {

struct Utf8Case {
    const char* name;
    std::string bytes;
    bool wellFormed;
    std::vector<char32_t> scalars; // each ill-formed piece as one U+FFFD
};

const std::vector<Utf8Case> cases = {
    {"empty", "", true, {}},
    {"ascii", "ab", true, {'a', 'b'}},
    {"two bytes", "\xC3\xA9", true, {0xE9}},
    {"three bytes", "\xE2\x82\xAC", true, {0x20AC}},
    {"four bytes", "\xF0\x9F\x98\x80", true, {0x1F600}},
    {"last scalar", "\xF4\x8F\xBF\xBF", true, {0x10FFFF}},
    {"lone continuation", "a\x80z", false, {'a', 0xFFFD, 'z'}},
    {"overlong two bytes", "\xC0\xAF", false, {0xFFFD, 0xFFFD}},
    {"overlong three bytes", "\xE0\x80\xAF", false, {0xFFFD, 0xFFFD, 0xFFFD}},
    {"surrogate", "\xED\xA0\x80", false, {0xFFFD, 0xFFFD, 0xFFFD}},
    {"past U+10FFFF", "\xF4\x90\x80\x80", false, {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}},
    {"truncated at the end", "a\xE2\x82", false, {'a', 0xFFFD}},
    {"truncated before ascii", "\xF0\x9F\x98z", false, {0xFFFD, 'z'}},
    {"invalid lead", "\xFF", false, {0xFFFD}},
};

TEST(Utf8, ChecksAndDecodesWellAndIllFormedText)
{
    for (const Utf8Case& c : cases) {
        EXPECT_EQ(isValidUtf8(c.bytes), c.wellFormed) << c.name;
        const std::span<const std::uint8_t> bytes{reinterpret_cast<const std::uint8_t*>(c.bytes.data()),
                                                  c.bytes.size()};
        EXPECT_EQ(isValidUtf8(bytes), c.wellFormed) << c.name;
        EXPECT_EQ(decodeUtf8(c.bytes), c.scalars) << c.name;
    }
}

TEST(Utf8, EncodesEveryScalarAndReplacesWhatIsNone)
{
    for (char32_t scalar : {0x41u, 0xE9u, 0x20ACu, 0x1F600u, 0x10FFFFu}) {
        std::string text;
        appendUtf8(text, scalar);
        EXPECT_TRUE(isValidUtf8(text));
        EXPECT_EQ(decodeUtf8(text), std::vector<char32_t>{scalar});
    }
    for (char32_t notAScalar : {0xD800u, 0xDFFFu, 0x110000u}) {
        std::string text;
        appendUtf8(text, notAScalar);
        EXPECT_EQ(text, "\xEF\xBF\xBD");
    }
}

} // namespace
} // namespace corvel
