#pragma once

#include "skin/SkinManifest.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace velmora {

// A skin folder's "skin.json" as read at run time. Decoding is strict about
// types (a wrong type anywhere fails the whole file) and tolerant about
// content (colours, list lengths); unknown keys are ignored.
struct SkinManifestFile {
    static constexpr const char* fileName = "skin.json";

    struct Frame {
        QString image; // relative to the skin folder
        double width = 0;
        double height = 0;
    };

    struct Point {
        double x = 0;
        double y = 0;
    };

    struct Rect {
        double x = 0;
        double y = 0;
        double width = 0;
        double height = 0;
        std::optional<double> cornerRadius;
        std::optional<std::vector<Point>> corners;
        std::optional<std::vector<double>> cornerRadii;
    };

    struct Palette {
        QString foreground;
        QString background;
        std::optional<QString> cursor;
        std::optional<QStringList> ansi;
    };

    struct Button {
        QString label;
        double x = 0;
        double y = 0;
        double width = 0;
        double height = 0;
        std::optional<QString> key;
    };

    struct Key {
        QString key;
        double x = 0;
        double y = 0;
        double width = 0;
        double height = 0;
        std::optional<QString> shape;
    };

    // Decoded so that a damaged entry fails the file, then not carried over:
    // live effects come from the settings.
    struct Effects {
        std::optional<bool> scanlines;
        std::optional<double> scanlineIntensity;
        std::optional<bool> glow;
        std::optional<double> glowIntensity;
        std::optional<bool> curvature;
        std::optional<double> curvatureAmount;
        std::optional<QString> colorGrade;
    };

    QString name;
    std::optional<QString> author;
    std::optional<QString> version;
    std::optional<QString> category;
    Frame frame;
    Rect viewport;
    Palette palette;
    std::vector<Button> buttons;
    std::optional<std::vector<Key>> keys;
    std::optional<Effects> effects;
    std::optional<double> launchScale;
    std::optional<bool> screenInFront;

    // Decodes the bytes of a "skin.json". A frame whose width or height is
    // not positive is refused as well, since every view divides by it.
    static std::optional<SkinManifestFile> decode(const QByteArray& bytes, QString* error = nullptr);

    // Reads and decodes the "skin.json" of a skin folder and refuses a frame
    // picture whose path leads outside that folder (after resolving ".." and
    // symbolic links).
    static std::optional<SkinManifestFile> readFromFolder(const QString& skinDirectory, QString* error = nullptr);

    // True when `image`, resolved against the folder, stays inside it.
    static bool pictureStaysInside(const QString& skinDirectory, const QString& image);

    SkinManifest toSkinManifest(const QString& skinDirectory, bool isBundled) const;
};

} // namespace velmora
