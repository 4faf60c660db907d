#include "app/MainMenu.h"

#include "app/AppWindows.h"
#include "app/DeviceWindowActions.h"
#include "app/WindowRegistry.h"
#include "device/DeviceWindowController.h"
#include "look/PresentWindow.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QWidget>

#include <cstring>

namespace velmora {
namespace {

QKeySequence keys(QKeyCombination combination) { return QKeySequence(combination); }

constexpr auto ctrlShift = Qt::CTRL | Qt::SHIFT;
constexpr auto ctrlAltShift = Qt::CTRL | Qt::ALT | Qt::SHIFT;

} // namespace

const std::vector<MainMenu::Item>& MainMenu::items()
{
    using Find = corvel::TerminalView::FindCommand;
    const QString app = QStringLiteral("Velmora");
    const QString file = QStringLiteral("File");
    const QString edit = QStringLiteral("Edit");
    const QString view = QStringLiteral("View");
    const QString window = QStringLiteral("Window");
    constexpr Scope anyWindow = Scope::application;
    const auto separator = [](const QString& menu) {
        return Item{menu, {}, nullptr, nullptr, {}, Scope::deviceWindow};
    };
    static const std::vector<Item> table{
        {app,
         QStringLiteral("About Velmora"),
         "showAboutWindow",
         [](const Parts& p) { p.appWindows.showAbout(); },
         {},
         anyWindow},
        separator(app),
        {app,
         QStringLiteral("Settings..."),
         "showSettings",
         [](const Parts& p) { p.appWindows.showSettings(); },
         {keys(ctrlShift | Qt::Key_Comma), keys(ctrlShift | Qt::Key_Less)},
         anyWindow},
        separator(app),
        // The windows are saved on the way out (see AppDelegate).
        {app,
         QStringLiteral("Quit Velmora"),
         "quit",
         [](const Parts&) { QCoreApplication::quit(); },
         {keys(ctrlShift | Qt::Key_Q)},
         anyWindow},

        {file,
         QStringLiteral("New Tab"),
         "newSession",
         [](const Parts& p) { p.deviceWindows.newSession(); },
         {keys(ctrlShift | Qt::Key_T)}},
        {file,
         QStringLiteral("New Window..."),
         "showSkinPicker",
         [](const Parts& p) { p.appWindows.showSkinPicker(); },
         {keys(ctrlShift | Qt::Key_N)},
         anyWindow},
        separator(file),
        {file,
         QStringLiteral("Skin Builder\u2026"),
         "showSkinBuilder",
         [](const Parts& p) { p.appWindows.showSkinBuilder(); },
         {keys(ctrlShift | Qt::Key_B)},
         anyWindow},
        {file,
         QStringLiteral("Reveal Skins Folder in File Manager"),
         "revealSkinsFolder",
         [](const Parts&) { AppWindows::revealSkinsFolder(); },
         {},
         anyWindow},
        separator(file),
        // Closing a tab is the common gesture and closing the window ends
        // every shell in it, so the window takes the harder chord.
        {file,
         QStringLiteral("Close Tab"),
         "closeSession",
         [](const Parts& p) { p.deviceWindows.closeSession(); },
         {keys(ctrlShift | Qt::Key_W)}},
        {file,
         QStringLiteral("Close Window"),
         "closeWindow",
         [](const Parts&) {
             if (QWidget* active = QApplication::activeWindow())
                 active->close();
         },
         {keys(ctrlAltShift | Qt::Key_W)},
         anyWindow},

        {edit,
         QStringLiteral("Copy"),
         "copy",
         [](const Parts& p) { p.deviceWindows.copy(); },
         {keys(ctrlShift | Qt::Key_C)}},
        {edit,
         QStringLiteral("Paste"),
         "paste",
         [](const Parts& p) { p.deviceWindows.paste(); },
         {keys(ctrlShift | Qt::Key_V)}},
        {edit,
         QStringLiteral("Select All"),
         "selectAll",
         [](const Parts& p) { p.deviceWindows.selectAll(); },
         {keys(ctrlShift | Qt::Key_A)}},
        separator(edit),
        // Search in the active session, with the terminal's own find bar.
        {edit,
         QStringLiteral("Find\u2026"),
         "showFindBar",
         [](const Parts& p) { p.deviceWindows.find(Find::showFindInterface); },
         {keys(ctrlShift | Qt::Key_F)}},
        {edit,
         QStringLiteral("Find Next"),
         "findNext",
         [](const Parts& p) { p.deviceWindows.find(Find::nextMatch); },
         {keys(ctrlShift | Qt::Key_G)}},
        {edit,
         QStringLiteral("Use Selection for Find"),
         "useSelectionForFind",
         [](const Parts& p) { p.deviceWindows.find(Find::useSelectionForFind); },
         {keys(ctrlShift | Qt::Key_E)}},

        {view,
         QStringLiteral("Mini Mode"),
         "toggleMiniMode",
         [](const Parts& p) { p.deviceWindows.toggleMiniMode(); },
         {keys(ctrlShift | Qt::Key_M)}},
        separator(view),
        {view,
         QStringLiteral("Bigger Device"),
         "deviceBigger",
         [](const Parts& p) { p.deviceWindows.deviceBigger(); },
         {keys(ctrlShift | Qt::Key_Plus), keys(ctrlShift | Qt::Key_Equal)}},
        {view,
         QStringLiteral("Smaller Device"),
         "deviceSmaller",
         [](const Parts& p) { p.deviceWindows.deviceSmaller(); },
         {keys(ctrlShift | Qt::Key_Minus), keys(ctrlShift | Qt::Key_Underscore)}},
        separator(view),
        {view,
         QStringLiteral("Increase Font Size"),
         "fontBigger",
         [](const Parts& p) { p.deviceWindows.fontBigger(); },
         {keys(ctrlAltShift | Qt::Key_Plus), keys(ctrlAltShift | Qt::Key_Equal)}},
        {view,
         QStringLiteral("Decrease Font Size"),
         "fontSmaller",
         [](const Parts& p) { p.deviceWindows.fontSmaller(); },
         {keys(ctrlAltShift | Qt::Key_Minus), keys(ctrlAltShift | Qt::Key_Underscore)}},
        separator(view),
        {view,
         QStringLiteral("Cycle Session"),
         "cycleSessionNext",
         [](const Parts& p) { p.deviceWindows.cycleSessionNext(); },
         {keys(Qt::CTRL | Qt::Key_Tab)}},
        separator(view),
        {view,
         QStringLiteral("Clear Terminal"),
         "clearActiveTerminal",
         [](const Parts& p) { p.deviceWindows.clearActiveTerminal(); },
         {keys(ctrlShift | Qt::Key_K)}},
        {view,
         QStringLiteral("Cycle Skin"),
         "cycleSkin",
         [](const Parts& p) { p.deviceWindows.cycleSkin(); },
         {keys(ctrlShift | Qt::Key_L)}},
        separator(view),
        {view,
         QStringLiteral("Command Palette\u2026"),
         "openCommandPalette",
         [](const Parts& p) { p.appWindows.openCommandPalette(); },
         {keys(ctrlShift | Qt::Key_P)},
         anyWindow},

        {window,
         QStringLiteral("Minimize"),
         "minimizeWindow",
         [](const Parts&) {
             if (QWidget* active = QApplication::activeWindow())
                 active->showMinimized();
         },
         {},
         anyWindow},
    };
    return table;
}

QKeySequence MainMenu::shortcut(const char* name)
{
    for (const Item& item : items()) {
        if (item.name && std::strcmp(item.name, name) == 0)
            return item.keys.isEmpty() ? QKeySequence() : item.keys.front();
    }
    return {};
}

QString MainMenu::shortcutText(const char* name) { return shortcut(name).toString(QKeySequence::PortableText); }

MainMenu::MainMenu(Parts parts) : m_parts(parts), m_menu(std::make_unique<QMenu>(QStringLiteral("Velmora")))
{
    m_menu->setObjectName(QStringLiteral("mainMenu"));
    for (const QString& title : menuTitles) {
        QMenu* submenu = m_menu->addMenu(title);
        submenu->setObjectName(title);
    }
    for (const Item& item : items()) {
        QMenu* menu = submenu(item.menu);
        if (item.title.isEmpty()) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(item.title);
        action->setObjectName(QString::fromLatin1(item.name));
        action->setShortcuts(item.keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setProperty("scope", int(item.scope));
        QObject::connect(action, &QAction::triggered, m_menu.get(), [this, run = item.run] { run(m_parts); });
        m_actions.append(action);
    }
    // The Window menu lists the device windows after its own items.
    QMenu* windowMenu = submenu(QStringLiteral("Window"));
    windowMenu->addSeparator();
    QObject::connect(windowMenu, &QMenu::aboutToShow, windowMenu, [this] { rebuildWindowList(); });
}

MainMenu::~MainMenu() = default;

QMenu* MainMenu::submenu(const QString& title) const
{
    return m_menu->findChild<QMenu*>(title, Qt::FindDirectChildrenOnly);
}

QAction* MainMenu::action(const QString& name) const
{
    for (QAction* action : m_actions) {
        if (action->objectName() == name)
            return action;
    }
    return nullptr;
}

QList<QAction*> MainMenu::actions(Scope scope) const
{
    QList<QAction*> result;
    for (QAction* action : m_actions) {
        if (action->property("scope").toInt() == int(scope))
            result.append(action);
    }
    return result;
}

void MainMenu::installOn(QWidget* window, Scope scope) const
{
    window->addActions(actions(Scope::application));
    if (scope == Scope::deviceWindow)
        window->addActions(actions(Scope::deviceWindow));
}

void MainMenu::rebuildWindowList()
{
    QMenu* windowMenu = submenu(QStringLiteral("Window"));
    for (QAction* action : std::as_const(m_windowListActions)) {
        windowMenu->removeAction(action);
        delete action;
    }
    m_windowListActions.clear();
    const DeviceWindowController* active = m_parts.windows.activeController();
    for (DeviceWindowController* controller : m_parts.windows.controllers()) {
        QWidget* window = controller->window();
        if (!window)
            continue;
        QAction* entry = windowMenu->addAction(window->windowTitle());
        entry->setCheckable(true);
        entry->setChecked(controller == active);
        QObject::connect(entry, &QAction::triggered, windowMenu, [window = QPointer<QWidget>(window)] {
            if (window)
                presentWindow(window);
        });
        m_windowListActions.append(entry);
    }
}

} // namespace velmora
