#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace corvel {

// The payload OSC 8 attaches to cells, "params;URL": the URL is everything
// after the first ";" (URLs may hold ";" themselves), and the parameters are
// key=value pairs separated by ":".
struct HyperlinkPayload {
    std::string url;
    std::map<std::string, std::string> params;

    // None without a ";" or with an empty URL. Empty pieces are skipped, a
    // pair that is not exactly key=value is ignored, and a later key
    // replaces an earlier one.
    static std::optional<HyperlinkPayload> parse(std::string_view payload);

    friend bool operator==(const HyperlinkPayload&, const HyperlinkPayload&) = default;
};

} // namespace corvel
