#pragma once

#include <QObject>

class QAction;
class QMenu;
class QSystemTrayIcon;

namespace velmora {

// The application's item in the desktop's system tray, with a short menu of
// its own: "Show Velmora", "New Tab", "New Window…", "Settings…" and "Quit
// Velmora". It keeps the application reachable when no window is open. The
// entries report what the user chose through the signals below; the
// application delegate carries them out. "Quit Velmora" quits the
// application. Where the desktop has no tray, no item is shown; the menu
// exists all the same.
class StatusItemController final : public QObject {
    Q_OBJECT

public:
    explicit StatusItemController(QObject* parent = nullptr);
    ~StatusItemController() override;

    // True when the item is shown in a tray.
    bool isShown() const;
    QMenu* menu() const { return m_menu; }

signals:
    void showAppRequested();
    void newTabRequested();
    void newWindowRequested();
    void settingsRequested();

private:
    QMenu* m_menu = nullptr;
    QSystemTrayIcon* m_item = nullptr;
};

} // namespace velmora
