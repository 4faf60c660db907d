#pragma once

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace velmora {

// One skin in memory: the frame picture, the screen area placed on it, its
// buttons and key areas, and its terminal colours. A plain value, copied
// freely; a reload replaces whole values. Geometry is in design space: one
// unit is one point at scale 1, origin at the top-left of the frame picture,
// y growing downward. Lists of four corners run top-left, top-right,
// bottom-right, bottom-left.
struct SkinManifest {
    static constexpr std::size_t maxButtons = 4;
    // Key areas beyond this many are not read: a keyboard has about a
    // hundred keys, and every area is matched and drawn on each key press.
    static constexpr std::size_t maxKeys = 512;
    static constexpr std::size_t ansiColorCount = 16;

    struct ButtonRect {
        QRectF rect;
        QString label;
        std::optional<QString> key; // as the skin file writes it
    };

    struct KeyRect {
        QRectF rect;
        QString key; // lower case
        std::optional<QString> shape; // exactly "circle" draws an ellipse
    };

    struct TerminalPalette {
        QColor foreground;
        QColor background;
        std::optional<QColor> cursor;
        std::optional<std::array<QColor, ansiColorCount>> ansi;
    };

    QString id; // the skin's folder name
    QString name; // display name; settings refer to a skin by it
    QSizeF frameSize;
    QRectF viewportRect;
    std::vector<ButtonRect> buttons; // at most maxButtons
    std::vector<KeyRect> keys; // at most maxKeys
    TerminalPalette palette;
    // Relative paths are inside the resource bundle's "Skins" folder, paths
    // starting with "/" are absolute; none means the frame view's fallback body.
    std::optional<QString> frameImageName;
    double viewportCornerRadius = 4;
    bool isBundled = false;
    std::vector<QPointF> viewportCornerOffsets; // empty or four
    std::vector<double> viewportCornerRadii; // empty or four
    double launchScale = 1;
    bool screenInFront = false;

    static const SkinManifest& handheld();
    static const SkinManifest& walkie();
    // The built-in skins the loader appends after the scanned ones.
    static const std::vector<SkinManifest>& programmaticSkins();
    // What lists of skins offer while no skin is loaded: handheld, then walkie.
    static const std::vector<SkinManifest>& builtInPair();
    // The loaded skins, or the built-in pair when there are none.
    static const std::vector<SkinManifest>& orBuiltInPair(const std::vector<SkinManifest>& loaded);

    // The skin's own folder in the user skins folder when it is a user skin
    // whose folder still holds a "skin.json".
    std::optional<QString> userFolderURL() const;
};

} // namespace velmora
