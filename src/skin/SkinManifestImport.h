#pragma once

#include "skin/SkinManifestFile.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace velmora {

// A "skin.json" as the skin builder reads it back to edit it: the skin
// file's record read by the builder's schema. Unlike the run-time reading it
// requires every rectangle's corner radius, leaves the palette's colours
// optional and reads the builder's own keys.
struct SkinManifestImport : SkinManifestFile {
    using ImportPalette = Palette;

    static inline const QString noSkinJSONMessage = QStringLiteral("No skin.json in that folder.");
    static inline const QString malformedMessage = QStringLiteral("skin.json is malformed.");

    static std::optional<SkinManifestImport> decode(const QByteArray& bytes, QString* error = nullptr);

    // Reads a skin folder's "skin.json"; on failure message is
    // noSkinJSONMessage or malformedMessage, the texts shown to the user.
    static std::optional<SkinManifestImport> readFolder(const QString& skinFolder, QString* message = nullptr);
};

} // namespace velmora
