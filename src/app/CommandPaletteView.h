#pragma once

#include "app/PaletteState.h"

#include <QAbstractScrollArea>
#include <QWidget>

#include <vector>

class QKeyEvent;
class QLabel;
class QLineEdit;

namespace velmora {

// The ranked rows of the palette, drawn as one list: icon, title, subtitle,
// and "return" on the highlighted row. Hovering a row highlights it; a click
// chooses it.
class PaletteListView final : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit PaletteListView(PaletteState& state, QWidget* parent = nullptr);

    int rowHeight() const;
    // The row under a point of the viewport; -1 outside the rows.
    int rowAt(const QPoint& point) const;
    // Takes the results of the state afresh and keeps the highlight in view.
    void reload();
    const std::vector<PaletteEntry>& rows() const { return m_rows; }

signals:
    void rowClicked(const PaletteEntry& entry);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateScrollRange();
    void ensureSelectionVisible();

    PaletteState& m_state;
    std::vector<PaletteEntry> m_rows;
    int m_pressedRow = -1;
};

// The palette's content: a header with the query field ("Jump to…") and
// "esc", a divider and the list. Typing filters the list; Up and Down move
// the highlight, Return chooses it, Escape dismisses; other keys reach the
// field.
class CommandPaletteView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int cornerRadius = 8;

    explicit CommandPaletteView(PaletteState& state, QWidget* parent = nullptr);

    QLineEdit* queryField() const { return m_field; }
    PaletteListView* list() const { return m_list; }

    // The palette's own keys; false lets the key reach the field.
    bool handleKey(const QKeyEvent& event);

signals:
    void dismissRequested();
    void runRequested(const PaletteEntry& entry);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void stateChanged();

    PaletteState& m_state;
    QLineEdit* m_field;
    QLabel* m_icon;
    PaletteListView* m_list;
    QString m_lastQuery;
};

} // namespace velmora
