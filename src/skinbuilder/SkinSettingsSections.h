#pragma once

#include <QSizeF>
#include <QString>
#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace velmora {

class SkinBuilderModel;
class StepSlider;
class SwitchToggle;

// The sections of the side panel for what a skin carries besides its
// picture, screen area and palette. Each control is bound to one field of
// the model and writes it as the user edits; a value set from the model is
// only shown.

// EFFECTS: scanlines with their style and intensity, phosphor glow and CRT
// curvature, each slider shown only while its effect is on.
class EffectsSection final : public QWidget {
    Q_OBJECT

public:
    // Menu entries and the values stored for them, in menu order.
    struct ScanlineStyle {
        QString title;
        QString value;
    };
    static const std::array<ScanlineStyle, 4>& scanlineStyles();

    explicit EffectsSection(SkinBuilderModel& model, QWidget* parent = nullptr);

    QCheckBox* scanlinesToggle() const { return m_scanlines; }
    QComboBox* styleMenu() const { return m_style; }
    StepSlider* scanlineSlider() const { return m_scanlineIntensity; }
    QCheckBox* glowToggle() const { return m_glow; }
    StepSlider* glowSlider() const { return m_glowIntensity; }
    QCheckBox* curvatureToggle() const { return m_curvature; }
    StepSlider* curvatureSlider() const { return m_curvatureAmount; }

private:
    void refresh();

    SkinBuilderModel& m_model;
    QCheckBox* m_scanlines;
    QWidget* m_styleRow;
    QComboBox* m_style;
    StepSlider* m_scanlineIntensity;
    QCheckBox* m_glow;
    StepSlider* m_glowIntensity;
    QCheckBox* m_curvature;
    StepSlider* m_curvatureAmount;
};

// SKIN INFO: the skin's name and author.
class SkinInfoSection final : public QWidget {
    Q_OBJECT

public:
    explicit SkinInfoSection(SkinBuilderModel& model, QWidget* parent = nullptr);

    QLineEdit* nameField() const { return m_name; }
    QLineEdit* authorField() const { return m_author; }

private:
    void refresh();

    SkinBuilderModel& m_model;
    QLineEdit* m_name;
    QLineEdit* m_author;
};

// LAUNCH SIZE: the scale at which the skin's window first opens, and the
// window size that gives for the loaded picture.
class LaunchSizeSection final : public QWidget {
    Q_OBJECT

public:
    // The whole part of scale × 100, then "%": 1.15 reads "114%" as the
    // product falls a hair short of 115.
    static QString percentText(double launchScale);
    // "Window: WxHpt" for a picture of that pixel size at that scale.
    static QString windowText(const QSizeF& pixelSize, double launchScale);

    explicit LaunchSizeSection(SkinBuilderModel& model, QWidget* parent = nullptr);

    QLabel* percentLabel() const { return m_percent; }
    StepSlider* slider() const { return m_slider; }
    QLabel* windowLabel() const { return m_window; }

private:
    void refresh();

    SkinBuilderModel& m_model;
    QLabel* m_percent;
    StepSlider* m_slider;
    QLabel* m_window;
};

// SCREEN LAYER: whether the terminal is drawn in front of the device art or
// behind it.
class ScreenLayerSection final : public QWidget {
    Q_OBJECT

public:
    static inline const QString inFrontTitle = QStringLiteral("Terminal in front of art");
    static inline const QString behindTitle = QStringLiteral("Terminal behind art");
    static inline const QString inFrontHint
        = QStringLiteral("Terminal renders on top of the device art in the screen area.");
    static inline const QString behindHint = QStringLiteral(
        "Art renders on top — the terminal shows through the viewport cutout, so the device 'holds' the screen.");

    explicit ScreenLayerSection(SkinBuilderModel& model, QWidget* parent = nullptr);

    SwitchToggle* layerSwitch() const { return m_switch; }
    QLabel* switchLabel() const { return m_label; }
    QLabel* hintLabel() const { return m_hint; }

private:
    void refresh();

    SkinBuilderModel& m_model;
    SwitchToggle* m_switch;
    QLabel* m_label;
    QLabel* m_hint;
};

} // namespace velmora
