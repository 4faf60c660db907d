// A window that hides and shows itself on the global hot key Alt+Space.
// Prints "registered" or "not registered" once the grab was tried, then
// "hidden" or "shown" after each press. Registers twice, as a second
// registration must replace the first.

#include "app/GlobalHotkey.h"

#include <QApplication>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("velmora-hotkey-probe"));
    window.resize(200, 100);
    window.show();

    const auto report = [](const char* line) {
        std::puts(line);
        std::fflush(stdout);
    };
    auto& hotkey = velmora::GlobalHotkey::shared();
    const auto toggle = [&] {
        window.setVisible(!window.isVisible());
        report(window.isVisible() ? "shown" : "hidden");
    };
    hotkey.registerHotkey(velmora::GlobalHotkey::spaceKeysym, velmora::GlobalHotkey::altModifier, toggle);
    hotkey.registerHotkey(velmora::GlobalHotkey::spaceKeysym, velmora::GlobalHotkey::altModifier, toggle);
    report(hotkey.isRegistered() ? "registered" : "not registered");
    return app.exec();
}
