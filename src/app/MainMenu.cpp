#include "app/MainMenu.h"

#include "app/AppDelegate.h"
#include "device/DeviceWindowController.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QWidget>

namespace velmora {
namespace {

QKeySequence keys(QKeyCombination combination) { return QKeySequence(combination); }

constexpr auto ctrlShift = Qt::CTRL | Qt::SHIFT;
constexpr auto ctrlAltShift = Qt::CTRL | Qt::ALT | Qt::SHIFT;

} // namespace

const std::vector<MainMenu::Item>& MainMenu::items()
{
    using D = AppDelegate;
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
        {app, QStringLiteral("About Velmora"), "showAboutWindow", &D::showAboutWindow, {}, anyWindow},
        separator(app),
        {app,
         QStringLiteral("Settings..."),
         "showSettings",
         &D::showSettings,
         {keys(ctrlShift | Qt::Key_Comma), keys(ctrlShift | Qt::Key_Less)},
         anyWindow},
        separator(app),
        {app, QStringLiteral("Quit Velmora"), "quit", &D::quit, {keys(ctrlShift | Qt::Key_Q)}, anyWindow},

        {file, QStringLiteral("New Tab"), "newSession", &D::newSession, {keys(ctrlShift | Qt::Key_T)}},
        {file,
         QStringLiteral("New Window..."),
         "showSkinPicker",
         &D::showSkinPicker,
         {keys(ctrlShift | Qt::Key_N)},
         anyWindow},
        separator(file),
        {file,
         QStringLiteral("Skin Builder\u2026"),
         "showSkinBuilder",
         &D::showSkinBuilder,
         {keys(ctrlShift | Qt::Key_B)},
         anyWindow},
        {file,
         QStringLiteral("Reveal Skins Folder in File Manager"),
         "revealSkinsFolder",
         &D::revealSkinsFolder,
         {},
         anyWindow},
        separator(file),
        // Closing a tab is the common gesture and closing the window ends
        // every shell in it, so the window takes the harder chord.
        {file, QStringLiteral("Close Tab"), "closeSession", &D::closeSession, {keys(ctrlShift | Qt::Key_W)}},
        {file,
         QStringLiteral("Close Window"),
         "closeWindow",
         &D::closeWindow,
         {keys(ctrlAltShift | Qt::Key_W)},
         anyWindow},

        {edit, QStringLiteral("Copy"), "copy", &D::copy, {keys(ctrlShift | Qt::Key_C)}},
        {edit, QStringLiteral("Paste"), "paste", &D::paste, {keys(ctrlShift | Qt::Key_V)}},
        {edit, QStringLiteral("Select All"), "selectAll", &D::selectAll, {keys(ctrlShift | Qt::Key_A)}},
        separator(edit),
        // Search in the active session, with the terminal's own find bar.
        {edit,
         QStringLiteral("Find\u2026"),
         "showFindBar",
         nullptr,
         {keys(ctrlShift | Qt::Key_F)},
         Scope::deviceWindow,
         [](DeviceWindowController& c) { c.performFindCommand(Find::showFindInterface); }},
        {edit,
         QStringLiteral("Find Next"),
         "findNext",
         nullptr,
         {keys(ctrlShift | Qt::Key_G)},
         Scope::deviceWindow,
         [](DeviceWindowController& c) { c.performFindCommand(Find::nextMatch); }},
        {edit,
         QStringLiteral("Use Selection for Find"),
         "useSelectionForFind",
         nullptr,
         {keys(ctrlShift | Qt::Key_E)},
         Scope::deviceWindow,
         [](DeviceWindowController& c) { c.performFindCommand(Find::useSelectionForFind); }},

        {view, QStringLiteral("Mini Mode"), "toggleMiniMode", &D::toggleMiniMode, {keys(ctrlShift | Qt::Key_M)}},
        separator(view),
        {view,
         QStringLiteral("Bigger Device"),
         "deviceBigger",
         &D::deviceBigger,
         {keys(ctrlShift | Qt::Key_Plus), keys(ctrlShift | Qt::Key_Equal)}},
        {view,
         QStringLiteral("Smaller Device"),
         "deviceSmaller",
         &D::deviceSmaller,
         {keys(ctrlShift | Qt::Key_Minus), keys(ctrlShift | Qt::Key_Underscore)}},
        separator(view),
        {view,
         QStringLiteral("Increase Font Size"),
         "fontBigger",
         &D::fontBigger,
         {keys(ctrlAltShift | Qt::Key_Plus), keys(ctrlAltShift | Qt::Key_Equal)}},
        {view,
         QStringLiteral("Decrease Font Size"),
         "fontSmaller",
         &D::fontSmaller,
         {keys(ctrlAltShift | Qt::Key_Minus), keys(ctrlAltShift | Qt::Key_Underscore)}},
        separator(view),
        {view,
         QStringLiteral("Cycle Session"),
         "cycleSessionNext",
         &D::cycleSessionNext,
         {keys(Qt::CTRL | Qt::Key_Tab)}},
        separator(view),
        {view,
         QStringLiteral("Clear Terminal"),
         "clearActiveTerminal",
         &D::clearActiveTerminal,
         {keys(ctrlShift | Qt::Key_K)}},
        {view, QStringLiteral("Cycle Skin"), "cycleSkin", &D::cycleSkin, {keys(ctrlShift | Qt::Key_L)}},
        separator(view),
        {view,
         QStringLiteral("Command Palette\u2026"),
         "openCommandPalette",
         &D::openCommandPalette,
         {keys(ctrlShift | Qt::Key_P)},
         anyWindow},

        {window, QStringLiteral("Minimize"), "minimizeWindow", &D::minimizeWindow, {}, anyWindow},
    };
    return table;
}

MainMenu::MainMenu(AppDelegate& delegate)
    : m_delegate(delegate), m_menu(std::make_unique<QMenu>(QStringLiteral("Velmora")))
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
        if (item.onActiveWindow) {
            QObject::connect(action, &QAction::triggered, &delegate, [&delegate, act = item.onActiveWindow] {
                if (DeviceWindowController* controller = delegate.activeController())
                    act(*controller);
            });
        } else {
            QObject::connect(
                action, &QAction::triggered, &delegate, [&delegate, method = item.action] { (delegate.*method)(); });
        }
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
    const DeviceWindowController* active = m_delegate.activeController();
    for (DeviceWindowController* controller : m_delegate.windowControllers()) {
        QWidget* window = controller->window();
        if (!window)
            continue;
        QAction* entry = windowMenu->addAction(window->windowTitle());
        entry->setCheckable(true);
        entry->setChecked(controller == active);
        QObject::connect(entry, &QAction::triggered, windowMenu, [window = QPointer<QWidget>(window)] {
            if (!window)
                return;
            window->show();
            window->raise();
            window->activateWindow();
        });
        m_windowListActions.append(entry);
    }
}

} // namespace velmora
