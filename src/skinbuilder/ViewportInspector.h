#pragma once

#include <QPointF>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <array>
#include <vector>

class QLabel;
class QPushButton;

namespace velmora {

class SkinBuilderModel;
class StepSlider;

// One slider per corner of the screen area for its radius (0 to 20 points
// of the picture), the radius as a whole number beside it, and "All → 6".
// A radius missing from the model's list reads as 6; setting one pads the
// list to four entries with 6.
class CornerRadiiSliders final : public QWidget {
    Q_OBJECT

public:
    static constexpr double maxRadius = 20;

    CornerRadiiSliders(SkinBuilderModel& model, const QStringList& labels, QWidget* parent = nullptr);

    // The radius shown for corner i.
    static double radiusValue(const std::vector<double>& radii, int corner);
    // The list after corner i is set to the value.
    static std::vector<double> radiiWith(const std::vector<double>& radii, int corner, double value);
    // The radius as the value text shows it: "%2.0f".
    static QString radiusText(double radius);

    StepSlider* slider(int corner) const { return m_sliders[size_t(corner)]; }
    QLabel* valueLabel(int corner) const { return m_values[size_t(corner)]; }
    QPushButton* allSixButton() const { return m_allSix; }

private:
    void refresh();

    SkinBuilderModel& m_model;
    std::array<StepSlider*, 4> m_sliders{};
    std::array<QLabel*, 4> m_values{};
    QPushButton* m_allSix;
};

// The block of the VIEWPORT section shown while the screen-area tool is in
// use: how to draw and shape the screen area, a "distorted" badge with
// "Reset shape" while a corner has been pulled free, and the corner radii.
class ViewportInspector final : public QWidget {
    Q_OBJECT

public:
    explicit ViewportInspector(SkinBuilderModel& model, QWidget* parent = nullptr);

    // True when any corner offset is not (0, 0); a value that is not a
    // number counts as moved.
    static bool isDistorted(const std::vector<QPointF>& offsets);

    QWidget* distortedBadge() const { return m_badge; }
    QPushButton* resetShapeButton() const { return m_resetShape; }
    CornerRadiiSliders* radii() const { return m_radii; }

private:
    void refresh();

    SkinBuilderModel& m_model;
    QWidget* m_badge;
    QPushButton* m_resetShape;
    CornerRadiiSliders* m_radii;
};

} // namespace velmora
