#pragma once

#include "skin/SkinManifest.h"

#include <QColor>
#include <QString>
#include <QWidget>

#include <vector>

namespace velmora {

// A small pill-shaped tab: its label (a session's position counted from 1,
// or "+"), drawn in the palette's foreground; filled when active, outlined
// otherwise, brighter under the pointer. Pressing it never drags the window.
// A closable pill offers "Close Tab N" on a right press.
class PillButton final : public QWidget {
    Q_OBJECT

public:
    static constexpr int size = 16;

    explicit PillButton(const QString& label, QWidget* parent = nullptr);

    QString label() const { return m_label; }
    void setLabel(const QString& label);
    bool isActive() const { return m_isActive; }
    void setActive(bool active);
    QColor paletteForeground() const { return m_paletteForeground; }
    void setPaletteForeground(const QColor& colour);
    bool isHovered() const { return m_isHovered; }

    // Whether a right press offers to close the tab; the add pill does not.
    bool isClosable() const { return m_isClosable; }
    void setClosable(bool closable) { m_isClosable = closable; }

    // The text of the context menu's one item: "Close Tab " and the label.
    QString closeTabTitle() const { return QStringLiteral("Close Tab ") + m_label; }
    // What choosing that item does: closeRequested(), for a closable pill.
    void menuCloseTab();

    // Fill, outline and text colours for the pill's state.
    QColor fillColour() const;
    QColor strokeColour() const;
    QColor textColour() const;

signals:
    // A left press.
    void clicked();
    // "Close Tab N" was chosen from the pill's context menu.
    void closeRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QString m_label;
    bool m_isClosable = false;
    bool m_isActive = false;
    QColor m_paletteForeground = Qt::white;
    bool m_isHovered = false;
};

// The strip of numbered tabs of a device window's sessions, followed by an
// add pill "+": pills of 16 pixels at a pitch of 19, left to right.
class SessionTabsView final : public QWidget {
    Q_OBJECT

public:
    static constexpr int pitch = 19;
    static constexpr int gap = pitch - PillButton::size;

    explicit SessionTabsView(const SkinManifest::TerminalPalette& palette, QWidget* parent = nullptr);

    int count() const { return m_count; }
    int activeIndex() const { return m_activeIndex; }
    const SkinManifest::TerminalPalette& palette() const { return m_palette; }
    const std::vector<PillButton*>& pillViews() const { return m_pillViews; }
    PillButton* addButton() const { return m_addButton; }

    // The width a strip of count numbered pills and the add pill takes.
    static int stripWidth(int count) { return (count + 1) * PillButton::size + count * gap; }

    // Adds or removes pills at the end until there are count, labels them
    // 1…count, colours them and highlights the active one; then lays out.
    using QWidget::update;
    void update(int count, int active, const SkinManifest::TerminalPalette& palette);
    // Recolours every pill in the palette's foreground; the pills and the
    // active one stay.
    void setPalette(const SkinManifest::TerminalPalette& palette);
    // Numbered pill i at x = 19 × i, the add pill after the last one.
    void layoutPills();

signals:
    // A numbered pill was pressed, with its index.
    void picked(int index);
    // The add pill was pressed.
    void addRequested();
    // "Close Tab" was chosen on a numbered pill, with its index.
    void closeRequested(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    SkinManifest::TerminalPalette m_palette;
    int m_count = 0;
    int m_activeIndex = 0;
    std::vector<PillButton*> m_pillViews;
    PillButton* m_addButton = nullptr;
};

} // namespace velmora
