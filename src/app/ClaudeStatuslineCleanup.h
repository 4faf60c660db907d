#pragma once

// Removes the status-line shim that earlier releases installed into another
// program's settings, "~/.claude/settings.json" (start-up step 6), and deletes
// the two shim scripts beside it. The settings file is rewritten only when its
// "statusLine" entry carries the shim's marker ("_rundell" or "_vossel" set to
// true): the entry becomes the command configured before the shim
// ("_originalCommand") or goes away, and every other key is kept. The new
// file replaces the old one in one step, keeping its permissions; a symbolic
// link is followed, so the link stays and its target is updated. Every
// failure is quiet.
namespace velmora::ClaudeStatuslineCleanup {

void uninstall();

} // namespace velmora::ClaudeStatuslineCleanup
