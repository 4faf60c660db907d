#include "settings/EffectsSettingsTab.h"

#include "core/LogText.h"
#include "core/SettingsStore.h"
#include "settings/SettingsLook.h"
#include "settings/SettingsViewModel.h"
#include "skin/SkinJSONSaver.h"
#include "skin/SkinLoader.h"
#include "skin/SkinManifestFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace velmora {
namespace {

constexpr int sliderSteps = 1000; // slider positions per unit of value
constexpr int indent = 20;

struct Choice {
    const char* title;
    const char* tag;
};

constexpr Choice scanlineStyles[]
    = {{"Standard", "standard"}, {"Heavy", "heavy"}, {"Shadow Mask", "shadowmask"}, {"Rolling", "rolling"}};
constexpr Choice colorGrades[]
    = {{"None", "none"}, {"Amber", "amber"}, {"Green", "green"}, {"Blue", "blue"}, {"Cool", "cool"}};

template <std::size_t N> QComboBox* choiceMenu(const Choice (&choices)[N], int width, QWidget* parent)
{
    auto* menu = new QComboBox(parent);
    for (const Choice& choice : choices)
        menu->addItem(QString::fromLatin1(choice.title), QString::fromLatin1(choice.tag));
    menu->setFixedWidth(width);
    return menu;
}

// Selects the entry of the tag; a tag no entry has selects nothing.
void selectTag(QComboBox* menu, const QString& tag) { menu->setCurrentIndex(menu->findData(tag)); }

int sliderPosition(double value) { return int(std::lround(value * sliderSteps)); }

QWidget* indented(QWidget* rows)
{
    rows->layout()->setContentsMargins(indent, 0, 0, 0);
    return rows;
}

QWidget* menuRow(const QString& label, int labelWidth, QComboBox* menu, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(SettingsLook::rowLabel(label, labelWidth, row));
    layout->addWidget(menu);
    layout->addStretch(1);
    return row;
}

} // namespace

EffectsSettingsTab::EffectsSettingsTab(SettingsViewModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_selectedSkin(model.activeSkinName())
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(SettingsLook::tabMargins());
    layout->setSpacing(14);

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    QLabel* skinLabel = SettingsLook::label(QStringLiteral("Skin"), SettingsLook::bodyPixels, this);
    skinLabel->setForegroundRole(QPalette::PlaceholderText);
    header->addWidget(skinLabel);
    m_skinName = SettingsLook::label(m_selectedSkin, SettingsLook::bodyPixels, this);
    m_skinName->setFont(SettingsLook::font(SettingsLook::bodyPixels, QFont::DemiBold));
    header->addWidget(m_skinName);
    header->addStretch(1);
    m_save = new QPushButton(QStringLiteral("Save to Skin"), this);
    m_save->setToolTip(QStringLiteral("Bake the current effects, palette, and cursor into this skin's skin.json"));
    m_reset = new QPushButton(QStringLiteral("Reset"), this);
    header->addWidget(m_save);
    header->addWidget(m_reset);
    layout->addLayout(header);

    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    layout->addWidget(divider);

    auto* controls = new QVBoxLayout;
    controls->setSpacing(10);
    m_scanlines = new QCheckBox(QStringLiteral("Scanlines"), this);
    controls->addWidget(m_scanlines);
    m_scanlineRows = new QWidget(this);
    auto* scanlineLayout = new QVBoxLayout(m_scanlineRows);
    scanlineLayout->setSpacing(10);
    m_scanlineStyle = choiceMenu(scanlineStyles, 160, m_scanlineRows);
    scanlineLayout->addWidget(menuRow(QStringLiteral("Style"), 80, m_scanlineStyle, m_scanlineRows));
    scanlineLayout->addWidget(
        sliderRow(QStringLiteral("Intensity"), m_scanlineIntensity, m_scanlineIntensityValue, 1.0));
    controls->addWidget(indented(m_scanlineRows));

    m_glow = new QCheckBox(QStringLiteral("Phosphor Glow"), this);
    controls->addWidget(m_glow);
    m_glowRows = new QWidget(this);
    (new QVBoxLayout(m_glowRows))
        ->addWidget(sliderRow(QStringLiteral("Intensity"), m_glowIntensity, m_glowIntensityValue, 1.0));
    controls->addWidget(indented(m_glowRows));

    m_curvature = new QCheckBox(QStringLiteral("CRT Curvature"), this);
    controls->addWidget(m_curvature);
    m_curvatureRows = new QWidget(this);
    (new QVBoxLayout(m_curvatureRows))
        ->addWidget(sliderRow(QStringLiteral("Amount"), m_curvatureAmount, m_curvatureAmountValue, 0.5));
    controls->addWidget(indented(m_curvatureRows));

    m_colorGrade = choiceMenu(colorGrades, 140, this);
    controls->addWidget(menuRow(QStringLiteral("Color Grade"), 110, m_colorGrade, this));
    layout->addLayout(controls);
    layout->addStretch(1);

    auto* footer = new QHBoxLayout;
    footer->setSpacing(8);
    QLabel* live = SettingsLook::caption(liveCaption, this);
    live->setWordWrap(false);
    footer->addWidget(live);
    m_status = SettingsLook::caption(QString(), this);
    m_status->setWordWrap(false);
    footer->addWidget(m_status);
    footer->addStretch(1);
    layout->addLayout(footer);

    for (QCheckBox* box : {m_scanlines, m_glow, m_curvature})
        connect(box, &QCheckBox::toggled, this, [this] { editFromControls(); });
    for (QSlider* slider : {m_scanlineIntensity, m_glowIntensity, m_curvatureAmount})
        connect(slider, &QSlider::valueChanged, this, [this] { editFromControls(); });
    for (QComboBox* menu : {m_scanlineStyle, m_colorGrade})
        connect(menu, &QComboBox::activated, this, [this] { editFromControls(); });
    connect(m_save, &QPushButton::clicked, this, qOverload<>(&EffectsSettingsTab::saveToSkin));
    connect(m_reset, &QPushButton::clicked, this, &EffectsSettingsTab::resetEffects);
    showEffects();
}

QWidget* EffectsSettingsTab::sliderRow(const QString& label, QSlider*& slider, QLabel*& value, double maximum)
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(SettingsLook::rowLabel(label, 80, row));
    slider = new QSlider(Qt::Horizontal, row);
    slider->setRange(0, sliderPosition(maximum));
    slider->setSingleStep(sliderSteps / 100);
    slider->setPageStep(sliderSteps / 10);
    layout->addWidget(slider, 1);
    value = SettingsLook::label(valueText(0), SettingsLook::captionPixels, row);
    value->setFixedWidth(40);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(value);
    return row;
}

QString EffectsSettingsTab::valueText(double value) { return QString::asprintf("%.2f", value); }

QString EffectsSettingsTab::statusText(SaveOutcome outcome)
{
    // The footer carries on the skin's name: "\u2014 saved \u2713".
    const QString text = SkinManifestFile::saveOutcomeText(outcome);
    return text.isEmpty() ? text : QStringLiteral("\u2014 ") + text.front().toLower() + text.mid(1);
}

QJsonObject EffectsSettingsTab::effectsObject(const SkinEffectsSettings& effects)
{
    const auto stored = SkinManifestFile::Effects::fromEditor(effects.scanlines,
                                                              effects.scanlineIntensity,
                                                              effects.scanlineStyle,
                                                              effects.glow,
                                                              effects.glowIntensity,
                                                              effects.curvature,
                                                              effects.curvatureAmount);
    return stored ? stored->toJson() : QJsonObject();
}

EffectsSettingsTab::SaveOutcome EffectsSettingsTab::saveToSkin(const QString& skinName,
                                                               const SkinEffectsSettings& effects)
{
    QString error;
    const SaveOutcome outcome = SkinJSONSaver::save(
        skinName,
        m_model.settings().data(),
        m_model.skins(),
        [&](QJsonObject& skinFile) {
            const QJsonObject baked = effectsObject(effects);
            if (baked.isEmpty())
                skinFile.remove(QStringLiteral("effects"));
            else
                skinFile.insert(QStringLiteral("effects"), baked);
        },
        &error);
    if (outcome == SaveOutcome::writeFailed)
        qWarning().noquote()
            << QStringLiteral("[Velmora] Couldn't save the effects of %1: %2").arg(LogText::escaped(skinName), error);
    return outcome;
}

void EffectsSettingsTab::load()
{
    m_selectedSkin = m_model.activeSkinName();
    m_skinName->setText(m_selectedSkin);
    setEffects(m_model.settings().effects(m_selectedSkin));
}

void EffectsSettingsTab::setEffects(const SkinEffectsSettings& effects)
{
    if (effects == m_effects)
        return;
    m_effects = effects;
    showEffects();
    store();
}

void EffectsSettingsTab::resetEffects() { setEffects(SkinEffectsSettings()); }

void EffectsSettingsTab::saveToSkin()
{
    m_saveStatus = statusText(saveToSkin(m_selectedSkin, m_effects));
    m_status->setText(m_saveStatus);
}

void EffectsSettingsTab::store()
{
    SettingsStore& settings = m_model.settings();
    settings.data().skinEffects.insert(m_selectedSkin, m_effects);
    settings.save();
    settings.announceEffectsChange(m_selectedSkin);
}

void EffectsSettingsTab::editFromControls()
{
    if (m_showing)
        return;
    SkinEffectsSettings edited = m_effects;
    edited.scanlines = m_scanlines->isChecked();
    edited.scanlineIntensity = double(m_scanlineIntensity->value()) / sliderSteps;
    if (m_scanlineStyle->currentIndex() >= 0)
        edited.scanlineStyle = m_scanlineStyle->currentData().toString();
    edited.glow = m_glow->isChecked();
    edited.glowIntensity = double(m_glowIntensity->value()) / sliderSteps;
    edited.curvature = m_curvature->isChecked();
    edited.curvatureAmount = double(m_curvatureAmount->value()) / sliderSteps;
    if (m_colorGrade->currentIndex() >= 0)
        edited.colorGrade = m_colorGrade->currentData().toString();
    // A slider moved only by being shown again leaves its stored value alone.
    if (m_scanlineIntensity->value() == sliderPosition(m_effects.scanlineIntensity))
        edited.scanlineIntensity = m_effects.scanlineIntensity;
    if (m_glowIntensity->value() == sliderPosition(m_effects.glowIntensity))
        edited.glowIntensity = m_effects.glowIntensity;
    if (m_curvatureAmount->value() == sliderPosition(m_effects.curvatureAmount))
        edited.curvatureAmount = m_effects.curvatureAmount;
    setEffects(edited);
}

void EffectsSettingsTab::showEffects()
{
    m_showing = true;
    m_scanlines->setChecked(m_effects.scanlines);
    selectTag(m_scanlineStyle, m_effects.scanlineStyle);
    m_scanlineIntensity->setValue(sliderPosition(m_effects.scanlineIntensity));
    m_scanlineIntensityValue->setText(valueText(m_effects.scanlineIntensity));
    m_glow->setChecked(m_effects.glow);
    m_glowIntensity->setValue(sliderPosition(m_effects.glowIntensity));
    m_glowIntensityValue->setText(valueText(m_effects.glowIntensity));
    m_curvature->setChecked(m_effects.curvature);
    m_curvatureAmount->setValue(sliderPosition(m_effects.curvatureAmount));
    m_curvatureAmountValue->setText(valueText(m_effects.curvatureAmount));
    selectTag(m_colorGrade, m_effects.colorGrade);
    m_scanlineRows->setVisible(m_effects.scanlines);
    m_glowRows->setVisible(m_effects.glow);
    m_curvatureRows->setVisible(m_effects.curvature);
    m_showing = false;
}

void EffectsSettingsTab::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    load();
}

} // namespace velmora
