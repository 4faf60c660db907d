#pragma once

#include "skin/SkinManifest.h"

#include <QByteArray>
#include <QJsonObject>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace velmora {

// A skin folder's "skin.json": the one record of the file with every key the
// application knows, the one reader of it and the one writer of it. The skin
// loader, the skin builder, the skin picker, the palette saver and the
// Effects tab all go through here. Decoding is strict about types (a wrong type anywhere fails
// the whole file) and tolerant about content (colours, list lengths);
// unknown keys are ignored. Coordinates are in the frame's design space.
struct SkinManifestFile {
    static constexpr const char* fileName = "skin.json";
    // The picture the skin builder writes beside the file.
    static inline const QString builderPicture = QStringLiteral("frame@2x.png");

    // Which keys a reading requires and which it reads at all:
    // - runTime, loading skins: the palette's colours are required and the
    //   corner radius is not; "category" and the effects' "colorGrade" must be
    //   text; the builder's own keys (the drawer, a button's shape and default
    //   panel, a point's handles, the scanline style) are passed over, and the
    //   frame must have a positive size.
    // - builder, reopening a skin to edit it: the corner radius of every
    //   rectangle is required and the palette's colours are not; the builder's
    //   own keys are read; "category" and "colorGrade" are passed over.
    enum class Schema { runTime, builder };

    struct Frame {
        QString image; // relative to the skin folder
        double width = 0;
        double height = 0;

        // The builder's picture at half its pixel size, rounded.
        static Frame forPicture(const QSizeF& pixelSize);
        QJsonObject toJson() const;
    };

    struct Point {
        double x = 0;
        double y = 0;
        std::optional<std::vector<double>> hi; // incoming Bezier handle [x, y]
        std::optional<std::vector<double>> ho; // outgoing Bezier handle [x, y]

        // One node of a drawer outline scaled by k; a straight node (both
        // handles on the point) has no handles.
        static Point fromNode(const QPointF& point, const QPointF& handleIn, const QPointF& handleOut, double k);
        QJsonObject toJson() const;
    };

    struct Rect {
        double x = 0;
        double y = 0;
        double width = 0;
        double height = 0;
        std::optional<double> cornerRadius; // 4 at run time when absent
        std::optional<std::vector<Point>> corners; // four offsets, top-left first
        std::optional<std::vector<double>> cornerRadii; // four radii, same order

        // The builder's screen area: the rectangle scaled by k and rounded;
        // the common radius is the top-left radius scaled (so four equal
        // radii survive a reopen); offsets and unequal radii scaled, unrounded.
        static Rect fromEditor(const QRectF& rect, double k, const std::vector<QPointF>& cornerOffsets,
                               const std::vector<double>& cornerRadii);
        // A drawer's rectangle: scaled, rounded, square corners.
        static Rect rectangleFromEditor(const QRectF& rect, double k);
        // Only four offsets of which one is not zero, scaled.
        static std::optional<std::vector<Point>> exportCornerOffsets(const std::vector<QPointF>& offsets, double k);
        // Only four radii that are not all equal, scaled.
        static std::optional<std::vector<double>> exportCornerRadii(const std::vector<double>& radii, double k);
        QJsonObject toJson() const;
    };
    using Viewport = Rect;

    // Colours are "#" and six hexadecimal digits. The run-time reading
    // guarantees the foreground and the background.
    struct Palette {
        std::optional<QString> foreground;
        std::optional<QString> background;
        std::optional<QString> cursor;
        std::optional<QStringList> ansi; // terminal colours 0 to 15

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
        std::optional<QString> key;

        static inline const QString terminalPanel = QStringLiteral("terminal");
        static inline const QString placeholderPanel = QStringLiteral("placeholder");

        // The builder's button: the first always opens the terminal, a
        // placeholder panel is left out, the key is lower-cased and left out
        // when empty.
        static Button fromEditor(std::size_t index, const QString& label, const QRectF& rect, double k, bool circle,
                                 const QString& panel, const QString& key);
        QJsonObject toJson() const;
    };

    // One keyboard-reactive area of the picture.
    struct Key {
        QString key;
        double x = 0;
        double y = 0;
        double width = 0;
        double height = 0;
        std::optional<QString> shape;

        QJsonObject toJson() const;
    };

    // Decoded so that a damaged entry fails the file; live effects come from
    // the settings, so the run-time reading carries none of it over.
    struct Effects {
        std::optional<bool> scanlines;
        std::optional<double> scanlineIntensity;
        std::optional<QString> scanlineStyle;
        std::optional<bool> glow;
        std::optional<double> glowIntensity;
        std::optional<bool> curvature;
        std::optional<double> curvatureAmount;
        std::optional<QString> colorGrade;

        // What a skin stores of its effects: only the switched-on effects with
        // their values, the scanline style only when it is not "standard",
        // never a colour grade; none when every effect is off.
        static std::optional<Effects> fromEditor(bool scanlines, double scanlineIntensity, const QString& scanlineStyle,
                                                 bool glow, double glowIntensity, bool curvature,
                                                 double curvatureAmount);
        QJsonObject toJson() const;
    };

    struct Drawer {
        QString edge; // "top", "bottom", "left" or "right"
        std::optional<std::vector<Point>> mask; // a closed outline
        std::optional<Rect> viewport;
        std::optional<Rect> chevron;
        std::optional<QString> defaultWidget;

        QJsonObject toJson() const;
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
    std::optional<Drawer> drawer;
    std::optional<double> launchScale;
    std::optional<bool> screenInFront;

    // --- Reading -----------------------------------------------------------

    // Decodes the bytes of a "skin.json" by the schema.
    static std::optional<SkinManifestFile> decode(const QByteArray& bytes, QString* error = nullptr,
                                                  Schema schema = Schema::runTime);

    // Reads and decodes the "skin.json" of a skin folder for loading and
    // refuses a frame picture whose path leads outside that folder (after
    // resolving ".." and symbolic links).
    static std::optional<SkinManifestFile> readFromFolder(const QString& skinDirectory, QString* error = nullptr);
    // The same for bytes meant for that folder's "skin.json": whether the
    // skin loader would take them.
    static std::optional<SkinManifestFile> decodeInFolder(const QByteArray& bytes, const QString& skinDirectory,
                                                          QString* error = nullptr);

    // The "name" a skin file gives itself: none unless the bytes hold a JSON
    // object whose "name" is text. Nothing else is checked, so a file found
    // by its name may still be one the loader refuses.
    static std::optional<QString> decodeName(const QByteArray& bytes);

    // The "skin.json" of the first skin folder in skinsFolder (in listing
    // order) whose file names itself skinName exactly; none when no file
    // does.
    static std::optional<QString> findByName(const QString& skinsFolder, const QString& skinName);

    // True when `image`, resolved against the folder, stays inside it.
    static bool pictureStaysInside(const QString& skinDirectory, const QString& image);

    // The skin in memory; the palette's colours must be present (the
    // run-time reading guarantees them).
    SkinManifest toSkinManifest(const QString& skinDirectory, bool isBundled) const;

    // --- Writing -----------------------------------------------------------

    // The file's object: required keys always, optional ones only when present.
    QJsonObject toJson() const;
    QByteArray encode() const { return encode(toJson()); }

    // The form every "skin.json" is written in: pretty-printed, keys sorted.
    static QByteArray encode(const QJsonObject& object);

    // Files that go into place before "skin.json": paths and their bytes.
    using FilesFirst = std::vector<std::pair<QString, QByteArray>>;

    // Writes `object` as the "skin.json" of the folder through a temporary
    // file in it that is then swapped in, after filesFirst (the frame
    // picture) have gone into place the same way; nothing is swapped in
    // unless every file was written whole, so on failure the old files stay
    // and error says why.
    static bool write(const QString& skinFolder, const QJsonObject& object, QString* error = nullptr,
                      const FilesFirst& filesFirst = {});

    // How an edit of a user skin's file ended.
    enum class SaveOutcome { saved, builtIn, unreadable, unencodable, writeFailed };

    // The texts of the outcomes as the user reads them: "Saved ✓", "Can't
    // save a built-in skin", "Couldn't read skin.json", "Couldn't encode
    // skin.json" and "Write failed".
    static QString saveOutcomeText(SaveOutcome outcome);

    // Rewrites the "skin.json" of the user skin with that name (the first in
    // the user skins folder, as findByName finds it) after edit has changed
    // its JSON object; keys edit leaves alone stay as they are. A skin with
    // no such file is a built-in one. A file the skin loader refuses is not
    // touched (unreadable), nor is one written that the loader would refuse
    // (unencodable), so "saved" always means the skin loads. The file is
    // written as write() does; error gets the reason of a failed write. The
    // caller rescans the skins after a save.
    static SaveOutcome editAndWrite(const QString& skinName, const std::function<void(QJsonObject&)>& edit,
                                    QString* error = nullptr);
};

} // namespace velmora
