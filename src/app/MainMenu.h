#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

#include <memory>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace velmora {

class AppWindows;
class DeviceWindowActions;
class WindowRegistry;

// The application's menus, "Velmora", "File", "Edit", "View" and "Window",
// built once from one table (items()) whose rows bind each action to the part
// that does the work: the device-window actions, the owner of the
// application's other windows, or the application itself. Device windows
// have no menu bar: every device window carries all the actions, so their
// keys work there, and its context menu offers the menus; the application's
// other windows carry the actions that concern the whole application. An
// action's object name is the row's name ("showSettings"), so other menus can
// offer the same action, and the row is where other windows read its keys.
//
// Keys follow Linux terminals: what the design binds to Command takes
// Ctrl+Shift, so that plain Ctrl keys keep reaching the shell; Option+Command
// takes Ctrl+Alt+Shift. "+" also answers to "=", and the keys with Shift also
// answer to the character Shift makes on a US keyboard ("<" for ",", "_" for
// "-"), which is what X reports for them.
class MainMenu final {
public:
    // Where an action's keys work.
    enum class Scope {
        deviceWindow, // acts on the active device window
        application, // works in any of the application's windows
    };

    // The parts the items act on.
    struct Parts {
        DeviceWindowActions& deviceWindows;
        AppWindows& appWindows;
        const WindowRegistry& windows;
    };

    struct Item {
        QString menu;
        QString title; // empty for a separator
        const char* name = nullptr; // the action's object name
        void (*run)(const Parts&) = nullptr;
        QList<QKeySequence> keys; // the first is the one shown
        Scope scope = Scope::deviceWindow;
    };

    static inline const QStringList menuTitles = {QStringLiteral("Velmora"),
                                                  QStringLiteral("File"),
                                                  QStringLiteral("Edit"),
                                                  QStringLiteral("View"),
                                                  QStringLiteral("Window")};

    // Every menu item in menu order.
    static const std::vector<Item>& items();
    // The key shown for the item of that name: its first key, none when it
    // has none or no item has the name.
    static QKeySequence shortcut(const char* name);
    // The same in the Linux notation the application's texts use
    // ("Ctrl+Shift+T").
    static QString shortcutText(const char* name);

    explicit MainMenu(Parts parts);
    ~MainMenu();
    MainMenu(const MainMenu&) = delete;
    MainMenu& operator=(const MainMenu&) = delete;

    // A menu holding the five menus as submenus.
    QMenu* menu() const { return m_menu.get(); }
    QMenu* submenu(const QString& title) const;
    // The action whose object name is the name, or none.
    QAction* action(const QString& name) const;
    // The actions of a scope (a device window takes both scopes).
    QList<QAction*> actions(Scope scope) const;

    // Gives a window the keys of its kind.
    void installOn(QWidget* window, Scope scope) const;

private:
    void rebuildWindowList();

    Parts m_parts;
    std::unique_ptr<QMenu> m_menu;
    QList<QAction*> m_actions;
    QList<QAction*> m_windowListActions;
};

} // namespace velmora
