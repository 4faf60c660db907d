#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace velmora {

class JsonFieldReader;

// The "skin.json" that the skin builder writes. Besides the keys the run-time
// reader knows it carries the builder's own: the drawer, a button's shape and
// default panel, and Bezier handles of points. Optional fields that are
// absent are left out of the file. Coordinates are in design space; the
// fromEditor() helpers turn the builder's editor values (picture points)
// into it with the export scale k.
struct SkinManifestExport {
    static inline const QString version1 = QStringLiteral("1.0");
    static inline const QString frameImage = QStringLiteral("frame@2x.png");

    // k: design units per editor point, from the picture's widths.
    static double exportScale(double pixelWidth, double editorWidth);

    struct Frame {
        QString image;
        double width = 0;
        double height = 0;

        // "frame@2x.png" at half the picture's pixel size, rounded.
        static Frame forPicture(const QSizeF& pixelSize);
        QJsonObject toJson() const;
        static Frame fromJson(const JsonFieldReader& in);
    };

    struct Point {
        double x = 0;
        double y = 0;
        std::optional<std::vector<double>> hi; // incoming handle [x, y]
        std::optional<std::vector<double>> ho; // outgoing handle [x, y]

        // One node of a drawer outline; a straight node (both handles on the
        // point) has no handles.
        static Point fromNode(const QPointF& point, const QPointF& handleIn, const QPointF& handleOut, double k);
        QJsonObject toJson() const;
        static Point fromJson(const JsonFieldReader& in);
    };

    struct Viewport {
        double x = 0;
        double y = 0;
        double width = 0;
        double height = 0;
        double cornerRadius = 0;
        std::optional<std::vector<Point>> corners; // four offsets, top-left first
        std::optional<std::vector<double>> cornerRadii; // four radii, same order

        // The screen area: rectangle scaled and rounded; the common radius is
        // the top-left radius scaled (so four equal radii survive a reopen);
        // offsets and unequal radii scaled, unrounded.
        static Viewport fromEditor(const QRectF& rect, double k, const std::vector<QPointF>& cornerOffsets,
                                   const std::vector<double>& cornerRadii);
        // A drawer's rectangle: scaled, rounded, square corners.
        static Viewport rectangleFromEditor(const QRectF& rect, double k);
        // Only four offsets of which one is not zero, scaled.
        static std::optional<std::vector<Point>> exportCornerOffsets(const std::vector<QPointF>& offsets, double k);
        // Only four radii that are not all equal, scaled.
        static std::optional<std::vector<double>> exportCornerRadii(const std::vector<double>& radii, double k);

        QJsonObject toJson() const;
        static Viewport fromJson(const JsonFieldReader& in);
    };

    struct Palette {
        QString foreground;
        QString background;
        std::optional<QString> cursor;
        std::optional<QStringList> ansi;

        QJsonObject toJson() const;
    };

    struct Button {
        QString label;
        double x = 0;
        double y = 0;
        double width = 0;
        double height = 0;
        std::optional<QString> shape; // "circle", or absent for a rectangle
        std::optional<QString> defaultPanel; // a panel kind's raw value
        std::optional<QString> key; // lower case

        static inline const QString terminalPanel = QStringLiteral("terminal");
        static inline const QString placeholderPanel = QStringLiteral("placeholder");

        // The first button always opens the terminal; a placeholder panel is
        // left out; the key is lower-cased and left out when empty.
        static Button fromEditor(std::size_t index, const QString& label, const QRectF& rect, double k, bool circle,
                                 const QString& panel, const QString& key);
        QJsonObject toJson() const;
        static Button fromJson(const JsonFieldReader& in);
    };

    struct Key {
        QString key;
        double x = 0;
        double y = 0;
        double width = 0;
        double height = 0;
        std::optional<QString> shape;

        QJsonObject toJson() const;
        static Key fromJson(const JsonFieldReader& in);
    };

    struct Effects {
        std::optional<bool> scanlines;
        std::optional<double> scanlineIntensity;
        std::optional<QString> scanlineStyle;
        std::optional<bool> glow;
        std::optional<double> glowIntensity;
        std::optional<bool> curvature;
        std::optional<double> curvatureAmount;

        // Only the switched-on effects with their values; the style only when
        // it is not "standard"; none when every effect is off.
        static std::optional<Effects> fromEditor(bool scanlines, double scanlineIntensity, const QString& scanlineStyle,
                                                 bool glow, double glowIntensity, bool curvature,
                                                 double curvatureAmount);
        QJsonObject toJson() const;
        static Effects fromJson(const JsonFieldReader& in);
    };

    struct Drawer {
        QString edge; // "top", "bottom", "left" or "right"
        std::optional<std::vector<Point>> mask;
        std::optional<Viewport> viewport;
        std::optional<Viewport> chevron;
        std::optional<QString> defaultWidget;

        QJsonObject toJson() const;
        static Drawer fromJson(const JsonFieldReader& in);
    };

    QString name;
    std::optional<QString> author;
    QString version = version1;
    Frame frame;
    Viewport viewport;
    Palette palette;
    std::vector<Button> buttons;
    std::optional<std::vector<Key>> keys;
    std::optional<Effects> effects;
    std::optional<Drawer> drawer;
    std::optional<double> launchScale;
    std::optional<bool> screenInFront;

    QJsonObject toJson() const;
    // Pretty-printed with sorted keys.
    QByteArray encode() const;
    // Writes "skin.json" into the folder in one atomic replace.
    bool writeSkinJSON(const QString& skinFolder, QString* error = nullptr) const;
};

} // namespace velmora
