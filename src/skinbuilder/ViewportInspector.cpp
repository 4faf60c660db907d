#include "skinbuilder/ViewportInspector.h"

#include "skinbuilder/PanelControls.h"
#include "skinbuilder/SkinBuilderModel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

namespace velmora {

namespace {

constexpr int cornerCount = 4;
constexpr double radiusStep = 0.1; // fine enough to feel continuous

QPushButton* borderlessButton(const QString& title)
{
    auto* button = new QPushButton(title);
    button->setFlat(true);
    button->setFont(PanelLook::font(10));
    button->setCursor(Qt::PointingHandCursor);
    const QColor link = PanelLook::accent(button->palette());
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 1px 2px; color: %1; }"
                                         "QPushButton:hover { text-decoration: underline; }")
                              .arg(link.name()));
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return button;
}

} // namespace

double CornerRadiiSliders::radiusValue(const std::vector<double>& radii, int corner)
{
    return corner >= 0 && size_t(corner) < radii.size() ? radii[size_t(corner)] : SkinBuilderModel::defaultCornerRadius;
}

std::vector<double> CornerRadiiSliders::radiiWith(const std::vector<double>& radii, int corner, double value)
{
    std::vector<double> result = radii;
    while (result.size() < cornerCount)
        result.push_back(SkinBuilderModel::defaultCornerRadius);
    if (corner >= 0 && size_t(corner) < result.size())
        result[size_t(corner)] = value;
    return result;
}

QString CornerRadiiSliders::radiusText(double radius)
{
    char text[64];
    std::snprintf(text, sizeof text, "%2.0f", radius);
    return QString::fromLatin1(text);
}

CornerRadiiSliders::CornerRadiiSliders(SkinBuilderModel& model, const QStringList& labels, QWidget* parent)
    : QWidget(parent), m_model(model)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(4);
    for (int corner = 0; corner < cornerCount; ++corner) {
        auto* row = new QHBoxLayout;
        row->setSpacing(6);
        QLabel* name = PanelLook::label(corner < labels.size() ? labels[corner] : QString(),
                                        PanelLook::font(10, QFont::Normal, true));
        name->setFixedWidth(22);
        row->addWidget(name);
        auto* slider = new StepSlider(0, maxRadius, radiusStep);
        slider->setObjectName(QStringLiteral("radiusSlider%1").arg(corner));
        slider->setAccessibleName(QStringLiteral("%1 corner radius").arg(name->text()));
        row->addWidget(slider, 1);
        QLabel* value = PanelLook::label(QString(), PanelLook::font(10, QFont::Normal, true));
        value->setFixedWidth(24);
        value->setAlignment(Qt::AlignCenter);
        row->addWidget(value);
        column->addLayout(row);
        m_sliders[size_t(corner)] = slider;
        m_values[size_t(corner)] = value;
        connect(slider, &StepSlider::valueEdited, this, [this, corner](double radius) {
            m_model.setViewportCornerRadii(radiiWith(m_model.viewportCornerRadii(), corner, radius));
        });
    }
    auto* allRow = new QHBoxLayout;
    allRow->addStretch(1);
    m_allSix = borderlessButton(QStringLiteral("All → 6"));
    m_allSix->setObjectName(QStringLiteral("allSixButton"));
    allRow->addWidget(m_allSix);
    column->addLayout(allRow);
    connect(m_allSix, &QPushButton::clicked, this, [this] {
        m_model.setViewportCornerRadii(std::vector<double>(cornerCount, SkinBuilderModel::defaultCornerRadius));
    });
    connect(&model, &SkinBuilderModel::changed, this, &CornerRadiiSliders::refresh);
    refresh();
}

void CornerRadiiSliders::refresh()
{
    for (int corner = 0; corner < cornerCount; ++corner) {
        const double radius = radiusValue(m_model.viewportCornerRadii(), corner);
        m_sliders[size_t(corner)]->setValue(radius);
        m_values[size_t(corner)]->setText(radiusText(radius));
    }
}

bool ViewportInspector::isDistorted(const std::vector<QPointF>& offsets)
{
    for (const QPointF& offset : offsets)
        if (!(offset.x() == 0) || !(offset.y() == 0))
            return true;
    return false;
}

ViewportInspector::ViewportInspector(SkinBuilderModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(6);

    QLabel* caption = PanelLook::hint();
    caption->setTextFormat(Qt::RichText);
    caption->setText(QStringLiteral("Viewport — drag to draw, drag body to move, drag a corner to resize. "
                                    "<b>Ctrl-drag a corner</b> to pull it free of the rect (arbitrary quad)."));
    column->addWidget(caption);

    m_badge = new QWidget;
    m_badge->setObjectName(QStringLiteral("distortedBadge"));
    auto* badgeRow = new QHBoxLayout(m_badge);
    badgeRow->setContentsMargins(0, 0, 0, 0);
    badgeRow->setSpacing(8);
    badgeRow->addWidget(PanelLook::label(QStringLiteral("distorted"), PanelLook::font(10), QColor(255, 149, 0)));
    badgeRow->addStretch(1);
    m_resetShape = borderlessButton(QStringLiteral("Reset shape"));
    m_resetShape->setObjectName(QStringLiteral("resetShapeButton"));
    badgeRow->addWidget(m_resetShape);
    column->addWidget(m_badge);

    column->addWidget(PanelLook::divider());
    column->addWidget(PanelLook::label(QStringLiteral("CORNER RADII"), PanelLook::font(9, QFont::Bold, true)));
    m_radii = new CornerRadiiSliders(
        model, {QStringLiteral("TL"), QStringLiteral("TR"), QStringLiteral("BR"), QStringLiteral("BL")});
    column->addWidget(m_radii);

    connect(m_resetShape, &QPushButton::clicked, this, [this] {
        m_model.setViewportCornerOffsets(std::vector<QPointF>(cornerCount, QPointF(0, 0)));
    });
    connect(&model, &SkinBuilderModel::changed, this, &ViewportInspector::refresh);
    refresh();
}

void ViewportInspector::refresh() { m_badge->setVisible(isDistorted(m_model.viewportCornerOffsets())); }

} // namespace velmora
