#include "device/DeviceWindowController.h"

#include "core/SettingsStore.h"
#include "corvel/terminal/Terminal.h"
#include "device/DevicePlacement.h"
#include "session/ShellView.h"
#include "skin/CuratedPalettes.h"
#include "skin/HexColor.h"
#include "skin/SkinLoader.h"
#include "skin/ViewportShape.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainterPathStroker>
#include <QScreen>
#include <QtDebug>

#include <algorithm>
#include <array>
#include <cmath>

namespace velmora {

namespace {

// Alpha from which a frame pixel belongs to the window where windows are not
// blended: the soft outer edge of a frame is cut at its middle.
constexpr int opaqueShapeAlpha = 128;
// How far beyond the screen's outline the window's shape reaches, in pixels.
constexpr double shapeEdgeReach = 1.0;

} // namespace

DeviceWindowController::DeviceWindowController(const SkinManifest& skin, SettingsStore& settings, SkinLoader& skins,
                                               const std::optional<WindowState>& restoringState,
                                               const std::optional<QString>& initialDirectory, QObject* parent)
    : QObject(parent),
      m_skin(skin),
      m_settings(settings),
      m_skins(skins),
      m_screenContainer(new ScreenContainer),
      m_terminalPanel(std::make_unique<TerminalPanel>(skin.palette, settings)),
      m_initialDirectory(initialDirectory)
{
    QRect mainArea;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        mainArea = screen->availableGeometry();
    std::vector<QRect> screenAreas;
    for (QScreen* screen : QGuiApplication::screens())
        screenAreas.push_back(screen->availableGeometry());
    const DevicePlacement::Placement placement
        = DevicePlacement::initialPlacement(skin, restoringState, mainArea, screenAreas);

    m_window = std::make_unique<DeviceWindow>(placement.frame);
    m_window->setWindowTitle(skin.name);
    m_window->setContentAspectRatio(skin.frameSize);
    m_currentScale = placement.scale;

    setupViews();
    // The terminal's text keeps clear of the screen's rounded corners.
    connect(m_screenContainer,
            &ScreenContainer::cornerClearanceChanged,
            m_terminalPanel.get(),
            &TerminalPanel::keepClearOfCorners);
    m_screenContainer->registerPanel(m_terminalPanel.get(), 0);
    startTerminal();

    m_window->installEventFilter(this);
    connect(m_window.get(), &DeviceWindow::didResize, this, &DeviceWindowController::windowDidResize);
    connect(m_window.get(), &DeviceWindow::willClose, this, &DeviceWindowController::windowWillClose);
    connect(&settings, &SettingsStore::paletteChanged, this, &DeviceWindowController::paletteChanged);
    connect(&settings, &SettingsStore::effectsChanged, this, &DeviceWindowController::effectsChanged);
    connect(&skins, &SkinLoader::skinsReloaded, this, &DeviceWindowController::skinsReloaded);
}

DeviceWindowController::~DeviceWindowController()
{
    if (qEnvironmentVariableIsSet("VELMORA_DEBUG"))
        qInfo().noquote() << QStringLiteral("[Velmora] deinit DeviceWindowController");
    // The window's widget tree holds the sessions; it goes first.
    m_window.reset();
    m_terminalPanel.reset();
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
    return resolvePalette(m_skin, m_settings.data());
}

void DeviceWindowController::setupViews()
{
    if (!m_window)
        return;
    m_screenContainer->setParent(m_window.get());
    m_screenContainer->show();
    m_effectsLayer = new EffectsLayer(m_window.get());
    m_effectsLayer->hide();
    m_effectsLayer->setScreen(m_screenContainer);

    SkinFrameView* frame = makeFrameView(m_skin);
    frame->setGeometry(m_window->rect());
    m_skinFrameView = frame;
    stackViews();
    frame->show();
    applyEffects();
    layoutViewport();
    updateWindowShape();
}

SkinFrameView* DeviceWindowController::makeFrameView(const SkinManifest& skin)
{
    auto* frame = new SkinFrameView(skin, m_window.get());
    connect(frame, &SkinFrameView::contextMenuRequested, this, &DeviceWindowController::showContextMenu);
    return frame;
}

void DeviceWindowController::stackViews()
{
    // The effects always lie directly over the screen.
    if (m_skin.screenInFront) {
        if (m_skinFrameView)
            m_skinFrameView->lower();
        m_screenContainer->raise();
        if (m_effectsLayer)
            m_effectsLayer->raise();
    } else {
        m_screenContainer->lower();
        if (m_effectsLayer)
            m_effectsLayer->stackUnder(m_skinFrameView ? static_cast<QWidget*>(m_skinFrameView) : nullptr);
        if (m_skinFrameView)
            m_skinFrameView->raise();
    }
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

double DeviceWindowController::verticalScale() const
{
    if (!m_window || !m_isDeviceMode || m_window->height() <= 0 || !(m_skin.frameSize.height() > 0))
        return m_currentScale;
    return m_window->height() / m_skin.frameSize.height();
}

QRectF DeviceWindowController::viewportRectInWindow() const
{
    const double sx = m_currentScale;
    const double sy = verticalScale();
    const QRectF& v = m_skin.viewportRect;
    return QRectF(v.x() * sx, v.y() * sy, v.width() * sx, v.height() * sy);
}

void DeviceWindowController::layoutViewport()
{
    if (!m_window || !m_screenContainer)
        return;
    // Across and down as the frame is drawn, so the screen stays on the
    // frame's opening even while the window is off the skin's aspect.
    const double sx = m_currentScale;
    const double sy = verticalScale();
    const double s = std::sqrt(sx * sy);
    const QRectF screen = viewportRectInWindow();
    std::vector<QPointF> offsets;
    if (m_skin.viewportCornerOffsets.size() == 4) {
        for (const QPointF& offset : m_skin.viewportCornerOffsets)
            offsets.emplace_back(offset.x() * sx, offset.y() * sy);
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
    if (!m_isDeviceMode)
        return;
    m_screenContainer->configureViewport(host, screen.size(), quad, m_skin.viewportCornerRadius * s, radii);
    if (m_effectsLayer)
        m_effectsLayer->setScreenGeometry(screen, corners, m_skin.viewportCornerRadius * s, radii);
}

void DeviceWindowController::applyEffects()
{
    m_effects = m_settings.effects(m_skin.name);
    m_effectsActive = EffectsLayer::anyEffect(m_effects);
    if (!m_effectsLayer)
        return;
    m_effectsLayer->configure(m_effects, m_skin.palette.foreground);
    // Shown, the overlay hands its effects to the screen; hidden, none.
    m_effectsLayer->setVisible(m_effectsActive && m_isDeviceMode);
}

void DeviceWindowController::updateWindowShape()
{
    if (!m_window || !m_skinFrameView)
        return;
    const int threshold = m_window->isTranslucent() ? SkinFrameView::transparentAlpha : opaqueShapeAlpha;
    // Every pixel that the screen's outline touches belongs to the window:
    // along a slanted or rounded edge the frame is cut out only in part
    // there, and a pixel left out of the shape would show the desktop as a
    // hole in the edge.
    QPainterPathStroker edge;
    edge.setWidth(2 * shapeEdgeReach);
    const QPainterPath outline = m_skinFrameView->viewportQuadPath();
    const QPainterPath screen = outline.united(edge.createStroke(outline));
    m_window->setShape(m_skinFrameView->shapeRegion(threshold)
                       + QRegion(screen.toFillPolygon().toPolygon(), Qt::WindingFill));
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
    m_skinFrameView = frame;
    stackViews();
    applyResolvedPalette();
    updateWindowShape();
}

void DeviceWindowController::applyResolvedPalette()
{
    const SkinManifest::TerminalPalette palette = resolvedPalette();
    m_terminalPanel->applyPalette(palette);
    // The panel leaves its pills to the next change of tabs; they take the
    // new colour now, with the sessions.
    m_terminalPanel->tabsView()->setPalette(palette);
}

void DeviceWindowController::changeSkin(const SkinManifest& skin)
{
    if (!m_window)
        return;
    if (!m_isDeviceMode)
        exitMiniMode();
    installSkinViews(skin);
    m_window->setContentAspectRatio(skin.frameSize);
    const QRect area = availableArea();
    const double scale = DevicePlacement::scaleWithin(skin.frameSize, 1.0, area);
    m_window->place(DevicePlacement::keptWithin(
        DevicePlacement::scaledFrame(skin.frameSize, scale, QRectF(m_window->geometry()).center()), area));
    settleSkinGeometry();
}

QRect DeviceWindowController::availableArea() const
{
    QScreen* screen = m_window ? m_window->screen() : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
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
        const QRect area = availableArea();
        const double scale = DevicePlacement::scaleWithin(skin.frameSize, m_currentScale, area);
        QRect frame = DevicePlacement::scaledFrame(skin.frameSize, scale, QPointF());
        frame.moveTopLeft(m_window->geometry().topLeft());
        m_window->place(DevicePlacement::keptWithin(frame, area));
    }
    settleSkinGeometry();
}

void DeviceWindowController::skinsReloaded()
{
    const std::vector<SkinManifest>& skins = m_skins.skins();
    const auto found
        = std::find_if(skins.begin(), skins.end(), [&](const SkinManifest& s) { return s.id == m_skin.id; });
    if (found == skins.end())
        return;
    if (!m_isDeviceMode) {
        m_skinReloadPendingWhileMini = true;
        return;
    }
    const SkinManifest skin = *found; // the list may be replaced while we work
    reapplySkin(skin);
}

bool DeviceWindowController::concernsThisSkin(const QString& skinName) const
{
    // A change without a skin (resetting all settings) concerns every window.
    return skinName.isEmpty() || skinName == m_skin.name;
}

void DeviceWindowController::paletteChanged(const QString& skinName)
{
    if (!concernsThisSkin(skinName))
        return;
    applyResolvedPalette();
    if (!m_isDeviceMode && m_window)
        m_window->setDeviceMode(false, resolvedPalette().background);
}

void DeviceWindowController::effectsChanged(const QString& skinName)
{
    if (concernsThisSkin(skinName))
        applyEffects();
}

void DeviceWindowController::windowDidResize()
{
    if (!m_window)
        return;
    if (!m_isDeviceMode) {
        const QRectF all(m_window->rect());
        m_screenContainer->configureViewport(all, all.size(), {}, 0, {});
        return;
    }
    if (!(m_skin.frameSize.width() > 0))
        return;
    m_currentScale = m_window->width() / m_skin.frameSize.width();
    if (m_skinFrameView)
        m_skinFrameView->setGeometry(m_window->rect());
    layoutViewport();
    updateWindowShape();
}

void DeviceWindowController::scaleDevice(double factor)
{
    if (!m_window || !m_isDeviceMode || !std::isfinite(factor) || !(factor > 0) || !(m_currentScale > 0))
        return;
    std::vector<QRect> areas;
    for (QScreen* screen : QGuiApplication::screens())
        areas.push_back(screen->availableGeometry());
    // Never below the least scale, never past what fits the largest screen; a
    // window already beyond a bound is not pushed further out, nor back by the
    // opposite action.
    const double upper
        = std::max(DevicePlacement::maximumScale(m_skin.frameSize, areas), DevicePlacement::minimumScale);
    const double target = std::clamp(m_currentScale * factor, DevicePlacement::minimumScale, upper);
    if ((factor > 1 && !(target > m_currentScale)) || (factor < 1 && !(target < m_currentScale)))
        return;
    const double applied = target / m_currentScale;
    m_currentScale *= applied;
    m_window->place(DevicePlacement::keptWithin(DevicePlacement::scaledAboutCentre(m_window->geometry(), applied),
                                                availableArea()));
    layoutViewport();
    m_window->update();
}

void DeviceWindowController::enterMiniMode()
{
    if (!m_window || !m_isDeviceMode)
        return;
    m_isDeviceMode = false;
    m_deviceFrameBeforeMini = m_window->geometry();
    if (m_skinFrameView)
        m_skinFrameView->hide();
    if (m_effectsLayer)
        m_effectsLayer->hide();
    m_window->setContentAspectRatio(QSizeF());
    m_window->setDeviceMode(false, resolvedPalette().background);
    m_window->setMinimumSize(miniMinimumWidth, miniMinimumHeight);
    m_window->setGeometry(
        DevicePlacement::keptWithin(DevicePlacement::miniFrame(m_deviceFrameBeforeMini), availableArea()));
    const QRectF all(m_window->rect());
    m_screenContainer->configureViewport(all, all.size(), {}, 0, {});
    if (QWidget* keyboard = m_terminalPanel->keyboardView())
        keyboard->setFocus(Qt::OtherFocusReason);
    else
        m_screenContainer->setFocus(Qt::OtherFocusReason);
}

void DeviceWindowController::exitMiniMode()
{
    if (!m_window || m_isDeviceMode)
        return;
    m_isDeviceMode = true;
    m_window->setMinimumSize(0, 0);
    m_window->setDeviceMode(true);
    m_window->setContentAspectRatio(m_skin.frameSize);
    if (m_skinFrameView)
        m_skinFrameView->show();
    stackViews();
    m_window->place(m_deviceFrameBeforeMini);
    if (m_skin.frameSize.width() > 0)
        m_currentScale = m_window->width() / m_skin.frameSize.width();
    if (m_skinFrameView)
        m_skinFrameView->setGeometry(m_window->rect());
    applyEffects();
    layoutViewport();
    updateWindowShape();
    if (m_skinReloadPendingWhileMini) {
        m_skinReloadPendingWhileMini = false;
        const std::vector<SkinManifest>& skins = m_skins.skins();
        const auto found
            = std::find_if(skins.begin(), skins.end(), [&](const SkinManifest& s) { return s.id == m_skin.id; });
        if (found != skins.end()) {
            const SkinManifest skin = *found;
            reapplySkin(skin);
        }
    }
    if (QWidget* keyboard = m_terminalPanel->keyboardView())
        keyboard->setFocus(Qt::OtherFocusReason);
}

void DeviceWindowController::toggleMiniMode()
{
    if (m_isDeviceMode)
        enterMiniMode();
    else
        exitMiniMode();
}

QMenu* DeviceWindowController::makeContextMenu(QWidget* parent)
{
    auto* menu = new QMenu(parent);
    const QPointer<DeviceWindowController> self(this);
    const auto item = [&](const QString& title, auto action) {
        menu->addAction(title, menu, [self, action] {
            if (self)
                action(*self);
        });
    };
    item(m_isDeviceMode ? tr("Mini Terminal") : tr("Exit Mini Terminal"),
         [](DeviceWindowController& c) { c.toggleMiniMode(); });
    item(tr("Change Skin..."), [](DeviceWindowController& c) { emit c.skinPickerRequested(); });
    item(tr("Skin Builder..."), [](DeviceWindowController& c) { emit c.skinBuilderRequested(); });
    item(tr("Settings..."), [](DeviceWindowController& c) { emit c.settingsRequested(); });
    menu->addSeparator();
    item(tr("Close Window"), [](DeviceWindowController& c) {
        if (c.m_window)
            c.m_window->close();
    });
    if (m_applicationMenu && !m_applicationMenu->actions().isEmpty()) {
        menu->addSeparator();
        menu->addActions(m_applicationMenu->actions());
    }
    return menu;
}

void DeviceWindowController::showContextMenu(const QPoint& globalPosition)
{
    if (!m_window)
        return;
    QMenu* menu = makeContextMenu(m_window.get());
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPosition);
}

bool DeviceWindowController::eventFilter(QObject* watched, QEvent* event)
{
    // A right click anywhere in the mini window reaches the window when
    // nothing in it took the click.
    if (watched == m_window.get() && event->type() == QEvent::ContextMenu && !m_isDeviceMode) {
        const auto* request = static_cast<QContextMenuEvent*>(event);
        corvel::LocalProcessTerminalView* terminal = activeTerminal();
        const bool programTakesClicks = terminal && terminal->allowMouseReporting
            && terminal->getTerminal().mouseMode() != corvel::Terminal::MouseMode::off;
        if (!programTakesClicks || request->modifiers().testFlag(Qt::ShiftModifier)) {
            showContextMenu(request->globalPos());
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

corvel::LocalProcessTerminalView* DeviceWindowController::activeTerminal() const
{
    const ShellView* session = m_terminalPanel->manager().active();
    return session ? session->terminal() : nullptr;
}

void DeviceWindowController::performFindCommand(corvel::TerminalView::FindCommand command)
{
    corvel::LocalProcessTerminalView* terminal = activeTerminal();
    if (!terminal || !terminal->isFindCommandEnabled(command))
        return;
    terminal->performFindCommand(command);
}

void DeviceWindowController::windowWillClose()
{
    if (m_didTeardown)
        return;
    m_didTeardown = true;
    m_terminalPanel->manager().terminateAll();
}

} // namespace velmora
