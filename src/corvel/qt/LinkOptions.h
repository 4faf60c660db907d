#pragma once

#include <cstdint>

namespace corvel {

// Which links the view reports.
enum class LinkReporting : uint8_t { none, explicitLinks, implicitLinks };

// When a link is drawn highlighted (with a dashed underline).
enum class LinkHighlightMode : uint8_t { always, alwaysWithModifier, hover, hoverWithModifier };

} // namespace corvel
