#pragma once

#include "skinbuilder/SkinManifestExport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace velmora {

// A "skin.json" as the skin builder reads it back to edit it. The records are
// those of SkinManifestExport; decoding is strict: a required member that is
// missing, null or ill-typed, or an optional one that is ill-typed, fails the
// whole file. Unknown members are ignored. Unlike the run-time reader it
// requires viewport.cornerRadius and leaves the palette's colours optional.
struct SkinManifestImport {
    using Frame = SkinManifestExport::Frame;
    using Point = SkinManifestExport::Point;
    using Viewport = SkinManifestExport::Viewport;
    using Button = SkinManifestExport::Button;
    using Key = SkinManifestExport::Key;
    using Effects = SkinManifestExport::Effects;
    using Drawer = SkinManifestExport::Drawer;

    static inline const QString noSkinJSONMessage = QStringLiteral("No skin.json in that folder.");
    static inline const QString malformedMessage = QStringLiteral("skin.json is malformed.");

    struct ImportPalette {
        std::optional<QString> foreground;
        std::optional<QString> background;
        std::optional<QString> cursor;
        std::optional<QStringList> ansi;
    };

    QString name;
    std::optional<QString> author;
    std::optional<QString> version;
    Frame frame;
    Viewport viewport;
    ImportPalette palette;
    std::vector<Button> buttons;
    std::optional<std::vector<Key>> keys;
    std::optional<Effects> effects;
    std::optional<Drawer> drawer;
    std::optional<double> launchScale;
    std::optional<bool> screenInFront;

    static std::optional<SkinManifestImport> decode(const QByteArray& bytes, QString* error = nullptr);

    // Reads a skin folder's "skin.json"; on failure message is
    // noSkinJSONMessage or malformedMessage, the texts shown to the user.
    static std::optional<SkinManifestImport> readFolder(const QString& skinFolder, QString* message = nullptr);
};

} // namespace velmora
