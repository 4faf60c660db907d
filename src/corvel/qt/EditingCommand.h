#pragma once

#include <optional>

#include "corvel/terminal/EditingCommand.h"

namespace corvel {

struct KeyInput;

// The command a key stands for; nothing for keys that type text or do
// nothing at all.
std::optional<EditingCommand> editingCommandFor(const KeyInput& key);

} // namespace corvel
