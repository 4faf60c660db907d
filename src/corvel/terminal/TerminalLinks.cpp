// LINKS
//
// The link at a cell: an OSC 8 link first, then (when asked) a URL or path
// found in the text around it. Lookups read the screen the view shows.

#include "corvel/terminal/LinkDetector.h"
#include "corvel/terminal/Terminal.h"

namespace corvel {

std::optional<LinkMatch> Terminal::linkMatch(const LinkLookupLocation& at, LinkLookupMode mode)
{
    const LinkDetector detector(displayBuffer(), cols, graphemes_);
    const std::optional<Position> position = detector.resolveLinkLocation(at);
    if (!position)
        return std::nullopt;
    if (auto match = detector.explicitLinkMatch(*position))
        return match;
    if (mode == LinkLookupMode::explicitAndImplicit)
        return detector.implicitLinkMatch(*position);
    return std::nullopt;
}

std::optional<std::string> Terminal::link(const LinkLookupLocation& at, LinkLookupMode mode)
{
    if (auto match = linkMatch(at, mode))
        return std::move(match->text);
    return std::nullopt;
}

std::optional<Position> Terminal::resolveLinkLocation(const LinkLookupLocation& location, Buffer& buffer)
{
    return LinkDetector(buffer, cols, graphemes_).resolveLinkLocation(location);
}

std::optional<LinkMatch> Terminal::explicitLinkMatch(Position at, Buffer& buffer)
{
    return LinkDetector(buffer, cols, graphemes_).explicitLinkMatch(at);
}

std::optional<LinkMatch> Terminal::implicitLinkMatch(Position at, Buffer& buffer)
{
    return LinkDetector(buffer, cols, graphemes_).implicitLinkMatch(at);
}

} // namespace corvel
