#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;

namespace velmora {

// One card of the welcome window.
struct WelcomeCard {
    QString symbol;
    QString title;
    QString body;
};

// The welcome window's content: one card at a time with its picture, title
// and text, page dots, and "Back" and "Next" buttons; the last card's button
// reads "Pick a Skin" and finishes. Return presses the main button.
class WelcomeView final : public QWidget {
    Q_OBJECT

public:
    // The three cards that introduce Velmora, with this machine's skins
    // folder and Linux keys; Alt+Space only when this program holds it.
    static std::vector<WelcomeCard> defaultCards(bool globalHotkey = true);

    WelcomeView(std::function<void()> onFinish, std::vector<WelcomeCard> cards, QWidget* parent = nullptr);

    int index() const { return m_index; }
    const std::vector<WelcomeCard>& cards() const { return m_cards; }
    QPushButton* backButton() const { return m_back; }
    QPushButton* primaryButton() const { return m_primary; }

    // "Next" on every card but the last, where it is "Pick a Skin" and
    // finishes.
    void primaryAction();
    void back();

protected:
    void changeEvent(QEvent* event) override;

private:
    void refresh();

    std::function<void()> m_onFinish;
    std::vector<WelcomeCard> m_cards;
    int m_index = 0;
    QLabel* m_symbol;
    QLabel* m_title;
    QLabel* m_body;
    QWidget* m_dots;
    QPushButton* m_back;
    QPushButton* m_primary;
};

// The first launch's welcome window, 460 × 380, titled "Welcome to Velmora",
// closable but not resizable. Finishing its cards closes it and then runs
// onFinish (the application opens the skin picker); closing it with its close
// button runs nothing. Closing hides the window; the controller keeps it.
class WelcomeWindowController final {
public:
    static constexpr QSize contentSize{460, 380};

    // globalHotkey: whether Alt+Space is this program's, so the cards name it.
    explicit WelcomeWindowController(std::function<void()> onFinish, bool globalHotkey = true);
    ~WelcomeWindowController();

    QWidget* window() const { return m_window.get(); }
    WelcomeView* view() const { return m_view; }

    // Centres the window on the screen, shows it and gives it the focus.
    void showWindow();

private:
    std::unique_ptr<QWidget> m_window;
    WelcomeView* m_view;
};

} // namespace velmora
