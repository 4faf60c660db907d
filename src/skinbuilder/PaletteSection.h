#pragma once

#include "skin/CuratedPalettes.h"

#include <QColor>
#include <QStringList>
#include <QWidget>

#include <array>
#include <vector>

class QLabel;
class QPushButton;
class QToolButton;

namespace velmora {

class ColorWell;
class PalettePresetPicker;
class SkinBuilderModel;

// The PALETTE section of the builder's side panel: wells for the foreground,
// background and cursor colours, Shuffle, the curated palette picker, the 16
// ANSI colours behind a disclosure, and a sample prompt in the chosen
// colours. It keeps no colour of its own: every well reads and writes the
// model.
class PaletteSection final : public QWidget {
    Q_OBJECT

public:
    // The names of the 16 ANSI colours, black to bright white.
    static const QStringList& defaultAnsiLabels();

    PaletteSection(SkinBuilderModel& model, const QStringList& ansiLabels, QWidget* parent = nullptr);

    // Writes the palette into the model, one change each, in this order:
    // foreground and background (kept when the text is no colour), cursor
    // (none when the text is no colour, so it follows the foreground), the
    // ANSI override (black for an entry that is no colour) and the palette's
    // id as the one applied last.
    static void applyCuratedPalette(SkinBuilderModel& model, const CuratedPalette& palette);
    // Applies a random curated palette other than the one applied last.
    static void shuffle(SkinBuilderModel& model);
    // What ANSI well i shows: the override's entry, or black.
    static QColor ansiColor(const SkinBuilderModel& model, int index);
    // The override after ANSI well i is set: the current one (16 black
    // entries when there is none), padded with black to 16 entries, entry i
    // replaced.
    static std::vector<QColor> ansiColorsWith(const SkinBuilderModel& model, int index, const QColor& color);
    // What the CUR well shows: the cursor colour, or the foreground.
    static QColor cursorShown(const SkinBuilderModel& model);

    bool ansiPickersShown() const { return m_showAnsiPickers; }
    void setAnsiPickersShown(bool shown);

    ColorWell* foregroundWell() const { return m_fg; }
    ColorWell* backgroundWell() const { return m_bg; }
    ColorWell* cursorWell() const { return m_cursor; }
    ColorWell* ansiWell(int index) const { return m_ansi[size_t(index)]; }
    QToolButton* resetCursorButton() const { return m_resetCursor; }
    QPushButton* shuffleButton() const { return m_shuffle; }
    QPushButton* clearAnsiButton() const { return m_clearAnsi; }
    PalettePresetPicker* presetPicker() const { return m_picker; }

private:
    void refresh();

    SkinBuilderModel& m_model;
    bool m_showAnsiPickers = false;
    ColorWell* m_fg;
    ColorWell* m_bg;
    ColorWell* m_cursor;
    QToolButton* m_resetCursor;
    QPushButton* m_shuffle;
    PalettePresetPicker* m_picker;
    QToolButton* m_disclosure;
    QWidget* m_ansiBox;
    std::array<ColorWell*, 16> m_ansi{};
    QPushButton* m_clearAnsi;
    QWidget* m_sample;
};

} // namespace velmora
