#pragma once

#include <QString>

// The folder of resources delivered with the application: skins, fonts, the
// release notes and the logo. It is "share/velmora" beside the executable's
// "bin" folder, or the folder named by VELMORA_RESOURCES_DIR when that is set.
// A missing folder counts as empty: its paths are still given, and listing them
// finds nothing.
namespace velmora::AppResources {

QString resourceDir();

// True when the resource folder exists as a folder.
bool hasResourceDir();

// "Skins": one folder per bundled skin.
QString skinsDir();

// "Fonts": font files registered for this process at start-up.
QString fontsDir();

// A file or folder inside the resource folder, by its relative path.
QString filePath(const QString& relativePath);

} // namespace velmora::AppResources
