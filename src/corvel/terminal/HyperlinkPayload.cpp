#include "corvel/terminal/HyperlinkPayload.h"

#include <vector>

#include "corvel/terminal/LinkDetector.h"

namespace corvel {

namespace {

std::vector<std::string_view> nonEmptyPieces(std::string_view text, char separator)
{
    std::vector<std::string_view> pieces;
    while (true) {
        const size_t at = text.find(separator);
        const std::string_view piece = text.substr(0, at);
        if (!piece.empty())
            pieces.push_back(piece);
        if (at == std::string_view::npos)
            break;
        text.remove_prefix(at + 1);
    }
    return pieces;
}

} // namespace

std::optional<HyperlinkPayload> HyperlinkPayload::parse(std::string_view payload)
{
    std::optional<std::string> url = LinkDetector::parseHyperlinkPayload(payload);
    if (!url || url->empty())
        return std::nullopt;
    HyperlinkPayload result;
    result.url = std::move(*url);
    for (std::string_view pair : nonEmptyPieces(payload.substr(0, payload.find(';')), ':')) {
        const std::vector<std::string_view> parts = nonEmptyPieces(pair, '=');
        if (parts.size() == 2)
            result.params[std::string(parts[0])] = std::string(parts[1]);
    }
    return result;
}

} // namespace corvel
