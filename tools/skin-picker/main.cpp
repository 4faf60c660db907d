// Opens the "Choose a Skin" window on its own, without a device window: the
// picked skin's name is printed on standard output; a skin to edit or a
// picture to start from opens the skin builder (and is printed too). With --gallery it shows the
// settings window's skin gallery cards instead, with --palettes the palette
// browser, with --settings the whole settings window. --help and --version
// answer without a display.
#include "core/AppInfo.h"
#include "core/SettingsStore.h"
#include "corvel/qt/ProgramStart.h"
#include "look/SkinGalleryCard.h"
#include "settings/PaletteBrowserView.h"
#include "settings/SettingsViewModel.h"
#include "settings/SettingsWindowController.h"
#include "skin/SkinLoader.h"
#include "skinbuilder/SkinBuilderWindowController.h"
#include "skinpicker/SkinPickerView.h"
#include "skinpicker/SkinPickerWindowController.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGridLayout>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cstdio>

using namespace velmora;

int main(int argc, char** argv)
{
    const QString name = QStringLiteral("velmora-skin-picker");
    const QStringList arguments = corvel::ProgramStart::arguments(argc, argv);
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("The Velmora skin picker on its own."));
    const QCommandLineOption current(
        QStringLiteral("current"), QStringLiteral("Marks the skin with this id as current."), QStringLiteral("ID"));
    options.addOption(current);
    const QCommandLineOption gallery(QStringLiteral("gallery"), QStringLiteral("Shows the skin gallery cards."));
    options.addOption(gallery);
    const QCommandLineOption palettes(QStringLiteral("palettes"), QStringLiteral("Shows the palette browser."));
    options.addOption(palettes);
    const QCommandLineOption settings(QStringLiteral("settings"), QStringLiteral("Shows the settings window."));
    options.addOption(settings);
    const QCommandLineOption tab(
        QStringLiteral("tab"), QStringLiteral("Opens the settings window on this tab."), QStringLiteral("INDEX"));
    options.addOption(tab);
    const corvel::ProgramStart::Program program{
        name,
        QStringLiteral("[--current ID | --gallery | --palettes | --settings [--tab INDEX]]"),
        AppInfo::shortVersion()};
    if (const std::optional<int> exitCode = corvel::ProgramStart::readCommandLine(options, program, arguments))
        return *exitCode;
    // Without a display it ends before it reads or writes any file.
    if (const std::optional<int> exitCode = corvel::ProgramStart::requireDisplay(name, arguments))
        return *exitCode;

    QApplication app(argc, argv);
    QApplication::setApplicationName(name);

    SkinLoader::shared().loadAll();
    SkinLoader::shared().startWatching();

    if (options.isSet(settings)) {
        SettingsWindowController::Services services;
        services.useSkin = [](const SkinManifest& skin) { std::printf("use %s\n", qPrintable(skin.name)); };
        SettingsWindowController::showShared(services);
        SettingsWindowController::shared().tabs()->setCurrentIndex(options.value(tab).toInt());
        return app.exec();
    }

    if (options.isSet(palettes)) {
        SettingsViewModel settings(SettingsStore::shared(), SkinLoader::shared());
        QWidget window;
        window.setWindowTitle(QStringLiteral("Palette"));
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(20, 20, 20, 20);
        layout->addWidget(new PaletteBrowserView(settings, &window));
        layout->addStretch(1);
        window.resize(620, 360);
        window.show();
        return app.exec();
    }

    if (options.isSet(gallery)) {
        QScrollArea window;
        window.setWindowTitle(QStringLiteral("Skins"));
        window.setWidgetResizable(true);
        auto* grid = new QWidget;
        auto* layout = new QGridLayout(grid);
        layout->setContentsMargins(20, 20, 20, 20);
        layout->setSpacing(18);
        int index = 0;
        for (const SkinManifest& skin : SkinManifest::orBuiltInPair(SkinLoader::shared().skins())) {
            const QString name = skin.name;
            auto* card = new SkinGalleryCard(
                skin,
                name == SettingsStore::shared().data().defaultSkin,
                [name] { std::printf("use %s\n", qPrintable(name)); },
                [name] { std::printf("default %s\n", qPrintable(name)); },
                [name] { std::printf("delete %s\n", qPrintable(name)); });
            layout->addWidget(card, index / 3, index % 3);
            ++index;
        }
        layout->setRowStretch(layout->rowCount(), 1);
        window.setWidget(grid);
        window.resize(760, 720);
        window.show();
        return app.exec();
    }

    std::optional<QString> currentId;
    if (options.isSet(current))
        currentId = options.value(current);
    SkinPickerWindowController picker(SkinLoader::shared(), currentId);
    const auto print = [](const QString& what, const QString& value) {
        std::printf("%s %s\n", qPrintable(what), qPrintable(value));
        std::fflush(stdout);
    };
    QObject::connect(&picker, &SkinPickerWindowController::skinSelected, [&](const SkinManifest& skin) {
        print(QStringLiteral("selected"), skin.name);
        app.quit();
    });
    SkinBuilderWindowController builder(SkinLoader::shared());
    QObject::connect(&picker, &SkinPickerWindowController::editSkinRequested, [&](const QString& folder) {
        print(QStringLiteral("edit"), folder);
        builder.openSkinForEditing(folder);
    });
    QObject::connect(&picker, &SkinPickerWindowController::importImageRequested, [&](const QString& picture) {
        print(QStringLiteral("picture"), picture);
        builder.openPicture(picture);
    });
    picker.showWindow();
    return app.exec();
}
