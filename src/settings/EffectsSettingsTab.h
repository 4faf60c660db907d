#pragma once

#include "core/SkinEffectsSettings.h"
#include "skin/SkinManifestFile.h"

#include <QJsonObject>
#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace velmora {

class SettingsViewModel;

// The settings window's Effects tab: scanlines with their style and
// intensity, phosphor glow, screen curvature and the colour grade of the skin
// the user is looking at. Every change is stored under the skin's name and
// announced with the effects notification naming the skin, so device windows
// of that skin follow live. "Save to Skin" bakes the effects, the palette and
// the cursor into a user skin's "skin.json". The skin is chosen again each
// time the tab is shown.
class EffectsSettingsTab final : public QWidget {
    Q_OBJECT

public:
    using SaveOutcome = SkinManifestFile::SaveOutcome;

    static inline const QString liveCaption = QStringLiteral("Effects apply live to any window showing this skin.");

    explicit EffectsSettingsTab(SettingsViewModel& model, QWidget* parent = nullptr);

    // Takes the skin from the device windows (else the default skin) and
    // its stored effects.
    void load();
    // Replaces the values being edited; a change is stored and announced.
    void setEffects(const SkinEffectsSettings& effects);
    // "Reset": the default values.
    void resetEffects();
    // "Save to Skin".
    void saveToSkin();

    QString selectedSkin() const { return m_selectedSkin; }
    SkinEffectsSettings effects() const { return m_effects; }
    QString saveStatus() const { return m_saveStatus; }

    // The footer text of an outcome: the save's own text after a dash,
    // "— saved ✓" and the four failures.
    static QString statusText(SaveOutcome outcome);
    // The "effects" object written to a skin: the keys of the switches that
    // are on; colorGrade is never written. Empty when every switch is off.
    static QJsonObject effectsObject(const SkinEffectsSettings& effects);
    // Merges the palette into the skin's "skin.json" as the palette browser
    // does and replaces its effects (through SkinJSONSaver::save), then
    // reloads the skins and tells every window.
    SaveOutcome saveToSkin(const QString& skinName, const SkinEffectsSettings& effects);
    // "0.30".
    static QString valueText(double value);

    QCheckBox* scanlinesSwitch() const { return m_scanlines; }
    QComboBox* scanlineStyleMenu() const { return m_scanlineStyle; }
    QSlider* scanlineIntensitySlider() const { return m_scanlineIntensity; }
    QCheckBox* glowSwitch() const { return m_glow; }
    QSlider* glowIntensitySlider() const { return m_glowIntensity; }
    QCheckBox* curvatureSwitch() const { return m_curvature; }
    QSlider* curvatureAmountSlider() const { return m_curvatureAmount; }
    QComboBox* colorGradeMenu() const { return m_colorGrade; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* resetButton() const { return m_reset; }
    QLabel* statusLabel() const { return m_status; }
    QWidget* scanlineRows() const { return m_scanlineRows; }
    QWidget* glowRows() const { return m_glowRows; }
    QWidget* curvatureRows() const { return m_curvatureRows; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* sliderRow(const QString& label, QSlider*& slider, QLabel*& value, double maximum);
    void store();
    void showEffects();
    void editFromControls();

    SettingsViewModel& m_model;
    QString m_selectedSkin;
    SkinEffectsSettings m_effects;
    QString m_saveStatus;
    bool m_showing = false;

    QLabel* m_skinName = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_reset = nullptr;
    QCheckBox* m_scanlines = nullptr;
    QWidget* m_scanlineRows = nullptr;
    QComboBox* m_scanlineStyle = nullptr;
    QSlider* m_scanlineIntensity = nullptr;
    QLabel* m_scanlineIntensityValue = nullptr;
    QCheckBox* m_glow = nullptr;
    QWidget* m_glowRows = nullptr;
    QSlider* m_glowIntensity = nullptr;
    QLabel* m_glowIntensityValue = nullptr;
    QCheckBox* m_curvature = nullptr;
    QWidget* m_curvatureRows = nullptr;
    QSlider* m_curvatureAmount = nullptr;
    QLabel* m_curvatureAmountValue = nullptr;
    QComboBox* m_colorGrade = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace velmora
