#pragma once

#include "screen/Panel.h"
#include "session/SessionManager.h"
#include "session/SessionTabsView.h"
#include "skin/SkinManifest.h"

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>

namespace velmora {

// The root widget of a panel: tells its owner whenever it is resized.
class FlippedContainerView final : public QWidget {
    Q_OBJECT

public:
    explicit FlippedContainerView(QWidget* parent = nullptr);

signals:
    void resized();

protected:
    void resizeEvent(QResizeEvent* event) override;
};

// What fills the screen area of a device window: the window's shell sessions
// (one shown at a time, filling the panel) and the strip of numbered tabs
// over them, 4 pixels in from the screen's lower-left corner. It owns the
// window's SessionManager and SessionTabsView, keeps them and the session
// widgets in step whenever the manager reports a change, and re-colours
// every session when the window's palette changes.
//
// The device window controller makes one panel per window from the skin's
// own palette, registers it in its screen container and starts it with the
// resolved palette. Menu actions reach the sessions through manager():
// closing, cycling and picking tabs; addSession() opens a new tab.
class TerminalPanel final : public QObject, public Panel {
    Q_OBJECT

public:
    static constexpr int tabsInset = 4;
    // Each session keeps the band under the tab strip free of text, so the
    // tabs never hide the last line, and its text clear of the screen's
    // rounded corners by the clearance they need (ScreenContainer) and a
    // pixel more.
    static QMargins sessionPadding(const QMarginsF& cornerClearance = {});

    TerminalPanel(const SkinManifest::TerminalPalette& palette, SettingsStore& settings, QObject* parent = nullptr);
    ~TerminalPanel() override;

    // Panel
    QString panelName() const override { return m_panelName; }
    QWidget* rootView() const override { return m_container; }
    // The active session's terminal view, else the root widget.
    QWidget* keyboardView() const override;
    // Pads every session and moves the tabs so that the screen's rounded
    // corners cut neither (ScreenContainer::cornerClearanceChanged).
    void keepClearOfCorners(const QMarginsF& clearance);
    const QMarginsF& cornerClearance() const { return m_cornerClearance; }

    FlippedContainerView* container() const { return m_container; }
    QWidget* shellHost() const { return m_shellHost; }
    SessionTabsView* tabsView() const { return m_tabsView; }
    SessionManager& manager() { return *m_manager; }
    const SessionManager& manager() const { return *m_manager; }
    const SkinManifest::TerminalPalette& palette() const { return m_palette; }

    // Starts the first session, once the window opens: a given palette
    // becomes the panel's and the manager's; a session is added in cwd only
    // when there is none yet; then everything is synchronised.
    void startSession(const std::optional<SkinManifest::TerminalPalette>& palette, const std::optional<QString>& cwd);
    // A new session in cwd (home when none), made active; its index.
    int addSession(const std::optional<QString>& cwd = std::nullopt);
    // Shows the active session (hiding, not removing, the others), updates
    // the tabs and gives the active terminal view the keyboard focus.
    void syncVisibleSession();
    // Re-colours every session; the tabs take the new colour at the next
    // synchronisation.
    void applyPalette(const SkinManifest::TerminalPalette& palette);

    // The tab strip's frame for a container of the given size: tabsInset
    // in from the lower-left corner, or further where the corner needs it.
    static QRect tabsFrame(const QSize& containerSize, int count, const QMarginsF& cornerClearance = {});

signals:
    // The active index, after every synchronisation.
    void activeSessionChanged(int index);

private:
    void layoutTabsAndHost();

    QPointer<FlippedContainerView> m_container;
    QString m_panelName = QStringLiteral("Terminal");
    QWidget* m_shellHost = nullptr;
    SessionTabsView* m_tabsView = nullptr;
    std::unique_ptr<SessionManager> m_manager;
    SkinManifest::TerminalPalette m_palette;
    QMarginsF m_cornerClearance;
};

} // namespace velmora
