#pragma once

#include <QScrollArea>
#include <QStringList>

class QLabel;
class QPushButton;
class QVBoxLayout;

namespace velmora {

class EffectsSection;
class LaunchSizeSection;
class PaletteSection;
class ScreenLayerSection;
class SkinBuilderModel;
class SkinInfoSection;
class StepSlider;
class ViewportInspector;

// The right-hand column of the skin builder: start over or open a picture or
// an installed skin, clean the picture up, choose the canvas tool, set the
// palette, effects, name, launch size and screen layer, see what still keeps
// the skin from being complete, then preview, export or install it. It holds
// no editing state: every control reads or writes the model, and the column
// follows every change of the model.
class PropertiesPanel final : public QScrollArea {
    Q_OBJECT

public:
    static constexpr int panelWidth = 420;

    PropertiesPanel(SkinBuilderModel& model, const QStringList& ansiLabels, QWidget* parent = nullptr);

    static inline const QString cropPenHint = QStringLiteral(
        "Pen Crop active — click to add vertices, dbl-click / Return to commit, Esc cancels. Pixels OUTSIDE the "
        "polygon will be erased.");
    static inline const QString erasePenHint = QStringLiteral(
        "Pen Erase active — click to add vertices, dbl-click / Return to commit, Esc cancels. Pixels INSIDE the "
        "polygon will be erased.");
    static inline const QString magicWandHint = QStringLiteral(
        "Magic Wand active — click the background color to knock it out. Higher tolerance grabs more nearby shades; "
        "Undo restores it.");

    // The title of the Undo button for that many snapshots.
    static QString undoTitle(int snapshots);

    QPushButton* button(const QString& objectName) const;
    QWidget* imageSection() const { return m_imageSection; }
    QLabel* penHint() const { return m_penHint; }
    QWidget* toleranceRow() const { return m_toleranceRow; }
    StepSlider* toleranceSlider() const { return m_tolerance; }
    QLabel* toleranceValue() const { return m_toleranceValue; }
    ViewportInspector* viewportInspector() const { return m_inspector; }
    QWidget* validationList() const { return m_validation; }
    // The issue texts the validation list shows, top to bottom.
    QStringList validationTexts() const;
    QLabel* statusLine() const { return m_status; }
    PaletteSection* paletteSection() const { return m_palette; }
    EffectsSection* effectsSection() const { return m_effects; }
    SkinInfoSection* skinInfoSection() const { return m_skinInfo; }
    LaunchSizeSection* launchSizeSection() const { return m_launchSize; }
    ScreenLayerSection* screenLayerSection() const { return m_screenLayer; }

private:
    void refresh();
    void refreshValidation(const QStringList& issues);

    SkinBuilderModel& m_model;
    QWidget* m_content;
    QPushButton* m_new;
    QPushButton* m_changePicture;
    QWidget* m_imageDivider;
    QWidget* m_imageSection;
    QWidget* m_imageSectionDivider;
    QLabel* m_penHint;
    QPushButton* m_magicWand;
    QWidget* m_toleranceRow;
    StepSlider* m_tolerance;
    QLabel* m_toleranceValue;
    QLabel* m_wandHint;
    QPushButton* m_undo;
    QPushButton* m_drawViewport;
    ViewportInspector* m_inspector;
    PaletteSection* m_palette;
    EffectsSection* m_effects;
    QWidget* m_validation;
    QVBoxLayout* m_validationRows;
    QStringList m_shownIssues;
    SkinInfoSection* m_skinInfo;
    LaunchSizeSection* m_launchSize;
    ScreenLayerSection* m_screenLayer;
    QPushButton* m_preview;
    QPushButton* m_export;
    QPushButton* m_install;
    QLabel* m_status;
};

} // namespace velmora
