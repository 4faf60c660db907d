#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

#include "corvel/terminal/HyperlinkPayload.h"

namespace corvel {
namespace {

struct PayloadCase {
    const char* name;
    const char* payload;
    std::optional<HyperlinkPayload> parsed;
};

class HyperlinkPayloads : public ::testing::TestWithParam<PayloadCase> {};

TEST_P(HyperlinkPayloads, SplitIntoUrlAndParameters)
{
    EXPECT_EQ(HyperlinkPayload::parse(GetParam().payload), GetParam().parsed);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Payloads, HyperlinkPayloads,
    ::testing::Values(
        PayloadCase{"ParametersAndUrl", "id=x:foo=bar;https://example.com/",
                    HyperlinkPayload{"https://example.com/", {{"id", "x"}, {"foo", "bar"}}}},
        PayloadCase{"NoParameters", ";https://example.com/", HyperlinkPayload{"https://example.com/", {}}},
        PayloadCase{"UrlKeepsItsSemicolons", ";https://example.com/a;b;c", HyperlinkPayload{"https://example.com/a;b;c", {}}},
        PayloadCase{"NoSemicolon", "https://example.com/", std::nullopt},
        PayloadCase{"EmptyUrl", "id=x;", std::nullopt},
        PayloadCase{"EmptyPiecesAreSkipped", "::a=b::c;u", HyperlinkPayload{"u", {{"a", "b"}}}},
        PayloadCase{"PairsNotExactlyKeyValueAreIgnored", "a=b=c:d=e:=f;u", HyperlinkPayload{"u", {{"d", "e"}}}},
        PayloadCase{"ALaterKeyReplaces", "k=1:k=2;u", HyperlinkPayload{"u", {{"k", "2"}}}}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

} // namespace
} // namespace corvel
