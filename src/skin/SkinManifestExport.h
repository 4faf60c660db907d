#pragma once

#include "skin/SkinManifestFile.h"

#include <QString>

namespace velmora {

// The "skin.json" the skin builder writes: the skin file's record, filled by
// the builder through the record's fromEditor() helpers, with the version
// "1.0" and the picture "frame@2x.png". Coordinates are in design space; the
// editor's values (picture points) are turned into it with the export scale k.
struct SkinManifestExport : SkinManifestFile {
    static inline const QString version1 = QStringLiteral("1.0");

    SkinManifestExport() { version = version1; }

    // k: design units per editor point, from the picture's widths.
    static double exportScale(double pixelWidth, double editorWidth);

    // Writes "skin.json" into the folder (after filesFirst) in one atomic
    // replace.
    bool writeSkinJSON(const QString& skinFolder, QString* error = nullptr, const FilesFirst& filesFirst = {}) const;
};

} // namespace velmora
