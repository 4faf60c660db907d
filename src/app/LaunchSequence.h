#pragma once

#include "core/WindowState.h"
#include "skin/SkinManifest.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace velmora {

class SettingsStore;
class SkinLoader;

// The application's start-up: the steps run once each, in this order, and
// nothing in them stops the sequence:
//   1 migrateLegacyAppSupport   the support folders of earlier releases
//   2 installCrashHandlers      crash reports for fatal signals and exceptions
//   3 registerBundledFonts      the resource folder's fonts
//   4 loadSkins                 scan the skin folders, then watch the user's
//   5 repairDirtyStart          stale temporary file, saved windows, palette
//                               overrides, default skin (needs the skins)
//   6 removeStatuslineShim      the old status-line shim in ~/.claude
//   7 setupMenu                 the application's menus and keys
//   8 registerHotkey            Alt+Space shows or hides the application
//   9 showStatusItem            the tray item
//  10 requestNotificationAuthorization  nothing to ask on Linux
//  11 startServiceProvider      requests from later instances
//  12 continueLaunch            the first windows, then afterFirstWindows
//  13 flushPendingCrashReports  upload earlier crash reports in the background
// Steps 7 to 11 and the windows of step 12 are the application's: the hooks
// carry them out. Main thread.
class LaunchSequence final : public QObject {
    Q_OBJECT

public:
    struct Step {
        QString name;
        std::function<void()> run;
    };

    // What the application does in its own steps.
    struct Hooks {
        std::function<void()> setupMenu;
        std::function<void()> registerHotkey;
        std::function<void()> showStatusItem;
        std::function<void()> startServiceProvider;
        // Opens one device window, restored from the state when given.
        std::function<void(const SkinManifest&, const std::optional<WindowState>&)> openWindow;
        // The first launch's welcome window.
        std::function<void()> showWelcome;
        // Runs once the first windows are open (a request of this command line).
        std::function<void()> afterFirstWindows;
    };

    // arguments: the command line, the program first (for "--preview-skin").
    LaunchSequence(QStringList arguments, SettingsStore& settings, SkinLoader& skins, Hooks hooks,
                   QObject* parent = nullptr);

    // The steps, in order. Replace or add steps before run().
    std::vector<Step>& steps() { return m_steps; }
    Step* step(const QString& name);
    void run();

    // Opens the first windows: the preview skin, else the saved windows, else
    // the default skin, else (first launch) the welcome window.
    void continueLaunch();
    // The skin in the folder after the first "--preview-skin", or none.
    std::optional<SkinManifest> parsePreviewSkinArg() const;

signals:
    // After each step.
    void stepFinished(const QString& name);

private:
    QStringList m_arguments;
    SettingsStore& m_settings;
    SkinLoader& m_skins;
    Hooks m_hooks;
    std::vector<Step> m_steps;
};

} // namespace velmora
