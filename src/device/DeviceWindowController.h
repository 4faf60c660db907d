#pragma once

#include "core/SettingsData.h"
#include "core/SkinEffectsSettings.h"
#include "core/WindowState.h"
#include "corvel/qt/LocalProcessTerminalView.h"
#include "device/DeviceWindow.h"
#include "device/SkinFrameView.h"
#include "screen/EffectsLayer.h"
#include "screen/ScreenContainer.h"
#include "screen/TerminalPanel.h"
#include "skin/CuratedPalettes.h"
#include "skin/SkinManifest.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QRectF>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace velmora {

class SettingsStore;
class SkinLoader;

// One device window: a skin's frame with a live terminal in its screen area.
// The controller builds the window and its widgets, sizes the window from
// the skin (or a saved window state), starts the first shell session, keeps
// the window in step with the settings (the skin's palette and effects) and
// with the skin list (skins reloaded from disk), swaps skins in place, and
// ends its sessions when the window closes.
//
// Settings refer to the window's skin by skin().name (palette override,
// cursor override, effects); after a reload the window finds its skin again
// by skin().id. currentScale() is window pixels per design unit: the content
// width divided by the skin's frame width.
//
// Widgets from bottom to top: screen container, effects overlay, frame (the
// screen lies behind the frame); or frame, screen container, effects overlay
// for a skin whose screen lies in front. GUI thread only.
//
// Modes: in device mode the skin's frame surrounds a possibly distorted
// screen and the window has no title bar; in mini mode the same sessions fill
// a plain, resizable window with a title bar, and the frame and effects are
// hidden. A right click on the frame opens the device's context menu.
class DeviceWindowController final : public QObject {
    Q_OBJECT

public:
    // The steps of the bigger and smaller actions.
    static constexpr double scaleStep = 1.2;
    // The least size of the window in mini mode.
    static constexpr int miniMinimumWidth = 320;
    static constexpr int miniMinimumHeight = 200;

    // Builds the window, its widgets and the first session; the window is not
    // shown yet.
    // The window follows the settings and the skin list it is given.
    DeviceWindowController(const SkinManifest& skin, SettingsStore& settings, SkinLoader& skins,
                           const std::optional<WindowState>& restoringState = std::nullopt,
                           const std::optional<QString>& initialDirectory = std::nullopt, QObject* parent = nullptr);
    ~DeviceWindowController() override;

    DeviceWindow* window() const { return m_window.get(); }
    const SkinManifest& skin() const { return m_skin; }
    ScreenContainer* screenContainer() const { return m_screenContainer; }
    TerminalPanel& terminalPanel() { return *m_terminalPanel; }
    SkinFrameView* skinFrameView() const { return m_skinFrameView; }
    EffectsLayer* effectsLayer() const { return m_effectsLayer; }
    double currentScale() const { return m_currentScale; }
    bool isDeviceMode() const { return m_isDeviceMode; }
    QRect deviceFrameBeforeMini() const { return m_deviceFrameBeforeMini; }
    bool skinReloadPendingWhileMini() const { return m_skinReloadPendingWhileMini; }
    std::optional<QString> initialDirectory() const { return m_initialDirectory; }
    bool didTeardown() const { return m_didTeardown; }
    // The application sets it when it ends the sessions itself at quit.
    void setDidTeardown(bool value) { m_didTeardown = value; }

    // The screen effects last read for this window's skin, and whether any of
    // them is on (scanlines, glow, curvature or a colour grade).
    const SkinEffectsSettings& effects() const { return m_effects; }
    bool effectsActive() const { return m_effectsActive; }

    // The application's menus, which the device's context menu offers after
    // its own items; the application sets them when it opens the window.
    void setApplicationMenu(QMenu* menu) { m_applicationMenu = menu; }
    QMenu* applicationMenu() const { return m_applicationMenu; }
    // The device's context menu: "Mini Terminal" (or "Exit Mini Terminal"),
    // "Change Skin...", "Skin Builder...", "Settings...", a separator,
    // "Close Window", then the application's menus when set.
    QMenu* makeContextMenu(QWidget* parent);
    // Pops the context menu up at a screen position. In mini mode, where
    // there is no frame to right-click, a right click on the window opens it
    // too, unless the program in the terminal asked for mouse reports (Shift
    // opens it all the same).
    void showContextMenu(const QPoint& globalPosition);

    // The active session's terminal view; none before the first session.
    corvel::LocalProcessTerminalView* activeTerminal() const;
    // Runs a find command (the find bar, the next hit, a search for the
    // selection) on the active session's terminal view where the view allows
    // it now.
    void performFindCommand(corvel::TerminalView::FindCommand command);
    // Mini mode: the sessions in a plain 600 × 420 window centred on the
    // device as far as the screen's available area allows; the device comes
    // back exactly as it was on leaving. Both do nothing in the mode they
    // lead to.
    void enterMiniMode();
    void exitMiniMode();
    void toggleMiniMode();
    // Scales the device about its centre (device mode only), keeping the
    // scale between DevicePlacement::minimumScale and the largest that fits
    // the largest screen.
    void scaleDevice(double factor);

    // Shows the window, makes it active and lays the screen out at the
    // window's present scale.
    void showWindow();
    // Puts another skin into this window: design size (scale 1, less where
    // the screen's available area is smaller), centred on the old window's
    // centre as far as that area allows; sessions stay and take the skin's
    // palette.
    void changeSkin(const SkinManifest& skin);

    // The skin's palette with the user's overrides for skin().name: a
    // curated palette chosen for the skin replaces it (its ANSI colours only
    // when there are 16), and a cursor override wins over either cursor.
    SkinManifest::TerminalPalette resolvedPalette() const;
    using PaletteLookup = std::function<std::optional<CuratedPalette>(const QString& id)>;
    static SkinManifest::TerminalPalette resolvePalette(const SkinManifest& skin, const SettingsData& settings,
                                                        const PaletteLookup& lookup = CuratedPalettes::byId);

    // Window pixels per design unit down the window: the content height
    // over the skin's frame height (currentScale() while the window keeps the
    // skin's aspect, which a window manager may break for a moment).
    double verticalScale() const;
    // The screen area in window coordinates at the current scales.
    QRectF viewportRectInWindow() const;
    // Places the screen container over the screen area at the current scale.
    void layoutViewport();
    // Reads this skin's effects from the settings.
    void applyEffects();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // The context menu's "Change Skin...", "Skin Builder..." and
    // "Settings..."; the application answers them.
    void skinPickerRequested();
    void skinBuilderRequested();
    void settingsRequested();

private:
    void setupViews();
    // A frame view for the skin in this window, its right clicks wired.
    SkinFrameView* makeFrameView(const SkinManifest& skin);
    void stackViews();
    void startTerminal();
    void installSkinViews(const SkinManifest& skin);
    // Hands resolvedPalette() to the sessions and the tab pills.
    void applyResolvedPalette();
    void reapplySkin(const SkinManifest& skin);
    // After the window took a new skin's size: scale, frame, screen, shape
    // and effects follow it.
    void settleSkinGeometry();
    // The available area of the window's screen (or the main one).
    QRect availableArea() const;
    void updateWindowShape();
    void skinsReloaded();
    bool concernsThisSkin(const QString& skinName) const;
    void paletteChanged(const QString& skinName);
    void effectsChanged(const QString& skinName);
    void windowDidResize();
    void windowWillClose();

    SkinManifest m_skin;
    SettingsStore& m_settings;
    SkinLoader& m_skins;
    std::unique_ptr<DeviceWindow> m_window;
    QPointer<ScreenContainer> m_screenContainer;
    std::unique_ptr<TerminalPanel> m_terminalPanel;
    QPointer<SkinFrameView> m_skinFrameView;
    QPointer<EffectsLayer> m_effectsLayer;
    QPointer<QMenu> m_applicationMenu;
    double m_currentScale = 1;
    bool m_isDeviceMode = true;
    QRect m_deviceFrameBeforeMini;
    bool m_skinReloadPendingWhileMini = false;
    std::optional<QString> m_initialDirectory;
    bool m_didTeardown = false;
    SkinEffectsSettings m_effects;
    bool m_effectsActive = false;
};

} // namespace velmora
