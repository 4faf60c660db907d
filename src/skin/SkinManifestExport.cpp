#include "skin/SkinManifestExport.h"

#include <cmath>

namespace velmora {

double SkinManifestExport::exportScale(double pixelWidth, double editorWidth)
{
    if (!(editorWidth > 0))
        return 1.0;
    return std::round(pixelWidth * 0.5) / editorWidth;
}

bool SkinManifestExport::writeSkinJSON(const QString& skinFolder, QString* error, const FilesFirst& filesFirst) const
{
    return write(skinFolder, toJson(), error, filesFirst);
}

} // namespace velmora
