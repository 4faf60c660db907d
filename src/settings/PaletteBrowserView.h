#pragma once

#include "skin/CuratedPalettes.h"
#include "skin/SkinManifest.h"

#include <QColor>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <chrono>
#include <optional>
#include <vector>

class QAbstractButton;
class QLabel;
class QListWidget;
class QPushButton;

namespace velmora {

class SettingsViewModel;

// The "Palette" section of the settings window's General tab. For the skin
// the settings window edits (ActiveSkin), it chooses which curated palette
// replaces the skin's own colours ("Skin default" for none), sets or drops a
// cursor colour, shows a sample terminal and the 16 ANSI colours of the
// result, bakes that palette into a user skin's "skin.json" ("Save to Skin")
// and picks a random palette ("Shuffle"). Every choice is stored in the
// settings at once and announced with the palette-changed notification, so
// open device windows of that skin recolour themselves.
class PaletteBrowserView final : public QWidget {
    Q_OBJECT

public:
    // The reserved list id of the skin's own palette; never stored.
    static inline const QString skinDefaultId = QStringLiteral("__skin_default__");
    static inline const QString noAnsiText = QStringLiteral("This skin defines no ANSI palette.");
    static constexpr std::chrono::milliseconds statusClearDelay{2500};
    static constexpr int listWidth = 184;
    static constexpr int rowHeight = 224;

    // The colours of the sample and of the ANSI strip.
    struct PreviewPalette {
        QColor foreground;
        QColor background;
        QColor cursor;
        QList<QColor> ansi; // 16, or empty
    };

    explicit PaletteBrowserView(SettingsViewModel& model, QWidget* parent = nullptr);

    // Decides the skin and loads its stored choices; done each time the
    // browser is shown and after the settings are reset.
    void reload();
    // Makes id (a palette id or skinDefaultId) the skin's choice, stores it
    // and announces it, even when it did not change.
    void applySelection(const QString& id);
    // A random curated palette other than the one selected now.
    void shuffle();
    // "Save to Skin".
    void saveCurrentPalette();
    // A colour chosen in the cursor well: stored as the skin's cursor.
    void setCursorColor(const QColor& color);
    // "Reset": drops the skin's cursor colour and shows the palette's own.
    void resetCursor();

    QString skinName() const { return m_skinName; }
    QString selection() const { return m_selection; }
    // The selected curated palette's id; none for "Skin default".
    std::optional<QString> currentOverrideId() const;
    QColor cursorColor() const { return m_cursorColor; }
    bool isCursorOverridden() const { return m_cursorOverridden; }
    QString saveStatus() const { return m_saveStatus; }
    QString headerPaletteName() const;
    PreviewPalette preview() const;
    // The sample's font size: the settings' size, at least 9.
    double sampleFontSize() const;
    // The settings' font family, which the preview is drawn in.
    QString sampleFontName() const;

    QListWidget* paletteList() const { return m_list; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* shuffleButton() const { return m_shuffle; }
    QPushButton* resetButton() const { return m_reset; }
    QAbstractButton* cursorWell() const { return m_well; }
    void setStatusClearDelay(std::chrono::milliseconds delay) { m_statusClearDelay = delay; }

    // What the sample shows for a palette choice and a skin.
    static PreviewPalette previewFor(const std::optional<QString>& overrideId, const SkinManifest* skin,
                                     const std::optional<QColor>& cursorOverride);
    // The small tile of a list row: the background with a dot of the
    // foreground.
    static QPixmap swatch(const CuratedPalette& palette, qreal devicePixelRatio = 1);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QWidget* buildHeader();
    QWidget* buildPaletteList();
    QWidget* buildPreviewPane();
    QWidget* buildCursorRow();
    void loadCursor();
    const SkinManifest* findSkin() const;
    void showSelection();
    void refresh();
    void applyColors();

    SettingsViewModel& m_model;
    QString m_skinName;
    QString m_selection = skinDefaultId;
    QColor m_cursorColor = Qt::green;
    bool m_cursorOverridden = false;
    QString m_saveStatus;
    std::chrono::milliseconds m_statusClearDelay = statusClearDelay;
    bool m_showingSelection = false;

    QLabel* m_title = nullptr;
    QLabel* m_paletteName = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_shuffle = nullptr;
    QListWidget* m_list = nullptr;
    QWidget* m_sample = nullptr;
    QWidget* m_strip = nullptr;
    QLabel* m_noAnsi = nullptr;
    QLabel* m_cursorLabel = nullptr;
    QAbstractButton* m_well = nullptr;
    QPushButton* m_reset = nullptr;
};

} // namespace velmora
