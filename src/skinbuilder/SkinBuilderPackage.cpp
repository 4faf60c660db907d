// Writing the builder's skin to a folder, installing and exporting it, and
// reading a skin folder back for editing.

#include "skinbuilder/SkinBuilderModel.h"

#include "core/AppPaths.h"
#include "skin/HexColor.h"
#include "skin/SkinLoader.h"
#include "skin/SkinManifest.h"
#include "skin/SkinManifestImport.h"
#include "skinbuilder/PictureFile.h"
#include "skinbuilder/SkinBuilderDialogs.h"
#include "skinbuilder/SkinPackage.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

std::vector<QColor> parsedAnsi(const QStringList& texts)
{
    std::vector<QColor> colors;
    for (const QString& text : texts)
        colors.push_back(HexColor::parse(text).value_or(QColor(Qt::black)));
    return colors;
}

QRectF scaledRect(double x, double y, double width, double height, double inverse)
{
    return QRectF(x * inverse, y * inverse, width * inverse, height * inverse);
}

// The stored launch scale as it is, also outside the slider's range, so that
// a skin goes through the builder unchanged; 1.0 when there is none, or when
// it is no size at all (zero or below).
double storedLaunchScale(std::optional<double> stored)
{
    const double scale = stored.value_or(1.0);
    return std::isfinite(scale) && scale > 0 ? scale : 1.0;
}

} // namespace

std::optional<std::vector<SkinManifestExport::Point>> SkinBuilderModel::exportCornerOffsets(double scale) const
{
    return SkinManifestExport::Viewport::exportCornerOffsets(m_viewportCornerOffsets, scale);
}

std::optional<std::vector<double>> SkinBuilderModel::exportCornerRadii(double scale) const
{
    return SkinManifestExport::Viewport::exportCornerRadii(m_viewportCornerRadii, scale);
}

std::optional<SkinManifestExport> SkinBuilderModel::buildManifest() const
{
    if (!hasImage() || !m_viewport)
        return std::nullopt;
    const double k = makeConverter().scale();

    SkinManifestExport manifest;
    manifest.name = m_skinName;
    if (!m_author.isEmpty())
        manifest.author = m_author;
    manifest.frame = SkinManifestExport::Frame::forPicture(m_imagePixelSize);
    manifest.viewport
        = SkinManifestExport::Viewport::fromEditor(*m_viewport, k, m_viewportCornerOffsets, m_viewportCornerRadii);

    manifest.palette.foreground = HexColor::hexString(m_fgColor);
    manifest.palette.background = HexColor::hexString(m_bgColor);
    if (m_cursorColor)
        manifest.palette.cursor = HexColor::hexString(*m_cursorColor);
    if (m_ansiColors && m_ansiColors->size() == SkinManifest::ansiColorCount) {
        QStringList ansi;
        for (const QColor& color : *m_ansiColors)
            ansi << HexColor::hexString(color);
        manifest.palette.ansi = ansi;
    }

    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        const ButtonDef& button = m_buttons[i];
        manifest.buttons.push_back(SkinManifestExport::Button::fromEditor(i,
                                                                          button.label,
                                                                          button.rect,
                                                                          k,
                                                                          button.shape == ButtonShape::circle,
                                                                          rawValue(button.defaultPanel),
                                                                          button.key));
    }

    manifest.effects = SkinManifestExport::Effects::fromEditor(
        m_scanlines, m_scanlineIntensity, m_scanlineStyle, m_glow, m_glowIntensity, m_curvature, m_curvatureAmount);
    if (m_drawerEnabled) {
        SkinManifestExport::Drawer drawer;
        drawer.edge = rawValue(m_drawerEdge);
        if (!m_drawerMask.empty()) {
            std::vector<SkinManifestExport::Point> mask;
            for (const BezierNode& node : m_drawerMask)
                mask.push_back(SkinManifestExport::Point::fromNode(node.point, node.handleIn, node.handleOut, k));
            drawer.mask = mask;
        }
        if (m_drawerViewport)
            drawer.viewport = SkinManifestExport::Viewport::rectangleFromEditor(*m_drawerViewport, k);
        if (!m_drawerDefaultWidget.isEmpty())
            drawer.defaultWidget = m_drawerDefaultWidget;
        manifest.drawer = drawer;
    }
    manifest.launchScale = m_launchScale;
    manifest.screenInFront = m_screenInFront;
    return manifest;
}

bool SkinBuilderModel::writeSkin(const QString& folder, QString* fileError)
{
    if (fileError)
        fileError->clear();
    const std::optional<SkinManifestExport> manifest = buildManifest();
    if (!manifest || !hasImage() || !hasName()) {
        setStatus(statusCannotExport, true);
        return false;
    }
    if (!QDir().mkpath(folder)) {
        if (fileError)
            *fileError = QStringLiteral("couldn't create the folder %1").arg(folder);
        return false;
    }
    const QImage exportable = m_skinImage.convertToFormat(QImage::Format_ARGB32);
    if (exportable.isNull()) {
        setStatus(QStringLiteral("Failed to create CGImage for export"), true);
        return false;
    }
    const QByteArray png = PictureFile::encodePNG(exportable);
    if (png.isEmpty()) {
        setStatus(QStringLiteral("Failed to create PNG data"), true);
        return false;
    }
    // The picture goes into place before the description that names it.
    return manifest->writeSkinJSON(folder, fileError, {{QDir(folder).filePath(frameFileName), png}});
}

void SkinBuilderModel::installSkin()
{
    ChangeBatch batch(*this);
    if (!buildManifest() || !hasName()) {
        setStatus(statusCannotExport, true);
        return;
    }
    const QString slug = SkinPackage::slug(m_skinName);
    QString error;
    const std::optional<QString> destination = SkinPackage::installFolder(AppPaths::skinsDir(), slug, &error);
    if (!destination) {
        setStatus(QStringLiteral("Install failed: ") + error, true);
        return;
    }
    const QFileInfo existing(*destination);
    if (existing.exists() || existing.isSymLink()) {
        const Confirmation question{
            QStringLiteral("Replace existing skin '%1'?").arg(m_skinName),
            QStringLiteral(
                "A skin folder named '%1' already exists. Installing will overwrite its frame@2x.png and skin.json.")
                .arg(slug),
            QStringLiteral("Replace"),
            QStringLiteral("Cancel")};
        if (!dialogs().confirm(question)) {
            setStatus(QStringLiteral("Install cancelled \u2014 no changes."), false);
            return;
        }
    }
    if (!writeSkin(*destination, &error)) {
        if (!error.isEmpty())
            setStatus(QStringLiteral("Install failed: ") + error, true);
        return;
    }
    m_skins.reloadAndBroadcast();
    setStatus(QStringLiteral("Installed to %1/ \u2014 applied live.").arg(slug), false);
}

void SkinBuilderModel::exportSkin()
{
    ChangeBatch batch(*this);
    if (!buildManifest() || !hasName()) {
        setStatus(statusCannotExport, true);
        return;
    }
    const std::optional<QString> destination = dialogs().chooseZipDestination(
        QStringLiteral("Export Skin"), SkinPackage::slug(m_skinName) + QStringLiteral(".zip"));
    if (!destination)
        return;
    // The working folder goes away when the export ends, whatever the outcome.
    QTemporaryDir working(QDir::temp().filePath(QStringLiteral("velmora-export-XXXXXX")));
    QString error;
    if (!working.isValid()) {
        setStatus(QStringLiteral("Export failed: couldn't create a working folder: ") + working.errorString(), true);
        return;
    }
    if (!writeSkin(working.path(), &error)) {
        if (!error.isEmpty())
            setStatus(QStringLiteral("Export failed: ") + error, true);
        return;
    }
    const QDir dir(working.path());
    if (!SkinPackage::zipFiles({dir.filePath(frameFileName), dir.filePath(manifestFileName)}, *destination, &error)) {
        setStatus(QStringLiteral("Export failed: ") + error, true);
        return;
    }
    setStatus(QStringLiteral("Exported ") + QFileInfo(*destination).fileName(), false);
}

bool SkinBuilderModel::loadSkin(const QString& folder)
{
    QString message;
    const std::optional<SkinManifestImport> file = SkinManifestImport::readFolder(folder, &message);
    if (!file) {
        setStatus(message, true);
        return false;
    }
    // The builder's own picture when it is there, else the one the skin
    // names (a bundled skin's, or one installed from a zip).
    const QDir dir(folder);
    const QString picture = QFileInfo::exists(dir.filePath(frameFileName)) || file->frame.image.isEmpty()
        ? frameFileName
        : file->frame.image;
    if (!SkinManifestFile::pictureStaysInside(folder, picture)) {
        setStatus(QStringLiteral("The frame picture \"%1\" lies outside the skin folder.").arg(picture), true);
        return false;
    }
    QImage frame = PictureFile::read(dir.filePath(picture));
    if (frame.isNull()) {
        setStatus(QStringLiteral("Couldn't load %1.").arg(picture), true);
        return false;
    }
    ChangeBatch batch(*this);
    reset();
    adoptImage(std::move(frame));
    applyImport(*file, QFileInfo(folder).fileName());
    return true;
}

void SkinBuilderModel::applyImport(const SkinManifestImport& file, const QString& folderName)
{
    const double inverse = 1.0 / makeConverter().scale();

    setSkinName(file.name);
    setAuthor(file.author.value_or(QString()));
    setLaunchScale(storedLaunchScale(file.launchScale));
    setScreenInFront(file.screenInFront.value_or(false));

    const SkinManifestImport::Viewport& v = file.viewport;
    setViewport(scaledRect(v.x, v.y, v.width, v.height, inverse));
    std::vector<QPointF> offsets(4, QPointF(0, 0));
    if (v.corners && v.corners->size() == 4)
        for (std::size_t i = 0; i < 4; ++i)
            offsets[i] = QPointF((*v.corners)[i].x * inverse, (*v.corners)[i].y * inverse);
    setViewportCornerOffsets(offsets);
    // The builder's reading guarantees every rectangle's corner radius.
    std::vector<double> radii(4, v.cornerRadius.value_or(defaultCornerRadius) * inverse);
    if (v.cornerRadii && v.cornerRadii->size() == 4)
        for (std::size_t i = 0; i < 4; ++i)
            radii[i] = (*v.cornerRadii)[i] * inverse;
    setViewportCornerRadii(radii);

    std::vector<ButtonDef> buttons;
    for (const SkinManifestImport::Button& b : file.buttons) {
        ButtonDef button;
        button.rect = scaledRect(b.x, b.y, b.width, b.height, inverse);
        button.label = b.label;
        button.shape = b.shape == QStringLiteral("circle") ? ButtonShape::circle : ButtonShape::rect;
        button.defaultPanel = panelTypeFromRaw(b.defaultPanel.value_or(QString())).value_or(PanelType::placeholder);
        button.key = b.key.value_or(QString());
        buttons.push_back(button);
    }
    // Key areas fill up the buttons of skins that have few.
    constexpr std::size_t buttonsBeforeKeys = 3;
    if (file.keys)
        for (const SkinManifestImport::Key& k : *file.keys) {
            if (buttons.size() > buttonsBeforeKeys)
                break;
            ButtonDef button;
            button.rect = scaledRect(k.x, k.y, k.width, k.height, inverse);
            button.shape = k.shape == QStringLiteral("circle") ? ButtonShape::circle : ButtonShape::rect;
            button.key = k.key;
            buttons.push_back(button);
        }
    setButtons(buttons);

    if (file.palette.foreground)
        if (const std::optional<QColor> color = HexColor::parse(*file.palette.foreground))
            setFgColor(*color);
    if (file.palette.background)
        if (const std::optional<QColor> color = HexColor::parse(*file.palette.background))
            setBgColor(*color);
    setCursorColor(file.palette.cursor ? HexColor::parse(*file.palette.cursor) : std::nullopt);
    if (file.palette.ansi && file.palette.ansi->size() == qsizetype(SkinManifest::ansiColorCount))
        setAnsiColors(parsedAnsi(*file.palette.ansi));
    else
        setAnsiColors(std::nullopt);

    if (const auto& effects = file.effects) {
        setScanlines(effects->scanlines.value_or(false));
        setScanlineIntensity(effects->scanlineIntensity.value_or(0.3));
        setScanlineStyle(effects->scanlineStyle.value_or(QStringLiteral("standard")));
        setGlow(effects->glow.value_or(false));
        setGlowIntensity(effects->glowIntensity.value_or(0.4));
        setCurvature(effects->curvature.value_or(false));
        setCurvatureAmount(effects->curvatureAmount.value_or(0.2));
    }

    if (file.drawer)
        if (const std::optional<DrawerEdge> edge = drawerEdgeFromRaw(file.drawer->edge.toLower())) {
            const SkinManifestImport::Drawer& drawer = *file.drawer;
            setDrawerEnabled(true);
            setDrawerEdge(*edge);
            setDrawerDefaultWidget(drawer.defaultWidget.value_or(QString()));
            const auto& area = drawer.viewport ? drawer.viewport : drawer.chevron;
            if (area)
                setDrawerViewport(scaledRect(area->x, area->y, area->width, area->height, inverse));
            if (drawer.mask) {
                std::vector<BezierNode> mask;
                for (const SkinManifestImport::Point& p : *drawer.mask) {
                    const QPointF point(p.x * inverse, p.y * inverse);
                    const auto handle = [&](const std::optional<std::vector<double>>& h) -> std::optional<QPointF> {
                        if (!h || h->size() != 2)
                            return std::nullopt;
                        return QPointF((*h)[0] * inverse, (*h)[1] * inverse);
                    };
                    mask.emplace_back(point, handle(p.hi), handle(p.ho));
                }
                setDrawerMask(mask);
            }
        }

    setStatus(QStringLiteral("Opened %1 \u2014 %2 buttons").arg(folderName).arg(m_buttons.size()), false);
}

void SkinBuilderModel::openSkin()
{
    if (const std::optional<QString> folder = dialogs().chooseFolder(QStringLiteral("Open Skin"), AppPaths::skinsDir()))
        loadSkin(*folder);
}

void SkinBuilderModel::openImage()
{
    if (const std::optional<QString> path = dialogs().choosePicture())
        loadImage(*path);
}

} // namespace velmora
