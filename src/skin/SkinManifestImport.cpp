#include "skin/SkinManifestImport.h"

#include "skin/SkinFolders.h"

#include <QFileInfo>

namespace velmora {

std::optional<SkinManifestImport> SkinManifestImport::decode(const QByteArray& bytes, QString* error)
{
    auto file = SkinManifestFile::decode(bytes, error, Schema::builder);
    if (!file)
        return std::nullopt;
    return SkinManifestImport{std::move(*file)};
}

std::optional<SkinManifestImport> SkinManifestImport::readFolder(const QString& skinFolder, QString* message)
{
    const QString path = SkinFolders::manifestPath(skinFolder);
    if (!QFileInfo::exists(path)) {
        if (message)
            *message = noSkinJSONMessage;
        return std::nullopt;
    }
    const auto bytes = SkinFolders::readManifest(path);
    auto file = bytes ? decode(*bytes) : std::nullopt;
    if (!file && message)
        *message = malformedMessage;
    return file;
}

} // namespace velmora
