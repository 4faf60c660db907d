#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class QAction;
class QTableWidget;

namespace velmora {

// A keyboard shortcut as the Keys tab lists it.
struct KeyBinding {
    QString action; // "New Tab"
    QString keys; // "Ctrl+Shift+T"
    friend bool operator==(const KeyBinding&, const KeyBinding&) = default;
};

// The settings window's Keys tab: a read-only card of the keys the
// application has registered. It reads them from the application's actions
// (menus are walked in order, submenus included) each time it is shown, so it
// always lists the keys that really work, followed by the keys registered
// outside the menus (the global hot key). Nothing in it can be edited.
class KeysSettingsTab final : public QWidget {
    Q_OBJECT

public:
    static inline const QString remappingCaption = QStringLiteral("Remapping will land in a future release.");

    explicit KeysSettingsTab(QWidget* parent = nullptr);

    // The actions to list and the bindings that follow them.
    void setSources(const QList<QAction*>& actions, const QList<KeyBinding>& otherBindings);

    // What the tab shows now.
    QList<KeyBinding> bindings() const { return m_bindings; }
    QTableWidget* table() const { return m_table; }

    // The actions' titles (without a trailing ellipsis) and their first key
    // in Linux notation, in order; an action with a submenu gives the rows of
    // its submenu, and actions without a key or a title are left out.
    static QList<KeyBinding> bindingsFrom(const QList<QAction*>& actions);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void applyColors();

    QList<QPointer<QAction>> m_actions;
    QList<KeyBinding> m_otherBindings;
    QList<KeyBinding> m_bindings;
    QTableWidget* m_table = nullptr;
};

} // namespace velmora
