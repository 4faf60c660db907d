#include "skinbuilder/SkinSettingsSections.h"

#include "skinbuilder/PanelControls.h"
#include "skinbuilder/SkinBuilderModel.h"
#include "skinbuilder/SkinBuilderTypes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <cmath>

namespace velmora {

namespace {

constexpr double intensityStep = 0.05;

QVBoxLayout* sectionColumn(QWidget* section, const QString& title)
{
    auto* column = new QVBoxLayout(section);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(14);
    column->addWidget(new SectionHeader(title));
    return column;
}

QCheckBox* toggle(const QString& title, const QString& name)
{
    auto* box = new QCheckBox(title);
    box->setObjectName(name);
    box->setFont(PanelLook::font(11, QFont::Normal, true));
    return box;
}

// A slider indented under its toggle, as the effect's own setting.
QWidget* indented(QWidget* control)
{
    auto* holder = new QWidget;
    auto* row = new QHBoxLayout(holder);
    row->setContentsMargins(22, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(control, 1);
    return holder;
}

void setText(QLineEdit* field, const QString& text)
{
    if (field->text() != text)
        field->setText(text);
}

} // namespace

const std::array<EffectsSection::ScanlineStyle, 4>& EffectsSection::scanlineStyles()
{
    static const std::array<ScanlineStyle, 4> styles = {{
        {QStringLiteral("Standard"), QStringLiteral("standard")},
        {QStringLiteral("Heavy"), QStringLiteral("heavy")},
        {QStringLiteral("Shadow Mask"), QStringLiteral("shadowmask")},
        {QStringLiteral("Rolling"), QStringLiteral("rolling")},
    }};
    return styles;
}

EffectsSection::EffectsSection(SkinBuilderModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    QVBoxLayout* column = sectionColumn(this, QStringLiteral("EFFECTS"));

    m_scanlines = toggle(QStringLiteral("Scanlines"), QStringLiteral("scanlinesToggle"));
    column->addWidget(m_scanlines);
    m_styleRow = new QWidget;
    auto* styleColumn = new QVBoxLayout(m_styleRow);
    styleColumn->setContentsMargins(22, 0, 0, 0);
    styleColumn->setSpacing(10);
    auto* styleRow = new QHBoxLayout;
    styleRow->setSpacing(8);
    styleRow->addWidget(
        PanelLook::label(QStringLiteral("Style"), PanelLook::font(11), palette().color(QPalette::WindowText)));
    m_style = new QComboBox;
    m_style->setObjectName(QStringLiteral("scanlineStyleMenu"));
    m_style->setFont(PanelLook::font(11));
    for (const ScanlineStyle& style : scanlineStyles())
        m_style->addItem(style.title, style.value);
    styleRow->addWidget(m_style, 1);
    styleColumn->addLayout(styleRow);
    m_scanlineIntensity = new StepSlider(0.1, 1.0, intensityStep);
    m_scanlineIntensity->setObjectName(QStringLiteral("scanlineIntensitySlider"));
    m_scanlineIntensity->setAccessibleName(QStringLiteral("Scanline intensity"));
    styleColumn->addWidget(m_scanlineIntensity);
    column->addWidget(m_styleRow);

    m_glow = toggle(QStringLiteral("Phosphor Glow"), QStringLiteral("glowToggle"));
    column->addWidget(m_glow);
    m_glowIntensity = new StepSlider(0.1, 1.0, intensityStep);
    m_glowIntensity->setObjectName(QStringLiteral("glowIntensitySlider"));
    m_glowIntensity->setAccessibleName(QStringLiteral("Glow intensity"));
    column->addWidget(indented(m_glowIntensity));

    m_curvature = toggle(QStringLiteral("CRT Curvature"), QStringLiteral("curvatureToggle"));
    column->addWidget(m_curvature);
    m_curvatureAmount = new StepSlider(0.05, 0.5, intensityStep);
    m_curvatureAmount->setObjectName(QStringLiteral("curvatureAmountSlider"));
    m_curvatureAmount->setAccessibleName(QStringLiteral("Curvature amount"));
    column->addWidget(indented(m_curvatureAmount));

    connect(m_scanlines, &QCheckBox::toggled, this, [this](bool on) { m_model.setScanlines(on); });
    connect(m_style, &QComboBox::activated, this, [this](int index) {
        m_model.setScanlineStyle(m_style->itemData(index).toString());
    });
    connect(m_scanlineIntensity, &StepSlider::valueEdited, this, [this](double v) { m_model.setScanlineIntensity(v); });
    connect(m_glow, &QCheckBox::toggled, this, [this](bool on) { m_model.setGlow(on); });
    connect(m_glowIntensity, &StepSlider::valueEdited, this, [this](double v) { m_model.setGlowIntensity(v); });
    connect(m_curvature, &QCheckBox::toggled, this, [this](bool on) { m_model.setCurvature(on); });
    connect(m_curvatureAmount, &StepSlider::valueEdited, this, [this](double v) { m_model.setCurvatureAmount(v); });
    connect(&model, &SkinBuilderModel::changed, this, &EffectsSection::refresh);
    refresh();
}

void EffectsSection::refresh()
{
    {
        const QSignalBlocker a(m_scanlines), b(m_glow), c(m_curvature);
        m_scanlines->setChecked(m_model.scanlines());
        m_glow->setChecked(m_model.glow());
        m_curvature->setChecked(m_model.curvature());
    }
    // A stored style outside the menu selects no entry.
    m_style->setCurrentIndex(m_style->findData(m_model.scanlineStyle()));
    m_scanlineIntensity->setValue(m_model.scanlineIntensity());
    m_glowIntensity->setValue(m_model.glowIntensity());
    m_curvatureAmount->setValue(m_model.curvatureAmount());
    m_styleRow->setVisible(m_model.scanlines());
    m_glowIntensity->parentWidget()->setVisible(m_model.glow());
    m_curvatureAmount->parentWidget()->setVisible(m_model.curvature());
}

SkinInfoSection::SkinInfoSection(SkinBuilderModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    QVBoxLayout* column = sectionColumn(this, QStringLiteral("SKIN INFO"));
    m_name = new QLineEdit;
    m_name->setObjectName(QStringLiteral("skinNameField"));
    m_name->setPlaceholderText(QStringLiteral("Skin Name"));
    m_author = new QLineEdit;
    m_author->setObjectName(QStringLiteral("authorField"));
    m_author->setPlaceholderText(QStringLiteral("Author"));
    column->addWidget(m_name);
    column->addWidget(m_author);
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& text) { m_model.setSkinName(text); });
    connect(m_author, &QLineEdit::textEdited, this, [this](const QString& text) { m_model.setAuthor(text); });
    connect(&model, &SkinBuilderModel::changed, this, &SkinInfoSection::refresh);
    refresh();
}

void SkinInfoSection::refresh()
{
    setText(m_name, m_model.skinName());
    setText(m_author, m_model.author());
}

QString LaunchSizeSection::percentText(double launchScale)
{
    return QStringLiteral("%1%").arg(qint64(std::trunc(launchScale * 100)));
}

QString LaunchSizeSection::windowText(const QSizeF& pixelSize, double launchScale)
{
    const QSizeF size = CoordinateConverter{{}, pixelSize, launchScale}.launchSize();
    return QStringLiteral("Window: %1x%2pt").arg(qint64(size.width())).arg(qint64(size.height()));
}

LaunchSizeSection::LaunchSizeSection(SkinBuilderModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    QVBoxLayout* column = sectionColumn(this, QStringLiteral("LAUNCH SIZE"));
    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    m_percent
        = PanelLook::label(QString(), PanelLook::font(11, QFont::Normal, true), palette().color(QPalette::WindowText));
    m_percent->setObjectName(QStringLiteral("launchPercent"));
    m_percent->setFixedWidth(40);
    row->addWidget(m_percent);
    m_slider = new StepSlider(SkinBuilderModel::minLaunchScale, SkinBuilderModel::maxLaunchScale, 0.05);
    m_slider->setObjectName(QStringLiteral("launchScaleSlider"));
    m_slider->setAccessibleName(QStringLiteral("Launch size"));
    row->addWidget(m_slider, 1);
    column->addLayout(row);
    m_window = PanelLook::label(QString(), PanelLook::font(10, QFont::Normal, true));
    m_window->setObjectName(QStringLiteral("launchWindowSize"));
    column->addWidget(m_window);
    connect(m_slider, &StepSlider::valueEdited, this, [this](double v) { m_model.setLaunchScale(v); });
    connect(&model, &SkinBuilderModel::changed, this, &LaunchSizeSection::refresh);
    refresh();
}

void LaunchSizeSection::refresh()
{
    m_percent->setText(percentText(m_model.launchScale()));
    m_slider->setValue(m_model.launchScale());
    m_window->setVisible(m_model.hasImage());
    if (m_model.hasImage())
        m_window->setText(windowText(m_model.makeConverter().pixelSize, m_model.launchScale()));
}

ScreenLayerSection::ScreenLayerSection(SkinBuilderModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    QVBoxLayout* column = sectionColumn(this, QStringLiteral("SCREEN LAYER"));
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    m_switch = new SwitchToggle;
    m_switch->setObjectName(QStringLiteral("screenLayerSwitch"));
    m_switch->setAccessibleName(QStringLiteral("Terminal in front of art"));
    row->addWidget(m_switch);
    m_label = PanelLook::label(QString(), PanelLook::font(11), palette().color(QPalette::WindowText));
    m_label->setObjectName(QStringLiteral("screenLayerLabel"));
    m_label->setBuddy(m_switch);
    row->addWidget(m_label, 1);
    column->addLayout(row);
    m_hint = PanelLook::hint();
    m_hint->setObjectName(QStringLiteral("screenLayerHint"));
    column->addWidget(m_hint);
    connect(m_switch, &SwitchToggle::toggled, this, [this](bool on) { m_model.setScreenInFront(on); });
    connect(&model, &SkinBuilderModel::changed, this, &ScreenLayerSection::refresh);
    refresh();
}

void ScreenLayerSection::refresh()
{
    {
        const QSignalBlocker blocker(m_switch);
        m_switch->setChecked(m_model.screenInFront());
    }
    m_label->setText(m_model.screenInFront() ? inFrontTitle : behindTitle);
    m_hint->setText(m_model.screenInFront() ? inFrontHint : behindHint);
}

} // namespace velmora
