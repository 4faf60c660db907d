#pragma once

#include <QString>

// Every folder and file the application reads or writes outside its resource
// folder. Paths are computed from the environment (XDG_DATA_HOME, HOME) on each
// call; computing a path never creates anything on disk.
namespace velmora::AppPaths {

// The per-user data folder ("~/.local/share/Velmora" by default).
QString appSupport();
QString settingsFile();
QString skinsDir();
QString crashesDir();
QString crashesPendingDir();

// Files of an earlier status-line integration, removed at start-up.
QString claudeSettings();
QString claudeStatuslineScript();
QString legacyClaudeStatuslineScript();

// Moves the data folders of earlier releases forward, "Vossel" to "Rundell"
// and then "Rundell" to "Velmora", each only when the source exists and the
// target does not. Logs each move or failure; never fails outward. Called once,
// first thing at start-up, before anything can create the data folder.
void migrateLegacyAppSupportIfNeeded();

} // namespace velmora::AppPaths
