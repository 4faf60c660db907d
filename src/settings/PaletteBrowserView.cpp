#include "settings/PaletteBrowserView.h"

#include "core/SettingsStore.h"
#include "look/ButtonStyle.h"
#include "look/Drawing.h"
#include "look/SymbolIcon.h"
#include "session/ShellView.h"
#include "settings/SettingsViewModel.h"
#include "skin/HexColor.h"
#include "skin/SkinJSONSaver.h"
#include "skin/SkinLoader.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace velmora {
namespace {

QColor primaryOf(const QWidget* widget) { return widget->palette().color(QPalette::WindowText); }
QColor secondaryOf(const QWidget* widget) { return Drawing::withAlpha(primaryOf(widget), 0.55f); }
QColor tertiaryOf(const QWidget* widget) { return Drawing::withAlpha(primaryOf(widget), 0.32f); }

QColor hexOr(const QString& text, const QColor& fallback) { return HexColor::parse(text).value_or(fallback); }

QFont systemFont(int pixels, QFont::Weight weight = QFont::Normal)
{
    QFont font = QApplication::font();
    font.setPixelSize(pixels);
    font.setWeight(weight);
    return font;
}

// The sample terminal: six lines in the preview's colours and the settings'
// font.
class TerminalSample final : public QWidget {
public:
    explicit TerminalSample(const PaletteBrowserView* browser, QWidget* parent) : QWidget(parent), m_browser(browser)
    {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        setMinimumSize(120, 60);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const PaletteBrowserView::PreviewPalette colors = m_browser->preview();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF area = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
        painter.fillPath(Drawing::roundedRect(area, 6), colors.background);
        painter.setPen(QPen(Drawing::withAlpha(primaryOf(this), 0.12f), 0.5));
        painter.drawPath(Drawing::roundedRect(area, 6));

        const auto ansi = [&](int n) { return n < colors.ansi.size() ? colors.ansi[n] : colors.foreground; };
        const QColor fg = colors.foreground;
        struct Piece {
            QString text;
            QColor color;
        };
        const std::vector<std::vector<Piece>> lines = {
            {{"guest", ansi(2)}, {"@velmora", fg}, {":", fg}, {"~/code", ansi(4)}, {" %", ansi(5)}},
            {{"$ echo 'hello world'", fg}},
            {{"hello world", ansi(2)}},
            {{"$ git status", fg}},
            {{"On branch ", fg}, {"main", ansi(3)}},
            {{"$ ", fg}, {QStringLiteral("▋"), colors.cursor}},
        };
        const QFont font = ShellView::resolveFont(m_browser->sampleFontName(), m_browser->sampleFontSize());
        const QFontMetricsF metrics(font);
        painter.setFont(font);
        painter.setClipRect(rect().adjusted(10, 10, -10, -10));
        qreal y = 10;
        for (const std::vector<Piece>& line : lines) {
            qreal x = 10;
            for (const Piece& piece : line) {
                painter.setPen(piece.color);
                painter.drawText(QPointF(x, y + metrics.ascent()), piece.text);
                x += metrics.horizontalAdvance(piece.text);
            }
            y += metrics.height() + 3;
        }
    }

private:
    const PaletteBrowserView* m_browser;
};

// The 16 ANSI colours in two rows of eight, each with its index below.
class AnsiStrip final : public QWidget {
public:
    static constexpr int cellHeight = 14;
    static constexpr int gap = 3;

    explicit AnsiStrip(const PaletteBrowserView* browser, QWidget* parent) : QWidget(parent), m_browser(browser)
    {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setFixedHeight(2 * rowHeight() + gap);
    }

protected:
    static QFont indexFont()
    {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPixelSize(7);
        return font;
    }
    static int rowHeight() { return cellHeight + 1 + int(std::ceil(QFontMetricsF(indexFont()).height())); }

    void paintEvent(QPaintEvent*) override
    {
        const QList<QColor> colors = m_browser->preview().ansi;
        if (colors.size() != 16)
            return;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setFont(indexFont());
        const qreal cellWidth = std::max<qreal>(10, (width() - 7.0 * gap) / 8);
        for (int i = 0; i < 16; ++i) {
            const qreal x = (i % 8) * (cellWidth + gap);
            const qreal y = (i / 8) * (rowHeight() + gap);
            const QRectF cell(x + 0.25, y + 0.25, cellWidth - 0.5, cellHeight - 0.5);
            painter.fillPath(Drawing::roundedRect(cell, 2), colors[i]);
            painter.setPen(QPen(Drawing::withAlpha(primaryOf(this), 0.12f), 0.5));
            painter.drawPath(Drawing::roundedRect(cell, 2));
            painter.setPen(tertiaryOf(this));
            painter.drawText(QRectF(x, y + cellHeight + 1, cellWidth, rowHeight() - cellHeight - 1),
                             Qt::AlignHCenter | Qt::AlignTop,
                             QString::number(i));
        }
    }

private:
    const PaletteBrowserView* m_browser;
};

// A colour well: the colour on a rounded tile; a click opens the colour
// dialog.
class ColorWell final : public QAbstractButton {
public:
    explicit ColorWell(QWidget* parent) : QAbstractButton(parent)
    {
        setFixedSize(44, 22);
        setCursor(Qt::PointingHandCursor);
        setAccessibleName(QStringLiteral("Cursor colour"));
    }
    void setColor(const QColor& color)
    {
        m_color = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(Drawing::withAlpha(primaryOf(this), isDown() ? 0.45f : 0.25f), 1));
        painter.setBrush(palette().color(QPalette::Base));
        painter.drawPath(Drawing::roundedRect(outer, 5));
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_color);
        painter.drawPath(Drawing::roundedRect(outer.adjusted(3, 3, -3, -3), 3));
    }

private:
    QColor m_color;
};

} // namespace

PaletteBrowserView::PaletteBrowserView(SettingsViewModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    auto* body = new QVBoxLayout(this);
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(8);
    body->addWidget(buildHeader());

    auto* middle = new QWidget(this);
    middle->setFixedHeight(rowHeight);
    auto* row = new QHBoxLayout(middle);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    row->addWidget(buildPaletteList(), 0, Qt::AlignTop);
    row->addWidget(buildPreviewPane(), 1);
    body->addWidget(middle);
    body->addWidget(buildCursorRow());

    connect(&m_model.settings(), &SettingsStore::settingsReset, this, &PaletteBrowserView::reload);
    connect(&m_model.settings(), &SettingsStore::fontChanged, this, [this] { m_sample->update(); });
    applyColors();
    refresh();
}

QWidget* PaletteBrowserView::buildHeader()
{
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    m_title = new QLabel(QStringLiteral("Palette"), header);
    m_title->setFont(systemFont(13, QFont::DemiBold));
    row->addWidget(m_title);
    m_paletteName = new QLabel(header);
    m_paletteName->setFont(systemFont(11));
    row->addWidget(m_paletteName);
    row->addStretch(1);
    m_status = new QLabel(header);
    m_status->setFont(systemFont(10));
    row->addWidget(m_status);

    const auto button = [&](const QString& text, const QString& tip) {
        auto* b = new QPushButton(text, header);
        b->setToolTip(tip);
        b->setCursor(Qt::PointingHandCursor);
        b->setIconSize(QSize(12, 12));
        row->addWidget(b);
        return b;
    };
    m_save = button(QStringLiteral("Save to Skin"),
                    QStringLiteral("Bake the current palette + cursor into this skin's skin.json"));
    m_shuffle = button(QStringLiteral("Shuffle"), QStringLiteral("Pick a random curated palette"));
    connect(m_save, &QPushButton::clicked, this, &PaletteBrowserView::saveCurrentPalette);
    connect(m_shuffle, &QPushButton::clicked, this, &PaletteBrowserView::shuffle);
    return header;
}

QWidget* PaletteBrowserView::buildPaletteList()
{
    m_list = new QListWidget(this);
    m_list->setFixedSize(listWidth, rowHeight);
    m_list->setAlternatingRowColors(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setIconSize(QSize(16, 14));
    m_list->setUniformItemSizes(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setFont(systemFont(12));
    m_list->setStyleSheet(QStringLiteral("QListWidget::item { padding: 2px 4px; }"));

    auto* skinDefault = new QListWidgetItem(QStringLiteral("Skin default"), m_list);
    skinDefault->setData(Qt::UserRole, skinDefaultId);
    for (const CuratedPalette& palette : CuratedPalettes::all()) {
        auto* item = new QListWidgetItem(QIcon(swatch(palette, devicePixelRatioF())), palette.name, m_list);
        item->setData(Qt::UserRole, palette.id);
        item->setToolTip(palette.name);
    }
    connect(m_list, &QListWidget::itemSelectionChanged, this, [this] {
        if (m_showingSelection)
            return;
        const QList<QListWidgetItem*> selected = m_list->selectedItems();
        applySelection(selected.isEmpty() ? skinDefaultId : selected.first()->data(Qt::UserRole).toString());
    });
    return m_list;
}

QWidget* PaletteBrowserView::buildPreviewPane()
{
    auto* pane = new QWidget(this);
    auto* column = new QVBoxLayout(pane);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(8);
    m_sample = new TerminalSample(this, pane);
    column->addWidget(m_sample, 1);
    m_strip = new AnsiStrip(this, pane);
    column->addWidget(m_strip);
    m_noAnsi = new QLabel(noAnsiText, pane);
    m_noAnsi->setFont(systemFont(10));
    column->addWidget(m_noAnsi);
    return pane;
}

QWidget* PaletteBrowserView::buildCursorRow()
{
    auto* cursorRow = new QWidget(this);
    auto* row = new QHBoxLayout(cursorRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    m_cursorLabel = new QLabel(QStringLiteral("Cursor"), cursorRow);
    m_cursorLabel->setFont(systemFont(10));
    row->addWidget(m_cursorLabel);
    auto* well = new ColorWell(cursorRow);
    m_well = well;
    connect(well, &QAbstractButton::clicked, this, [this] {
        const QColor chosen = QColorDialog::getColor(
            m_cursorColor, this, QStringLiteral("Cursor Colour"), QColorDialog::ShowAlphaChannel);
        if (chosen.isValid())
            setCursorColor(chosen);
    });
    row->addWidget(well);
    m_reset = new QPushButton(QStringLiteral("Reset"), cursorRow);
    m_reset->setToolTip(QStringLiteral("Drop the cursor tweak and use the palette's own cursor"));
    m_reset->setCursor(Qt::PointingHandCursor);
    connect(m_reset, &QPushButton::clicked, this, &PaletteBrowserView::resetCursor);
    row->addWidget(m_reset);
    row->addStretch(1);
    return cursorRow;
}

QPixmap PaletteBrowserView::swatch(const CuratedPalette& palette, qreal devicePixelRatio)
{
    QPixmap pixmap((QSizeF(16, 14) * devicePixelRatio).toSize());
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(0.25, 0.75, 15.5, 12.5);
    painter.fillPath(Drawing::roundedRect(tile, 3), hexOr(palette.background, Qt::black));
    painter.setPen(Qt::NoPen);
    painter.setBrush(hexOr(palette.foreground, Qt::green));
    painter.drawEllipse(tile.center(), 3, 3);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(0.5f, 0.5f, 0.5f, 0.35f), 0.5));
    painter.drawPath(Drawing::roundedRect(tile, 3));
    return pixmap;
}

void PaletteBrowserView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    reload();
    // Once laid out, bring the chosen row to the middle of the list.
    QTimer::singleShot(0, this, [this] {
        if (QListWidgetItem* item = m_list->currentItem(); item && item->isSelected())
            m_list->scrollToItem(item, QAbstractItemView::PositionAtCenter);
    });
}

void PaletteBrowserView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_title)
        applyColors();
}

void PaletteBrowserView::applyColors()
{
    Drawing::setTextColor(m_paletteName, secondaryOf(this));
    Drawing::setTextColor(m_status, secondaryOf(this));
    Drawing::setTextColor(m_cursorLabel, secondaryOf(this));
    Drawing::setTextColor(m_noAnsi, tertiaryOf(this));
    const QString small = ButtonStyle::bordered(palette(), ButtonStyle::Size::Small);
    for (QPushButton* button : {m_save, m_shuffle, m_reset})
        button->setStyleSheet(small);
    const qreal dpr = devicePixelRatioF();
    m_save->setIcon(SymbolIcon::pixmap(QStringLiteral("tray.and.arrow.down"), primaryOf(this), 12, dpr));
    m_shuffle->setIcon(SymbolIcon::pixmap(QStringLiteral("shuffle"), primaryOf(this), 12, dpr));
    m_list->item(0)->setIcon(
        QIcon(SymbolIcon::pixmap(QStringLiteral("arrow.uturn.backward.circle"), secondaryOf(this), 14, dpr)));
}

const SkinManifest* PaletteBrowserView::findSkin() const
{
    for (const SkinManifest& skin : SkinManifest::orBuiltInPair(m_model.skins().skins())) {
        if (skin.name == m_skinName)
            return &skin;
    }
    return nullptr;
}

void PaletteBrowserView::reload()
{
    m_skinName = m_model.activeSkinName();
    m_selection = m_model.settings().data().paletteOverrides.value(m_skinName, skinDefaultId);
    loadCursor();
    refresh();
}

void PaletteBrowserView::loadCursor()
{
    const SkinManifest* skin = findSkin();
    const auto& overrides = m_model.settings().data().cursorOverrides;
    if (overrides.contains(m_skinName)) {
        m_cursorColor = HexColor::toColorOrMagenta(overrides.value(m_skinName));
        m_cursorOverridden = true;
        return;
    }
    m_cursorOverridden = false;
    if (skin)
        m_cursorColor = skin->palette.cursor.value_or(skin->palette.foreground);
}

void PaletteBrowserView::applySelection(const QString& id)
{
    m_selection = id;
    SettingsStore& store = m_model.settings();
    if (id == skinDefaultId)
        store.data().paletteOverrides.remove(m_skinName);
    else
        store.data().paletteOverrides.insert(m_skinName, id);
    store.save();
    store.announcePaletteChange(m_skinName);
    refresh();
}

void PaletteBrowserView::shuffle() { applySelection(CuratedPalettes::random(currentOverrideId()).id); }

void PaletteBrowserView::saveCurrentPalette()
{
    const QString status = SkinJSONSaver::savePalette(m_skinName, m_model.settings().data(), m_model.skins());
    m_saveStatus = status;
    refresh();
    QTimer::singleShot(m_statusClearDelay, this, [this, status] {
        if (m_saveStatus == status) {
            m_saveStatus.clear();
            refresh();
        }
    });
}

void PaletteBrowserView::setCursorColor(const QColor& color)
{
    m_cursorColor = color;
    m_cursorOverridden = true;
    const QColor srgb = color.toRgb();
    m_model.settings().setCursorOverride(SettingsStore::SrgbColor{srgb.redF(), srgb.greenF(), srgb.blueF()},
                                         m_skinName);
    refresh();
}

void PaletteBrowserView::resetCursor()
{
    SettingsStore& store = m_model.settings();
    store.data().cursorOverrides.remove(m_skinName);
    store.save();
    store.announcePaletteChange(m_skinName);
    loadCursor();
    refresh();
}

std::optional<QString> PaletteBrowserView::currentOverrideId() const
{
    if (m_selection.isEmpty() || m_selection == skinDefaultId)
        return std::nullopt;
    return m_selection;
}

QString PaletteBrowserView::headerPaletteName() const
{
    const std::optional<QString> id = currentOverrideId();
    const std::optional<CuratedPalette> palette = id ? CuratedPalettes::byId(*id) : std::nullopt;
    return palette ? palette->name : QStringLiteral("Skin default");
}

double PaletteBrowserView::sampleFontSize() const { return std::max(m_model.settings().data().fontSize, 9.0); }

QString PaletteBrowserView::sampleFontName() const { return m_model.settings().data().fontName; }

PaletteBrowserView::PreviewPalette PaletteBrowserView::preview() const
{
    return previewFor(
        currentOverrideId(), findSkin(), m_cursorOverridden ? std::optional<QColor>(m_cursorColor) : std::nullopt);
}

PaletteBrowserView::PreviewPalette PaletteBrowserView::previewFor(const std::optional<QString>& overrideId,
                                                                  const SkinManifest* skin,
                                                                  const std::optional<QColor>& cursorOverride)
{
    PreviewPalette colors{Qt::green, Qt::black, Qt::green, {}};
    const std::optional<CuratedPalette> curated = overrideId ? CuratedPalettes::byId(*overrideId) : std::nullopt;
    if (curated) {
        colors.foreground = hexOr(curated->foreground, Qt::green);
        colors.background = hexOr(curated->background, Qt::black);
        colors.cursor = hexOr(curated->cursor, colors.foreground);
        for (const QString& entry : curated->ansi)
            colors.ansi.append(hexOr(entry, Qt::black));
    } else if (skin) {
        colors.foreground = skin->palette.foreground;
        colors.background = skin->palette.background;
        colors.cursor = skin->palette.cursor.value_or(colors.foreground);
        if (skin->palette.ansi)
            colors.ansi = QList<QColor>(skin->palette.ansi->begin(), skin->palette.ansi->end());
    }
    if (cursorOverride)
        colors.cursor = *cursorOverride;
    return colors;
}

void PaletteBrowserView::showSelection()
{
    m_showingSelection = true;
    QListWidgetItem* match = nullptr;
    for (int row = 0; row < m_list->count(); ++row) {
        if (m_list->item(row)->data(Qt::UserRole).toString() == m_selection)
            match = m_list->item(row);
    }
    if (match) {
        m_list->setCurrentItem(match);
    } else {
        m_list->clearSelection();
        m_list->setCurrentItem(nullptr);
    }
    m_showingSelection = false;
}

void PaletteBrowserView::refresh()
{
    m_paletteName->setText(headerPaletteName());
    m_status->setText(m_saveStatus);
    m_status->setVisible(!m_saveStatus.isEmpty());
    m_reset->setVisible(m_cursorOverridden);
    static_cast<ColorWell*>(m_well)->setColor(m_cursorColor);
    showSelection();
    const bool hasAnsi = preview().ansi.size() == 16;
    m_strip->setVisible(hasAnsi);
    m_noAnsi->setVisible(!hasAnsi);
    m_sample->update();
    m_strip->update();
}

} // namespace velmora
