#pragma once

namespace corvel {

// Which links a lookup reports: only those a program marked (OSC 8), or
// also URLs and paths found in the text.
enum class LinkLookupMode { explicitOnly, explicitAndImplicit };

} // namespace corvel
