#include "skinbuilder/SkinBuilderModel.h"

#include "skinbuilder/PictureFile.h"
#include "skinbuilder/PreviewWindow.h"
#include "skinbuilder/SkinBuilderDialogs.h"

#include <QFileInfo>
#include <QWidget>

namespace velmora {

namespace {

const std::vector<QPointF> zeroOffsets(4, QPointF(0, 0));
const std::vector<double> defaultRadii(4, SkinBuilderModel::defaultCornerRadius);
const QString standardScanlines = QStringLiteral("standard");

// White space that a name may not consist of alone: spaces and tabs.
QString trimmedSpacesAndTabs(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(text[begin]))
        ++begin;
    while (end > begin && blank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

QColor SkinBuilderModel::defaultForeground() { return QColor(52, 199, 89); }

QColor SkinBuilderModel::defaultBackground() { return QColor::fromRgbF(0.04f, 0.04f, 0.04f); }

SkinBuilderModel::SkinBuilderModel(SkinLoader& skins, QObject* parent)
    : QObject(parent),
      m_skins(skins),
      m_viewportCornerOffsets(zeroOffsets),
      m_viewportCornerRadii(defaultRadii),
      m_fgColor(defaultForeground()),
      m_bgColor(defaultBackground()),
      m_scanlineStyle(standardScanlines)
{
}

SkinBuilderModel::~SkinBuilderModel() = default;

void SkinBuilderModel::notify()
{
    if (m_batchDepth > 0)
        m_pendingChange = true;
    else
        emit changed();
}

QSizeF SkinBuilderModel::imagePointSize() const
{
    return hasImage() ? PictureFile::pointSize(m_skinImage) : m_imagePixelSize;
}

void SkinBuilderModel::setViewport(const std::optional<QRectF>& viewport) { publish(m_viewport, viewport); }
void SkinBuilderModel::setViewportCornerOffsets(const std::vector<QPointF>& offsets)
{
    publish(m_viewportCornerOffsets, offsets);
}
void SkinBuilderModel::setViewportCornerRadii(const std::vector<double>& radii)
{
    publish(m_viewportCornerRadii, radii);
}
void SkinBuilderModel::setButtons(const std::vector<ButtonDef>& buttons) { publish(m_buttons, buttons); }
void SkinBuilderModel::setDrawerEnabled(bool enabled) { publish(m_drawerEnabled, enabled); }
void SkinBuilderModel::setDrawerEdge(DrawerEdge edge) { publish(m_drawerEdge, edge); }
void SkinBuilderModel::setDrawerViewport(const std::optional<QRectF>& rect) { publish(m_drawerViewport, rect); }
void SkinBuilderModel::setDrawerMask(const std::vector<BezierNode>& nodes) { publish(m_drawerMask, nodes); }
void SkinBuilderModel::setDrawerMaskInProgress(const std::vector<BezierNode>& nodes)
{
    publish(m_drawerMaskInProgress, nodes);
}
void SkinBuilderModel::setDrawerMaskDragging(bool dragging) { publish(m_drawerMaskDragging, dragging); }
void SkinBuilderModel::setDrawerDefaultWidget(const QString& widget) { publish(m_drawerDefaultWidget, widget); }
void SkinBuilderModel::setCurrentTool(DrawTool tool) { publish(m_currentTool, tool); }
void SkinBuilderModel::setMagicWandTolerance(double tolerance) { publish(m_magicWandTolerance, tolerance); }
void SkinBuilderModel::setLaunchScale(double scale) { publish(m_launchScale, scale); }
void SkinBuilderModel::setScreenInFront(bool inFront) { publish(m_screenInFront, inFront); }
void SkinBuilderModel::setSkinName(const QString& name) { publish(m_skinName, name); }
void SkinBuilderModel::setAuthor(const QString& author) { publish(m_author, author); }
void SkinBuilderModel::setFgColor(const QColor& color) { publish(m_fgColor, color); }
void SkinBuilderModel::setBgColor(const QColor& color) { publish(m_bgColor, color); }
void SkinBuilderModel::setCursorColor(const std::optional<QColor>& color) { publish(m_cursorColor, color); }
void SkinBuilderModel::setAnsiColors(const std::optional<std::vector<QColor>>& colors)
{
    publish(m_ansiColors, colors);
}
void SkinBuilderModel::setLastShuffledId(const std::optional<QString>& id) { publish(m_lastShuffledId, id); }
void SkinBuilderModel::setScanlines(bool on) { publish(m_scanlines, on); }
void SkinBuilderModel::setScanlineIntensity(double intensity) { publish(m_scanlineIntensity, intensity); }
void SkinBuilderModel::setScanlineStyle(const QString& style) { publish(m_scanlineStyle, style); }
void SkinBuilderModel::setGlow(bool on) { publish(m_glow, on); }
void SkinBuilderModel::setGlowIntensity(double intensity) { publish(m_glowIntensity, intensity); }
void SkinBuilderModel::setCurvature(bool on) { publish(m_curvature, on); }
void SkinBuilderModel::setCurvatureAmount(double amount) { publish(m_curvatureAmount, amount); }

void SkinBuilderModel::setStatus(const QString& message, bool isError)
{
    ChangeBatch batch(*this);
    publish(m_statusMessage, std::optional<QString>(message));
    publish(m_statusIsError, isError);
}

void SkinBuilderModel::setPreviewWindow(QWidget* window) { m_previewWindow = window; }

QWidget* SkinBuilderModel::previewWindow() const { return m_previewWindow.data(); }

PreviewWindowController& SkinBuilderModel::previewController()
{
    if (!m_previewController)
        m_previewController = std::make_unique<PreviewWindowController>(*this);
    return *m_previewController;
}

void SkinBuilderModel::previewSkin()
{
    if (!hasImage() || !m_viewport)
        return;
    previewController().show();
    setStatus(statusPreviewOpen, false);
}

void SkinBuilderModel::setDialogs(std::unique_ptr<SkinBuilderDialogs> dialogs) { m_dialogs = std::move(dialogs); }

SkinBuilderDialogs& SkinBuilderModel::dialogs()
{
    if (!m_dialogs)
        m_dialogs = std::make_unique<QtSkinBuilderDialogs>();
    return *m_dialogs;
}

void SkinBuilderModel::reset()
{
    ChangeBatch batch(*this);
    if (m_previewWindow)
        m_previewWindow->close();
    m_history.clear();
    m_skinImage = QImage();
    notify();
    publish(m_imagePixelSize, QSizeF(0, 0));
    publish(m_imageGeneration, 0);
    publish(m_viewport, std::optional<QRectF>());
    publish(m_viewportCornerOffsets, zeroOffsets);
    publish(m_viewportCornerRadii, defaultRadii);
    publish(m_buttons, std::vector<ButtonDef>());
    publish(m_drawerEnabled, false);
    publish(m_drawerEdge, DrawerEdge::top);
    publish(m_drawerViewport, std::optional<QRectF>());
    publish(m_drawerMask, std::vector<BezierNode>());
    publish(m_drawerMaskInProgress, std::vector<BezierNode>());
    publish(m_drawerDefaultWidget, QString());
    publish(m_currentTool, DrawTool::viewport);
    publish(m_launchScale, 1.0);
    publish(m_screenInFront, false);
    publish(m_skinName, QString());
    publish(m_author, QString());
    publish(m_fgColor, defaultForeground());
    publish(m_bgColor, defaultBackground());
    publish(m_cursorColor, std::optional<QColor>());
    publish(m_scanlines, false);
    publish(m_scanlineIntensity, 0.3);
    publish(m_scanlineStyle, standardScanlines);
    publish(m_glow, false);
    publish(m_glowIntensity, 0.4);
    publish(m_curvature, false);
    publish(m_curvatureAmount, 0.2);
    publish(m_statusMessage, std::optional<QString>());
    publish(m_statusIsError, false);
}

bool SkinBuilderModel::loadImage(const QString& path)
{
    QImage image = PictureFile::read(path);
    if (image.isNull()) {
        setStatus(statusLoadFailed, true);
        return false;
    }
    ChangeBatch batch(*this);
    adoptImage(std::move(image));
    QString name = QFileInfo(path).completeBaseName(); // without the last extension
    name.replace(u'_', u' ');
    name.replace(u'-', u' ');
    setSkinName(name);
    setStatus(
        QStringLiteral("Loaded %1x%2px").arg(qint64(m_imagePixelSize.width())).arg(qint64(m_imagePixelSize.height())),
        false);
    return true;
}

// The part of loading a picture that reopening a skin shares: a new picture
// with a fresh screen area and no undo history.
void SkinBuilderModel::adoptImage(QImage image)
{
    ChangeBatch batch(*this);
    publish(m_viewport, std::optional<QRectF>());
    publish(m_viewportCornerOffsets, zeroOffsets);
    publish(m_viewportCornerRadii, defaultRadii);
    publish(m_buttons, std::vector<ButtonDef>());
    publish(m_currentTool, DrawTool::viewport);
    m_history.clear();
    publish(m_imagePixelSize, QSizeF(image.size()));
    m_skinImage = std::move(image);
    ++m_imageGeneration;
    ++m_pictureLoads;
    notify();
}

// A picture change of a tool or of undo: same skin, new pixels.
void SkinBuilderModel::replaceImage(QImage image)
{
    m_skinImage = std::move(image);
    ++m_imageGeneration;
    notify();
}

bool SkinBuilderModel::hasName() const { return !trimmedSpacesAndTabs(m_skinName).isEmpty(); }

QStringList SkinBuilderModel::validationIssues() const
{
    QStringList issues;
    if (!hasImage())
        issues << issueNoImage;
    if (!hasName())
        issues << issueNoName;
    if (!m_viewport)
        issues << issueNoViewport;
    return issues;
}

CoordinateConverter SkinBuilderModel::makeConverter() const
{
    return {imagePointSize(), m_imagePixelSize, m_launchScale};
}

} // namespace velmora
