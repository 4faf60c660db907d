#pragma once

#include "skin/CuratedPalettes.h"

#include <QList>
#include <QPointer>
#include <QPushButton>
#include <QString>

#include <optional>

class QFrame;
class QLineEdit;
class QScrollArea;

namespace velmora {

// The rows of the preset list: each palette's name over a strip of its 16
// ANSI colours, the current palette's name in the accent colour. A click
// anywhere in a row picks its palette.
class PalettePresetList final : public QWidget {
    Q_OBJECT

public:
    static constexpr int rowHeight = 40;

    explicit PalettePresetList(QWidget* parent = nullptr);

    void setPalettes(const QList<CuratedPalette>& palettes, const std::optional<QString>& currentId);
    const QList<CuratedPalette>& palettes() const { return m_palettes; }
    // The row of the current palette, or -1.
    int currentRow() const;
    // What a click on the row does.
    void pick(int row);

    QSize sizeHint() const override;

signals:
    void picked(const velmora::CuratedPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int rowAt(const QPoint& point) const;

    QList<CuratedPalette> m_palettes;
    std::optional<QString> m_currentId;
    int m_hoverRow = -1;
};

// The preset button of the palette section: it names the palette applied
// last ("Presets" when none) and opens a popup under itself with a filter
// field and the list of curated palettes. Picking one reports it and closes
// the popup; the filter text stays for the next opening.
class PalettePresetPicker final : public QPushButton {
    Q_OBJECT

public:
    static inline const QString noPaletteName = QStringLiteral("Presets");

    explicit PalettePresetPicker(QWidget* parent = nullptr);
    ~PalettePresetPicker() override;

    // The palette to mark as current.
    void setCurrent(const std::optional<QString>& id);
    const std::optional<QString>& current() const { return m_current; }

    // The curated palettes, in their order, whose name holds the query
    // (ignoring case); all of them for an empty query. The query is taken as
    // typed, blanks included, and ids are not searched.
    static QList<CuratedPalette> filtered(const QString& query);
    // The name of the curated palette with that id; "Presets" when there is
    // no id or no such palette.
    static QString currentName(const std::optional<QString>& id);

    const QString& query() const { return m_query; }
    void setQuery(const QString& query);

    bool isOpen() const;
    void setOpen(bool open);

    PalettePresetList* list() const { return m_list; }
    QLineEdit* filterField() const { return m_filter; }

    QSize sizeHint() const override;

signals:
    void picked(const velmora::CuratedPalette& palette);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void refreshList();

    std::optional<QString> m_current;
    QString m_query;
    QPointer<QFrame> m_popup;
    QLineEdit* m_filter;
    QScrollArea* m_scroll;
    PalettePresetList* m_list;
};

} // namespace velmora
