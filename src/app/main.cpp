// velmora: the skinned terminal. Opens one device window with the default
// skin; the application ends when its last window closes.

#include "app/AppInfo.h"
#include "app/AppPaths.h"
#include "app/AppResources.h"
#include "settings/SettingsStore.h"
#include "skin/SkinLoader.h"
#include "skin/SkinManifest.h"
#include "window/DeviceWindowController.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>

#include <algorithm>

namespace {

// The fonts delivered with the application, for this process only.
void registerBundledFonts()
{
    const QDir fonts(velmora::AppResources::fontsDir());
    const QStringList files =
        fonts.entryList({QStringLiteral("*.ttf"), QStringLiteral("*.otf")}, QDir::Files, QDir::Name);
    for (const QString& file : files)
        QFontDatabase::addApplicationFont(fonts.filePath(file));
}

// The skin named by the settings' default, else the built-in handheld.
velmora::SkinManifest defaultSkin()
{
    const QString name = velmora::SettingsStore::shared().data().defaultSkin;
    const std::vector<velmora::SkinManifest>& skins = velmora::SkinLoader::shared().skins();
    const auto found =
        std::find_if(skins.begin(), skins.end(), [&](const velmora::SkinManifest& skin) { return skin.name == name; });
    return found != skins.end() ? *found : velmora::SkinManifest::handheld();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setApplicationVersion(velmora::AppInfo::shortVersion());
    QApplication::setDesktopFileName(QStringLiteral("velmora"));

    velmora::AppPaths::migrateLegacyAppSupportIfNeeded();
    registerBundledFonts();
    velmora::SkinLoader& loader = velmora::SkinLoader::shared();
    loader.loadAll();
    loader.startWatching();

    velmora::DeviceWindowController controller(defaultSkin());
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [&controller] {
        if (controller.didTeardown())
            return;
        controller.setDidTeardown(true);
        controller.terminalPanel().manager().terminateAll();
    });
    controller.showWindow();
    return QApplication::exec();
}
