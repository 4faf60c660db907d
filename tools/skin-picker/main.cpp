// Opens the "Choose a Skin" window on its own, without a device window: the
// picked skin's name is printed on standard output, and edits and pictures
// meant for the skin builder are printed too.
#include "skin/SkinLoader.h"
#include "skinpicker/SkinPickerView.h"
#include "skinpicker/SkinPickerWindowController.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

using namespace velmora;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velmora-skin-picker"));
    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("The Velmora skin picker on its own."));
    options.addHelpOption();
    const QCommandLineOption current(QStringLiteral("current"), QStringLiteral("Marks the skin with this id as current."),
                                     QStringLiteral("ID"));
    options.addOption(current);
    options.process(app);

    SkinLoader::shared().loadAll();
    SkinLoader::shared().startWatching();

    std::optional<QString> currentId;
    if (options.isSet(current))
        currentId = options.value(current);
    SkinPickerWindowController picker(currentId);
    const auto print = [](const QString& what, const QString& value) {
        std::printf("%s %s\n", qPrintable(what), qPrintable(value));
        std::fflush(stdout);
    };
    picker.onSkinSelected = [&](const SkinManifest& skin) {
        print(QStringLiteral("selected"), skin.name);
        app.quit();
    };
    picker.onEditSkin = [&](const QString& folder) { print(QStringLiteral("edit"), folder); };
    picker.onImportImage = [&](const QString& picture) { print(QStringLiteral("picture"), picture); };
    picker.showWindow();
    return app.exec();
}
