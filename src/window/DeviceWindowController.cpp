#include "window/DeviceWindowController.h"

#include "settings/SettingsStore.h"
#include "skin/CuratedPalettes.h"
#include "skin/HexColor.h"
#include "skin/SkinLoader.h"
#include "skin/ViewportShape.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QtDebug>

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

// Alpha from which a frame pixel belongs to the window where windows are not
// blended: the soft outer edge of a frame is cut at its middle.
constexpr int opaqueShapeAlpha = 128;

} // namespace

DeviceWindowController::DeviceWindowController(const SkinManifest& skin, const std::optional<WindowState>& restoringState,
                                               const std::optional<QString>& initialDirectory, QObject* parent)
    : QObject(parent)
    , m_skin(skin)
    , m_screenContainer(new ScreenContainer)
    , m_terminalPanel(std::make_unique<TerminalPanel>(skin.palette))
    , m_initialDirectory(initialDirectory)
{
    QRect mainArea;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        mainArea = screen->availableGeometry();
    std::vector<QRect> screenAreas;
    for (QScreen* screen : QGuiApplication::screens())
        screenAreas.push_back(screen->availableGeometry());
    const Placement placement = initialPlacement(skin, restoringState, mainArea, screenAreas);

    m_window = std::make_unique<DeviceWindow>(placement.frame);
    m_window->setWindowTitle(skin.name);
    m_window->setContentAspectRatio(skin.frameSize);
    m_currentScale = placement.scale;

    setupViews();
    m_screenContainer->registerPanel(m_terminalPanel.get(), 0);
    startTerminal();

    connect(m_window.get(), &DeviceWindow::didResize, this, &DeviceWindowController::windowDidResize);
    connect(m_window.get(), &DeviceWindow::willClose, this, &DeviceWindowController::windowWillClose);
    connect(&SettingsStore::shared(), &SettingsStore::notify, this, &DeviceWindowController::settingsChanged);
    connect(&SkinLoader::shared(), &SkinLoader::notify, this, &DeviceWindowController::skinsReloaded);
}

DeviceWindowController::~DeviceWindowController()
{
    qInfo().noquote() << QStringLiteral("[Velmora] deinit DeviceWindowController");
    // The window's widget tree holds the sessions; it goes first.
    m_window.reset();
    m_terminalPanel.reset();
}

double DeviceWindowController::fitScale(const SkinManifest& skin, const QRect& area)
{
    if (!(skin.frameSize.width() > 0) || !(skin.frameSize.height() > 0))
        return 0;
    return std::min(0.9 * area.width() / skin.frameSize.width(), 0.9 * area.height() / skin.frameSize.height());
}

DeviceWindowController::Placement DeviceWindowController::initialPlacement(
    const SkinManifest& skin, const std::optional<WindowState>& restoringState, const QRect& mainArea,
    const std::vector<QRect>& screenAreas)
{
    if (restoringState && restoringState->width > 0 && restoringState->height > 0) {
        const QRectF saved(restoringState->x, restoringState->y, restoringState->width, restoringState->height);
        const QRectF inset = saved.adjusted(restoreInset, restoreInset, -restoreInset, -restoreInset);
        const bool onScreen = inset.isValid() && std::any_of(screenAreas.begin(), screenAreas.end(), [&](const QRect& area) {
                                  return QRectF(area).intersects(inset);
                              });
        if (onScreen && skin.frameSize.width() > 0)
            return Placement{saved.toRect(), restoringState->width / skin.frameSize.width()};
    }
    const double launch = std::min(fitScale(skin, mainArea), skin.launchScale);
    const double scale = std::max(launch, minimumScale);
    const int width = int(std::lround(skin.frameSize.width() * scale));
    const int height = int(std::lround(skin.frameSize.height() * scale));
    const QPointF centre = QRectF(mainArea).center();
    const QRect frame(int(std::lround(centre.x() - width / 2.0)), int(std::lround(centre.y() - height / 2.0)), width,
                      height);
    return Placement{frame, scale};
}

SkinManifest::TerminalPalette DeviceWindowController::resolvePalette(const SkinManifest& skin,
                                                                     const SettingsData& settings,
                                                                     const PaletteLookup& lookup)
{
    std::optional<QColor> cursorOverride;
    const auto cursor = settings.cursorOverrides.constFind(skin.name);
    if (cursor != settings.cursorOverrides.constEnd())
        cursorOverride = HexColor::toColorOrMagenta(*cursor);

    const auto paletteId = settings.paletteOverrides.constFind(skin.name);
    if (paletteId != settings.paletteOverrides.constEnd()) {
        if (const std::optional<CuratedPalette> curated = lookup(*paletteId)) {
            SkinManifest::TerminalPalette palette;
            palette.foreground = HexColor::toColorOrMagenta(curated->foreground);
            palette.background = HexColor::toColorOrMagenta(curated->background);
            palette.cursor = cursorOverride ? cursorOverride : HexColor::toColorOrMagenta(curated->cursor);
            if (curated->ansi.size() == qsizetype(SkinManifest::ansiColorCount)) {
                std::array<QColor, SkinManifest::ansiColorCount> ansi;
                for (std::size_t i = 0; i < ansi.size(); ++i)
                    ansi[i] = HexColor::toColorOrMagenta(curated->ansi[qsizetype(i)]);
                palette.ansi = ansi;
            }
            return palette;
        }
    }
    SkinManifest::TerminalPalette palette = skin.palette;
    if (cursorOverride)
        palette.cursor = cursorOverride;
    return palette;
}

SkinManifest::TerminalPalette DeviceWindowController::resolvedPalette() const
{
    return resolvePalette(m_skin, SettingsStore::shared().data());
}

void DeviceWindowController::setupViews()
{
    if (!m_window)
        return;
    m_screenContainer->setParent(m_window.get());
    m_screenContainer->show();

    SkinFrameView* frame = makeFrameView(m_skin);
    frame->setGeometry(m_window->rect());
    m_skinFrameView = frame;
    if (m_skin.screenInFront)
        frame->stackUnder(m_screenContainer);
    else
        frame->raise();
    frame->show();
    applyEffects();
    layoutViewport();
    updateWindowShape();
}

SkinFrameView* DeviceWindowController::makeFrameView(const SkinManifest& skin)
{
    auto* frame = new SkinFrameView(skin, m_window.get());
    frame->onContextMenu = [controller = QPointer(this)](QMouseEvent* event, QWidget*) {
        if (controller)
            controller->showContextMenu(event->globalPosition().toPoint());
    };
    return frame;
}

void DeviceWindowController::startTerminal()
{
    m_terminalPanel->startSession(resolvedPalette(), m_initialDirectory);
    if (!m_window)
        return;
    m_terminalPanel->keyboardView()->setFocus(Qt::OtherFocusReason);
}

void DeviceWindowController::showWindow()
{
    if (!m_window)
        return;
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    if (m_window->width() > 0 && m_window->height() > 0 && m_skin.frameSize.width() > 0) {
        m_currentScale = m_window->width() / m_skin.frameSize.width();
        layoutViewport();
    }
}

QRectF DeviceWindowController::viewportRectInWindow() const
{
    const double s = m_currentScale;
    const QRectF& v = m_skin.viewportRect;
    return QRectF(v.x() * s, v.y() * s, v.width() * s, v.height() * s);
}

void DeviceWindowController::layoutViewport()
{
    if (!m_window || !m_screenContainer)
        return;
    const double s = m_currentScale;
    const QRectF screen = viewportRectInWindow();
    std::vector<QPointF> offsets;
    if (m_skin.viewportCornerOffsets.size() == 4) {
        for (const QPointF& offset : m_skin.viewportCornerOffsets)
            offsets.push_back(offset * s);
    }
    const std::vector<QPointF> corners = ViewportShape::corners(screen, offsets);
    const QRectF host = ViewportShape::boundingBox(corners);
    std::vector<QPointF> quad;
    for (const QPointF& corner : corners)
        quad.push_back(corner - host.topLeft());
    std::vector<double> radii;
    if (m_skin.viewportCornerRadii.size() == 4) {
        for (double radius : m_skin.viewportCornerRadii)
            radii.push_back(radius * s);
    }
    m_screenContainer->configureViewport(host, screen.size(), quad, m_skin.viewportCornerRadius * s, radii);
}

void DeviceWindowController::applyEffects()
{
    m_effects = SettingsStore::shared().effects(m_skin.name);
    m_effectsActive = m_effects.scanlines || m_effects.glow || m_effects.curvature
                      || m_effects.colorGrade != QLatin1String("none");
}

void DeviceWindowController::updateWindowShape()
{
    if (!m_window || !m_skinFrameView)
        return;
    const int threshold = m_window->isTranslucent() ? SkinFrameView::transparentAlpha : opaqueShapeAlpha;
    m_window->setShape(m_skinFrameView->shapeRegion(threshold));
}

void DeviceWindowController::installSkinViews(const SkinManifest& skin)
{
    m_skin = skin;
    m_window->setWindowTitle(skin.name);
    if (m_skinFrameView) {
        // The old frame may be the one whose event led here.
        m_skinFrameView->hide();
        m_skinFrameView->deleteLater();
    }
    SkinFrameView* frame = makeFrameView(skin);
    frame->setGeometry(m_window->rect());
    frame->setVisible(m_isDeviceMode);
    if (skin.screenInFront)
        frame->stackUnder(m_screenContainer);
    else
        frame->raise();
    m_skinFrameView = frame;
    m_terminalPanel->applyPalette(resolvedPalette());
    updateWindowShape();
}

void DeviceWindowController::showContextMenu(const QPoint& globalPosition)
{
    if (!m_window || !m_applicationMenu)
        return;
    auto* menu = new QMenu(m_window.get());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addActions(m_applicationMenu->actions());
    menu->popup(globalPosition);
}

void DeviceWindowController::changeSkin(const SkinManifest& skin)
{
    if (!m_window)
        return;
    installSkinViews(skin);
    m_window->setContentAspectRatio(skin.frameSize);
    const QPointF centre = QRectF(m_window->geometry()).center();
    const int width = int(std::lround(skin.frameSize.width()));
    const int height = int(std::lround(skin.frameSize.height()));
    m_window->setGeometry(int(std::lround(centre.x() - width / 2.0)), int(std::lround(centre.y() - height / 2.0)),
                          width, height);
    settleSkinGeometry();
}

void DeviceWindowController::settleSkinGeometry()
{
    if (m_skin.frameSize.width() > 0)
        m_currentScale = m_window->width() / m_skin.frameSize.width();
    m_skinFrameView->setGeometry(m_window->rect());
    layoutViewport();
    updateWindowShape();
    applyEffects();
}

void DeviceWindowController::reapplySkin(const SkinManifest& skin)
{
    if (!m_isDeviceMode || !m_window)
        return;
    const QSizeF oldSize = m_skin.frameSize;
    installSkinViews(skin);
    if (skin.frameSize != oldSize) {
        m_window->setContentAspectRatio(skin.frameSize);
        const QRect old = m_window->geometry();
        const int height = int(std::lround(skin.frameSize.height() * m_currentScale));
        const int width = int(std::lround(skin.frameSize.width() * m_currentScale));
        m_window->setGeometry(old.x(), old.y(), width, height);
    }
    settleSkinGeometry();
}

void DeviceWindowController::skinsReloaded(const QString& name)
{
    if (name != SkinLoader::skinsDidReload)
        return;
    const std::vector<SkinManifest>& skins = SkinLoader::shared().skins();
    const auto found = std::find_if(skins.begin(), skins.end(), [&](const SkinManifest& s) { return s.id == m_skin.id; });
    if (found == skins.end())
        return;
    if (!m_isDeviceMode) {
        m_skinReloadPendingWhileMini = true;
        return;
    }
    const SkinManifest skin = *found; // the list may be replaced while we work
    reapplySkin(skin);
}

void DeviceWindowController::settingsChanged(const QString& name, const QString& object)
{
    // A change without a skin (resetting all settings) concerns every window.
    const bool forThisSkin = object.isEmpty() || object == m_skin.name;
    if (!forThisSkin)
        return;
    if (name == SettingsStore::paletteDidChange)
        m_terminalPanel->applyPalette(resolvedPalette());
    else if (name == SettingsStore::effectsDidChange)
        applyEffects();
}

void DeviceWindowController::windowDidResize()
{
    if (!m_isDeviceMode || !m_window || !(m_skin.frameSize.width() > 0))
        return;
    m_currentScale = m_window->width() / m_skin.frameSize.width();
    if (m_skinFrameView)
        m_skinFrameView->setGeometry(m_window->rect());
    layoutViewport();
    updateWindowShape();
}

void DeviceWindowController::windowWillClose()
{
    if (m_didTeardown)
        return;
    m_didTeardown = true;
    m_terminalPanel->manager().terminateAll();
}

} // namespace velmora
