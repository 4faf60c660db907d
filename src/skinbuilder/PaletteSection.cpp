#include "skinbuilder/PaletteSection.h"

#include "look/ButtonStyle.h"
#include "look/SymbolIcon.h"
#include "skin/HexColor.h"
#include "skinbuilder/PalettePresetPicker.h"
#include "skinbuilder/PanelControls.h"
#include "skinbuilder/SkinBuilderModel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace velmora {

namespace {

constexpr int ansiCount = 16;

// A prompt in the section's colours: "user@host ~ %" and a block cursor.
class PaletteSample final : public QWidget {
public:
    explicit PaletteSample(SkinBuilderModel& model) : m_model(model)
    {
        setFixedHeight(36);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath box;
        box.addRoundedRect(QRectF(rect()), 4, 4);
        painter.fillPath(box, m_model.bgColor());
        const QFont font = PanelLook::font(11, QFont::Normal, true);
        painter.setFont(font);
        const QString prompt = QStringLiteral("user@host ~ %");
        const QFontMetricsF metrics(font);
        const qreal textWidth = metrics.horizontalAdvance(prompt);
        const qreal rowWidth = textWidth + 2 + 7;
        const qreal left = (width() - rowWidth) / 2;
        painter.setPen(m_model.fgColor());
        painter.drawText(QRectF(left, 0, textWidth + 1, height()), Qt::AlignLeft | Qt::AlignVCenter, prompt);
        painter.fillRect(QRectF(left + textWidth + 2, (height() - 13) / 2.0, 7, 13),
                         PaletteSection::cursorShown(m_model));
    }

private:
    SkinBuilderModel& m_model;
};

QLabel* wellLabel(const QString& text) { return PanelLook::label(text, PanelLook::font(10, QFont::Medium, true)); }

} // namespace

const QStringList& PaletteSection::defaultAnsiLabels()
{
    static const QStringList labels = {QStringLiteral("Black"),
                                       QStringLiteral("Red"),
                                       QStringLiteral("Green"),
                                       QStringLiteral("Yellow"),
                                       QStringLiteral("Blue"),
                                       QStringLiteral("Magenta"),
                                       QStringLiteral("Cyan"),
                                       QStringLiteral("White"),
                                       QStringLiteral("Br Black"),
                                       QStringLiteral("Br Red"),
                                       QStringLiteral("Br Green"),
                                       QStringLiteral("Br Yellow"),
                                       QStringLiteral("Br Blue"),
                                       QStringLiteral("Br Magenta"),
                                       QStringLiteral("Br Cyan"),
                                       QStringLiteral("Br White")};
    return labels;
}

void PaletteSection::applyCuratedPalette(SkinBuilderModel& model, const CuratedPalette& palette)
{
    model.setFgColor(HexColor::parse(palette.foreground).value_or(model.fgColor()));
    model.setBgColor(HexColor::parse(palette.background).value_or(model.bgColor()));
    model.setCursorColor(HexColor::parse(palette.cursor));
    std::vector<QColor> ansi;
    ansi.reserve(size_t(palette.ansi.size()));
    for (const QString& entry : palette.ansi)
        ansi.push_back(HexColor::parse(entry).value_or(QColor(Qt::black)));
    model.setAnsiColors(std::move(ansi));
    model.setLastShuffledId(palette.id);
}

void PaletteSection::shuffle(SkinBuilderModel& model)
{
    applyCuratedPalette(model, CuratedPalettes::random(model.lastShuffledId()));
}

QColor PaletteSection::ansiColor(const SkinBuilderModel& model, int index)
{
    const auto& colors = model.ansiColors();
    if (colors && index >= 0 && size_t(index) < colors->size())
        return (*colors)[size_t(index)];
    return Qt::black;
}

std::vector<QColor> PaletteSection::ansiColorsWith(const SkinBuilderModel& model, int index, const QColor& color)
{
    std::vector<QColor> colors = model.ansiColors().value_or(std::vector<QColor>(ansiCount, QColor(Qt::black)));
    if (colors.size() < ansiCount)
        colors.resize(ansiCount, QColor(Qt::black));
    if (index >= 0 && size_t(index) < colors.size())
        colors[size_t(index)] = color;
    return colors;
}

QColor PaletteSection::cursorShown(const SkinBuilderModel& model)
{
    return model.cursorColor().value_or(model.fgColor());
}

PaletteSection::PaletteSection(SkinBuilderModel& model, const QStringList& ansiLabels, QWidget* parent)
    : QWidget(parent), m_model(model)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    column->addWidget(new SectionHeader(QStringLiteral("PALETTE")));

    // Wells, then Shuffle at the far end.
    auto* wells = new QHBoxLayout;
    wells->setSpacing(6);
    m_fg = new ColorWell(QStringLiteral("Foreground"));
    m_bg = new ColorWell(QStringLiteral("Background"));
    m_cursor = new ColorWell(QStringLiteral("Cursor"));
    m_fg->setObjectName(QStringLiteral("foregroundWell"));
    m_bg->setObjectName(QStringLiteral("backgroundWell"));
    m_cursor->setObjectName(QStringLiteral("cursorWell"));
    wells->addWidget(wellLabel(QStringLiteral("FG")));
    wells->addWidget(m_fg);
    wells->addSpacing(6);
    wells->addWidget(wellLabel(QStringLiteral("BG")));
    wells->addWidget(m_bg);
    wells->addSpacing(6);
    wells->addWidget(wellLabel(QStringLiteral("CUR")));
    wells->addWidget(m_cursor);
    m_resetCursor = new QToolButton;
    m_resetCursor->setObjectName(QStringLiteral("resetCursorButton"));
    m_resetCursor->setAutoRaise(true);
    m_resetCursor->setIcon(QIcon(
        SymbolIcon::pixmap(QStringLiteral("arrow.uturn.backward.circle"), PanelLook::secondaryText(palette()), 16, 2)));
    m_resetCursor->setIconSize(QSize(16, 16));
    m_resetCursor->setToolTip(QStringLiteral("Reset cursor color (use FG)"));
    wells->addWidget(m_resetCursor);
    wells->addStretch(1);
    m_shuffle = PanelLook::wideButton(QStringLiteral("shuffle"),
                                      QStringLiteral("Shuffle"),
                                      QStringLiteral("Pick a random curated palette — all 16 ANSI colors too"));
    m_shuffle->setObjectName(QStringLiteral("shuffleButton"));
    m_shuffle->setFont(PanelLook::font(11));
    m_shuffle->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    wells->addWidget(m_shuffle);
    column->addLayout(wells);

    auto* presets = new QHBoxLayout;
    m_picker = new PalettePresetPicker;
    m_picker->setObjectName(QStringLiteral("presetPicker"));
    presets->addWidget(m_picker);
    presets->addStretch(1);
    column->addLayout(presets);

    // ANSI colours behind a disclosure.
    m_disclosure = new QToolButton;
    m_disclosure->setObjectName(QStringLiteral("ansiDisclosure"));
    m_disclosure->setText(QStringLiteral("ANSI 16 (advanced)"));
    m_disclosure->setFont(PanelLook::font(10, QFont::Normal, true));
    m_disclosure->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_disclosure->setAutoRaise(true);
    m_disclosure->setCheckable(true);
    m_disclosure->setArrowType(Qt::RightArrow);
    QPalette disclosurePalette = m_disclosure->palette();
    disclosurePalette.setColor(QPalette::ButtonText, PanelLook::secondaryText(disclosurePalette));
    m_disclosure->setPalette(disclosurePalette);
    column->addWidget(m_disclosure);

    m_ansiBox = new QWidget;
    auto* ansiColumn = new QVBoxLayout(m_ansiBox);
    ansiColumn->setContentsMargins(0, 0, 0, 0);
    ansiColumn->setSpacing(8);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    for (int i = 0; i < ansiCount; ++i) {
        auto* cell = new QHBoxLayout;
        cell->setSpacing(6);
        QLabel* name = PanelLook::label(i < ansiLabels.size() ? ansiLabels[i] : QString(),
                                        PanelLook::font(9, QFont::Normal, true));
        name->setFixedWidth(70);
        name->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        cell->addWidget(name);
        m_ansi[size_t(i)] = new ColorWell(i < ansiLabels.size() ? ansiLabels[i] : QString());
        cell->addWidget(m_ansi[size_t(i)]);
        cell->addStretch(1);
        grid->addLayout(cell, i / 2, i % 2);
        connect(m_ansi[size_t(i)], &ColorWell::colorChosen, this, [this, i](const QColor& color) {
            m_model.setAnsiColors(ansiColorsWith(m_model, i, color));
        });
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    ansiColumn->addLayout(grid);
    m_clearAnsi = new QPushButton(QStringLiteral("Clear ANSI override (use defaults)"));
    m_clearAnsi->setObjectName(QStringLiteral("clearAnsiButton"));
    m_clearAnsi->setFont(PanelLook::font(10));
    m_clearAnsi->setStyleSheet(ButtonStyle::bordered(m_clearAnsi->palette())
                               + QStringLiteral("QPushButton { padding: 2px 10px; min-height: 14px; }"));
    m_clearAnsi->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    ansiColumn->addWidget(m_clearAnsi, 0, Qt::AlignLeft);
    column->addWidget(m_ansiBox);

    m_sample = new PaletteSample(model);
    m_sample->setObjectName(QStringLiteral("paletteSample"));
    column->addWidget(m_sample);

    connect(m_fg, &ColorWell::colorChosen, this, [this](const QColor& color) { m_model.setFgColor(color); });
    connect(m_bg, &ColorWell::colorChosen, this, [this](const QColor& color) { m_model.setBgColor(color); });
    connect(m_cursor, &ColorWell::colorChosen, this, [this](const QColor& color) { m_model.setCursorColor(color); });
    connect(m_resetCursor, &QToolButton::clicked, this, [this] { m_model.setCursorColor(std::nullopt); });
    connect(m_shuffle, &QPushButton::clicked, this, [this] { shuffle(m_model); });
    connect(m_picker, &PalettePresetPicker::picked, this, [this](const CuratedPalette& palette) {
        applyCuratedPalette(m_model, palette);
    });
    connect(m_disclosure, &QToolButton::toggled, this, &PaletteSection::setAnsiPickersShown);
    connect(m_clearAnsi, &QPushButton::clicked, this, [this] { m_model.setAnsiColors(std::nullopt); });
    connect(&model, &SkinBuilderModel::changed, this, &PaletteSection::refresh);
    refresh();
}

void PaletteSection::setAnsiPickersShown(bool shown)
{
    m_showAnsiPickers = shown;
    if (m_disclosure->isChecked() != shown)
        m_disclosure->setChecked(shown);
    m_disclosure->setArrowType(shown ? Qt::DownArrow : Qt::RightArrow);
    refresh();
}

void PaletteSection::refresh()
{
    m_fg->setColor(m_model.fgColor());
    m_bg->setColor(m_model.bgColor());
    m_cursor->setColor(cursorShown(m_model));
    m_resetCursor->setVisible(m_model.cursorColor().has_value());
    m_picker->setCurrent(m_model.lastShuffledId());
    m_ansiBox->setVisible(m_showAnsiPickers);
    for (int i = 0; i < ansiCount; ++i)
        m_ansi[size_t(i)]->setColor(ansiColor(m_model, i));
    m_clearAnsi->setVisible(m_model.ansiColors().has_value());
    m_sample->update();
}

} // namespace velmora
