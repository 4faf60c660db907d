#pragma once

#include <QString>

// Makes the fonts delivered in the resource folder's "Fonts" usable by this
// process (start-up step 3). Only ".ttf" files are registered, whatever the
// case of the extension. Never fails outward; a font that cannot be loaded is
// logged and skipped, and a font already registered is left alone, so running
// it again is harmless. Needs the GUI application object.
namespace velmora::FontRegistrar {

void registerBundledFonts();

// Registers the ".ttf" files of one folder (hidden files included); a missing
// folder registers nothing, silently. Returns how many fonts were added now.
int registerFonts(const QString& folder);

} // namespace velmora::FontRegistrar
