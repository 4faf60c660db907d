#pragma once

#include "skin/SkinManifestExport.h"
#include "skinbuilder/BezierNode.h"
#include "skinbuilder/ImageHistory.h"
#include "skinbuilder/SkinBuilderTypes.h"

#include <QColor>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace velmora {

class SkinLoader;

class PreviewWindowController;
class SkinBuilderDialogs;
struct SkinManifestImport;

// The whole editing state of one skin in the skin builder: the picture, the
// screen area and its shape, buttons and drawer carried over from a reopened
// skin, palette, effects, name and author, launch size, screen layer, the
// tool in use and a one-line status. Every view of the builder reads it and
// is told of every change through changed(); the canvas, the clean-up tools
// and the package code change it.
//
// Geometry is in the picture's points (its pixel size over its device pixel
// ratio), origin at its top-left corner, y growing downwards; only writing
// and reading a skin folder converts to the skin file's design space.
//
// Every action that finishes, fails or is refused reports in the status line
// (statusMessage, statusIsError), which stays until the next action or
// reset(). Main thread only.
class SkinBuilderModel final : public QObject {
    Q_OBJECT

public:
    static inline const QString statusLoadFailed = QStringLiteral("Failed to load image");
    static inline const QString issueNoImage = QStringLiteral("Drop a PNG to start.");
    static inline const QString issueNoName = QStringLiteral("Skin needs a name.");
    static inline const QString issueNoViewport = QStringLiteral("Draw the viewport rect over the screen area.");
    static inline const QString statusPreviewOpen = QStringLiteral("Preview open -- ESC or double-click to close");
    static inline const QString statusCannotExport = QStringLiteral("Cannot export: need image + viewport + name");
    static inline const QString frameFileName = QStringLiteral("frame@2x.png");
    static inline const QString manifestFileName = QStringLiteral("skin.json");

    static constexpr double defaultCornerRadius = 6;
    static constexpr double defaultMagicWandTolerance = 32;
    static constexpr double removeBackgroundTolerance = 40;
    static constexpr double minLaunchScale = 0.5;
    static constexpr double maxLaunchScale = 1.5;

    static QColor defaultForeground();
    static QColor defaultBackground();

    // Installed skins reach the windows through the skin loader given.
    explicit SkinBuilderModel(SkinLoader& skins, QObject* parent = nullptr);
    ~SkinBuilderModel() override;

    // --- Published fields -------------------------------------------------

    // The picture being edited; null while the builder is empty.
    const QImage& skinImage() const { return m_skinImage; }
    bool hasImage() const { return !m_skinImage.isNull(); }
    // The picture's size in points; the pixel size when there is none.
    QSizeF imagePointSize() const;
    QSizeF imagePixelSize() const { return m_imagePixelSize; }
    // Grows by one whenever the picture is replaced; reset() sets it to 0.
    int imageGeneration() const { return m_imageGeneration; }
    // Grows by one whenever a new picture is loaded (a picture file, or a
    // reopened skin's frame), not when a tool or undo changes the picture;
    // reset() leaves it.
    int pictureLoads() const { return m_pictureLoads; }

    const std::optional<QRectF>& viewport() const { return m_viewport; }
    void setViewport(const std::optional<QRectF>& viewport);
    // Offsets of the corners from the rectangle's, top-left first.
    const std::vector<QPointF>& viewportCornerOffsets() const { return m_viewportCornerOffsets; }
    void setViewportCornerOffsets(const std::vector<QPointF>& offsets);
    const std::vector<double>& viewportCornerRadii() const { return m_viewportCornerRadii; }
    void setViewportCornerRadii(const std::vector<double>& radii);

    const std::vector<ButtonDef>& buttons() const { return m_buttons; }
    void setButtons(const std::vector<ButtonDef>& buttons);

    bool drawerEnabled() const { return m_drawerEnabled; }
    void setDrawerEnabled(bool enabled);
    DrawerEdge drawerEdge() const { return m_drawerEdge; }
    void setDrawerEdge(DrawerEdge edge);
    const std::optional<QRectF>& drawerViewport() const { return m_drawerViewport; }
    void setDrawerViewport(const std::optional<QRectF>& rect);
    const std::vector<BezierNode>& drawerMask() const { return m_drawerMask; }
    void setDrawerMask(const std::vector<BezierNode>& nodes);
    // The pen polygon being placed.
    const std::vector<BezierNode>& drawerMaskInProgress() const { return m_drawerMaskInProgress; }
    void setDrawerMaskInProgress(const std::vector<BezierNode>& nodes);
    bool drawerMaskDragging() const { return m_drawerMaskDragging; }
    void setDrawerMaskDragging(bool dragging);
    const QString& drawerDefaultWidget() const { return m_drawerDefaultWidget; }
    void setDrawerDefaultWidget(const QString& widget);

    DrawTool currentTool() const { return m_currentTool; }
    void setCurrentTool(DrawTool tool);
    double magicWandTolerance() const { return m_magicWandTolerance; }
    void setMagicWandTolerance(double tolerance);

    double launchScale() const { return m_launchScale; }
    void setLaunchScale(double scale);
    bool screenInFront() const { return m_screenInFront; }
    void setScreenInFront(bool inFront);

    const QString& skinName() const { return m_skinName; }
    void setSkinName(const QString& name);
    const QString& author() const { return m_author; }
    void setAuthor(const QString& author);

    const QColor& fgColor() const { return m_fgColor; }
    void setFgColor(const QColor& color);
    const QColor& bgColor() const { return m_bgColor; }
    void setBgColor(const QColor& color);
    const std::optional<QColor>& cursorColor() const { return m_cursorColor; }
    void setCursorColor(const std::optional<QColor>& color);
    const std::optional<std::vector<QColor>>& ansiColors() const { return m_ansiColors; }
    void setAnsiColors(const std::optional<std::vector<QColor>>& colors);
    const std::optional<QString>& lastShuffledId() const { return m_lastShuffledId; }
    void setLastShuffledId(const std::optional<QString>& id);

    bool scanlines() const { return m_scanlines; }
    void setScanlines(bool on);
    double scanlineIntensity() const { return m_scanlineIntensity; }
    void setScanlineIntensity(double intensity);
    const QString& scanlineStyle() const { return m_scanlineStyle; }
    void setScanlineStyle(const QString& style);
    bool glow() const { return m_glow; }
    void setGlow(bool on);
    double glowIntensity() const { return m_glowIntensity; }
    void setGlowIntensity(double intensity);
    bool curvature() const { return m_curvature; }
    void setCurvature(bool on);
    double curvatureAmount() const { return m_curvatureAmount; }
    void setCurvatureAmount(double amount);

    const std::optional<QString>& statusMessage() const { return m_statusMessage; }
    bool statusIsError() const { return m_statusIsError; }
    // Both together, message first.
    void setStatus(const QString& message, bool isError);

    // --- Not published ----------------------------------------------------

    const ImageHistory& history() const { return m_history; }

    // The live preview's window, closed by reset(); set by the preview.
    void setPreviewWindow(QWidget* window);
    QWidget* previewWindow() const;
    PreviewWindowController& previewController();

    // The alert and file panels; the model owns them. By default Qt dialogs.
    void setDialogs(std::unique_ptr<SkinBuilderDialogs> dialogs);
    SkinBuilderDialogs& dialogs();

    // --- Model --------------------------------------------------------------

    // "New": empties the builder. The ANSI colours, the last curated palette,
    // the wand tolerance and the pen-drag flag stay.
    void reset();
    // Makes the file the picture of a new skin; "Failed to load image" and
    // nothing else changed when it is not a readable picture.
    bool loadImage(const QString& path);
    // What still prevents a preview, export or install, in a fixed order.
    QStringList validationIssues() const;
    CoordinateConverter makeConverter() const;

    // --- Picture tools and undo ---------------------------------------------

    void magicWandErase(const QPointF& point, double tolerance);
    void removeBackground(double tolerance = removeBackgroundTolerance);
    void trimToContent();
    void addMaskVertex(const QPointF& point);
    void updateMaskDragHandle(const QPointF& point);
    // Closes the pen polygon and crops to it (crop pen) or erases it (erase
    // pen); empties the polygon in every case.
    void commitImagePen();
    // The end of a rubber band: becomes the screen area with the viewport
    // tool when more than 5 points wide and high inside the picture.
    void finishDraw(const QRectF& rect);
    void pushUndo();
    void undo();

    // --- Skin package ----------------------------------------------------------

    // The skin file's content; none without a picture or a screen area.
    std::optional<SkinManifestExport> buildManifest() const;
    std::optional<std::vector<SkinManifestExport::Point>> exportCornerOffsets(double scale) const;
    std::optional<std::vector<double>> exportCornerRadii(double scale) const;
    // Writes "frame@2x.png" and "skin.json" into the folder (created when
    // missing), both under temporary names first, the picture renamed into
    // place before the description. On failure returns false; fileError then
    // holds a file system error for the caller to report, or is empty when
    // the status line already says what went wrong.
    bool writeSkin(const QString& folder, QString* fileError = nullptr);
    // Writes the skin into the user skins folder, asking before replacing a
    // folder, and has every window reload the skins.
    void installSkin();
    // Asks for a ".zip" destination and writes the archive there.
    void exportSkin();
    // Replaces the skin in the builder by the skin in that folder; a folder
    // that fails any check leaves the current work untouched.
    bool loadSkin(const QString& folder);
    // Folder panel, then loadSkin().
    void openSkin();
    // Picture panel, then loadImage().
    void openImage();
    // Opens the live preview, replacing one already open; nothing without a
    // picture or a screen area.
    void previewSkin();

signals:
    // Any published field changed; sent once per action.
    void changed();

private:
    // Collects the changes of one action into one changed().
    class ChangeBatch {
    public:
        explicit ChangeBatch(SkinBuilderModel& model) : m_model(model) { ++m_model.m_batchDepth; }
        ~ChangeBatch()
        {
            if (--m_model.m_batchDepth == 0 && m_model.m_pendingChange) {
                m_model.m_pendingChange = false;
                emit m_model.changed();
            }
        }
        ChangeBatch(const ChangeBatch&) = delete;
        ChangeBatch& operator=(const ChangeBatch&) = delete;

    private:
        SkinBuilderModel& m_model;
    };

    template <typename T> void publish(T& field, const T& value)
    {
        if (field == value)
            return;
        field = value;
        notify();
    }
    void notify();

    void adoptImage(QImage image);
    void replaceImage(QImage image);
    void applyImport(const SkinManifestImport& file, const QString& folderName);
    bool hasName() const;

    SkinLoader& m_skins;
    QImage m_skinImage;
    QSizeF m_imagePixelSize{0, 0};
    int m_imageGeneration = 0;
    int m_pictureLoads = 0;
    std::optional<QRectF> m_viewport;
    std::vector<QPointF> m_viewportCornerOffsets;
    std::vector<double> m_viewportCornerRadii;
    std::vector<ButtonDef> m_buttons;
    bool m_drawerEnabled = false;
    DrawerEdge m_drawerEdge = DrawerEdge::top;
    std::optional<QRectF> m_drawerViewport;
    std::vector<BezierNode> m_drawerMask;
    std::vector<BezierNode> m_drawerMaskInProgress;
    bool m_drawerMaskDragging = false;
    QString m_drawerDefaultWidget;
    DrawTool m_currentTool = DrawTool::viewport;
    double m_magicWandTolerance = defaultMagicWandTolerance;
    double m_launchScale = 1.0;
    bool m_screenInFront = false;
    QString m_skinName;
    QString m_author;
    QColor m_fgColor;
    QColor m_bgColor;
    std::optional<QColor> m_cursorColor;
    std::optional<std::vector<QColor>> m_ansiColors;
    std::optional<QString> m_lastShuffledId;
    bool m_scanlines = false;
    double m_scanlineIntensity = 0.3;
    QString m_scanlineStyle;
    bool m_glow = false;
    double m_glowIntensity = 0.4;
    bool m_curvature = false;
    double m_curvatureAmount = 0.2;
    std::optional<QString> m_statusMessage;
    bool m_statusIsError = false;

    ImageHistory m_history;
    QPointer<QWidget> m_previewWindow;
    std::unique_ptr<PreviewWindowController> m_previewController;
    std::unique_ptr<SkinBuilderDialogs> m_dialogs;
    int m_batchDepth = 0;
    bool m_pendingChange = false;
};

} // namespace velmora
