#pragma once

#include <QGraphicsEffect>
#include <QRegion>

#include <functional>

namespace velmora {

// Takes over the painting of a widget and its children: whenever any of them
// repaints, Qt calls the effect instead, and the effect hands the area being
// repainted (the widget's coordinates) to its owner, who draws there. The
// widgets themselves paint only when the owner renders them.
class ComposedScreenEffect final : public QGraphicsEffect {
    Q_OBJECT

public:
    // The owner draws with the painter, in the widget's coordinates, clipped
    // to the area.
    using Drawer = std::function<void(QPainter& painter, const QRegion& area)>;

    ComposedScreenEffect(QWidget* widget, Drawer drawer);

protected:
    void draw(QPainter* painter) override;

private:
    QWidget* m_widget;
    Drawer m_drawer;
};

} // namespace velmora
