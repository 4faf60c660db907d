#include "app/LaunchSequence.h"

#include "app/ClaudeStatuslineCleanup.h"
#include "app/DirtyStartSweep.h"
#include "app/FontRegistrar.h"
#include "app/NotificationCenter.h"
#include "app/SkinLookup.h"
#include "core/AppPaths.h"
#include "core/SettingsStore.h"
#include "diagnostics/CrashReporter.h"
#include "skin/SkinLoader.h"

#include <QFileInfo>
#include <QtDebug>

#include <algorithm>

namespace velmora {
namespace {

// A hook left unset does nothing.
std::function<void()> orNothing(std::function<void()> hook)
{
    return hook ? std::move(hook) : [] {};
}

} // namespace

LaunchSequence::LaunchSequence(QStringList arguments, SettingsStore& settings, SkinLoader& skins, Hooks hooks,
                               QObject* parent)
    : QObject(parent),
      m_arguments(std::move(arguments)),
      m_settings(settings),
      m_skins(skins),
      m_hooks(std::move(hooks))
{
    m_steps = {
        {QStringLiteral("migrateLegacyAppSupport"), [] { AppPaths::migrateLegacyAppSupportIfNeeded(); }},
        {QStringLiteral("installCrashHandlers"), [] { CrashReporter::installHandlers(); }},
        {QStringLiteral("registerBundledFonts"), [] { FontRegistrar::registerBundledFonts(); }},
        {QStringLiteral("loadSkins"),
         [this] {
             m_skins.loadAll();
             m_skins.startWatching();
         }},
        {QStringLiteral("repairDirtyStart"),
         [this] {
             DirtyStartSweep::cleanStaleTempFiles();
             const std::vector<SkinManifest> skins = SkinLookup::skinList(m_skins);
             DirtyStartSweep::repairWindowState(m_settings, skins, DirtyStartSweep::Screens::current());
             DirtyStartSweep::prunePaletteOverrides(m_settings);
             DirtyStartSweep::repairDefaultSkin(m_settings, skins);
         }},
        {QStringLiteral("removeStatuslineShim"), [] { ClaudeStatuslineCleanup::uninstall(); }},
        {QStringLiteral("setupMenu"), orNothing(m_hooks.setupMenu)},
        {QStringLiteral("registerHotkey"), orNothing(m_hooks.registerHotkey)},
        {QStringLiteral("showStatusItem"), orNothing(m_hooks.showStatusItem)},
        {QStringLiteral("requestNotificationAuthorization"),
         [] { NotificationCenter_::requestAuthorizationIfNeeded(); }},
        {QStringLiteral("startServiceProvider"), orNothing(m_hooks.startServiceProvider)},
        {QStringLiteral("continueLaunch"),
         [this] {
             continueLaunch();
             if (m_hooks.afterFirstWindows)
                 m_hooks.afterFirstWindows();
         }},
        {QStringLiteral("flushPendingCrashReports"), [] { CrashReporter::flushPending(); }},
    };
}

LaunchSequence::Step* LaunchSequence::step(const QString& name)
{
    const auto found
        = std::find_if(m_steps.begin(), m_steps.end(), [&](const Step& step) { return step.name == name; });
    return found != m_steps.end() ? &*found : nullptr;
}

void LaunchSequence::run()
{
    // The list is copied: a step may not change the steps still to run.
    const std::vector<Step> steps = m_steps;
    for (const Step& step : steps) {
        if (step.run)
            step.run();
        emit stepFinished(step.name);
    }
}

std::optional<SkinManifest> LaunchSequence::parsePreviewSkinArg() const
{
    const qsizetype option = m_arguments.indexOf(QStringLiteral("--preview-skin"), 1);
    if (option < 0 || option + 1 >= m_arguments.size())
        return std::nullopt;
    const QString argument = m_arguments.at(option + 1);
    qInfo().noquote() << QStringLiteral("[Velmora] Preview skin requested: ") + argument;
    std::optional<SkinManifest> skin = m_skins.loadSingle(QFileInfo(argument).absoluteFilePath());
    if (!skin)
        qInfo().noquote() << QStringLiteral("[Velmora] Failed to load preview skin from ") + argument;
    return skin;
}

void LaunchSequence::continueLaunch()
{
    const auto openWindow = [this](const SkinManifest& skin, const std::optional<WindowState>& state) {
        if (m_hooks.openWindow)
            m_hooks.openWindow(skin, state);
    };
    if (const std::optional<SkinManifest> preview = parsePreviewSkinArg()) {
        openWindow(*preview, std::nullopt);
        return;
    }
    SettingsData& settings = m_settings.data();
    const std::vector<SkinManifest> skins = SkinLookup::skinList(m_skins);
    if (settings.restoreWindows && !settings.lastWindows.isEmpty()) {
        // The list is copied: opening windows may save the settings.
        const QList<WindowState> saved = settings.lastWindows;
        bool opened = false;
        for (const WindowState& state : saved) {
            if (const std::optional<SkinManifest> skin = SkinLookup::savedSkin(state, skins)) {
                openWindow(*skin, state);
                opened = true;
            }
        }
        if (opened)
            return;
    }
    if (settings.hasLaunchedBefore) {
        openWindow(SkinLookup::skinNamedOrHandheld(settings.defaultSkin, skins), std::nullopt);
        return;
    }
    settings.hasLaunchedBefore = true;
    m_settings.save();
    if (m_hooks.showWelcome)
        m_hooks.showWelcome();
}

} // namespace velmora
