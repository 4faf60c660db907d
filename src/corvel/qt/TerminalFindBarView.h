#pragma once

#include <functional>

#include <QFrame>
#include <QRect>

#include "corvel/terminal/SearchEngine.h"

class QCheckBox;
class QHBoxLayout;
class QLineEdit;
class QToolButton;

namespace corvel {

// The find bar that floats over the top-right corner of a terminal view: a
// search field, previous and next buttons, the "Aa", ".*" and "Word"
// options and a close button. Return in the field finds the next hit,
// Shift+Return the previous one, Escape closes the bar. The bar only reports
// what the user does, through its callbacks (each does nothing when unset).
//
// Where its parent is too narrow for one row, the options move to a second
// row under the field and the field narrows as far as it must, down to
// leastFieldWidth, so every control stays shown. Told where the current hit
// is, the bar moves to the bottom-right corner while it would cover the hit
// at the top.
class TerminalFindBarView : public QFrame {
    Q_OBJECT
public:
    explicit TerminalFindBarView(QWidget* parent = nullptr);

    std::function<void(const QString& term)> onSearchChanged;
    std::function<void()> onFindNext;
    std::function<void()> onFindPrevious;
    std::function<void()> onClose;
    std::function<void(const SearchOptions& options)> onOptionsChanged;

    QLineEdit* searchField() const { return searchField_; }
    QToolButton* previousButton() const { return previousButton_; }
    QToolButton* nextButton() const { return nextButton_; }
    QToolButton* closeButton() const { return closeButton_; }
    QCheckBox* caseSensitiveButton() const { return caseSensitiveButton_; }
    QCheckBox* regexButton() const { return regexButton_; }
    QCheckBox* wholeWordButton() const { return wholeWordButton_; }

    // The states of the three option boxes.
    SearchOptions options() const;
    // Return in the field: the previous hit with Shift, else the next.
    void searchFieldAction(bool shift);
    // The bar keeps to the top-right corner of its parent, 8 pixels below
    // the top and this far from the right edge.
    void setTrailingInset(int inset);
    // The part of the parent (its coordinates) that the bar should leave in
    // sight; empty for none.
    void keepClearOf(const QRect& area);
    QRect keptClear() const { return keptClear_; }
    // The options lie on a second row.
    bool isCompact() const { return compact_; }

    static constexpr int maximumWidth = 520;
    static constexpr int edgeInset = 8;
    static constexpr int preferredFieldWidth = 200;
    static constexpr int leastFieldWidth = 60;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void place();
    // Lays the controls out in one row, or in two with the options below.
    void arrange(bool compact);
    QToolButton* makeButton(const QIcon& icon, const QString& tooltip);
    QCheckBox* makeOption(const QString& title, const QString& tooltip);

    QLineEdit* searchField_ = nullptr;
    QToolButton* previousButton_ = nullptr;
    QToolButton* nextButton_ = nullptr;
    QToolButton* closeButton_ = nullptr;
    QCheckBox* caseSensitiveButton_ = nullptr;
    QCheckBox* regexButton_ = nullptr;
    QCheckBox* wholeWordButton_ = nullptr;
    QHBoxLayout* mainRow_ = nullptr;
    QHBoxLayout* optionRow_ = nullptr;
    int trailingInset_ = edgeInset;
    bool compact_ = false;
    QRect keptClear_;
};

} // namespace corvel
