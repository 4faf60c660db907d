#pragma once

#include <QColor>
#include <QTimer>
#include <QWidget>

class QPainter;

namespace velmora {

// A small indeterminate progress indicator: an arc that turns while the
// widget is visible.
class BusyIndicator final : public QWidget {
    Q_OBJECT

public:
    explicit BusyIndicator(int side = 14, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {m_side, m_side}; }

    // One frame of the arc, turned by phase (0 to 1), inside rect.
    static void paintFrame(QPainter& painter, const QRectF& rect, qreal phase, const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    int m_side;
    int m_step = 0;
    QTimer m_timer;
};

} // namespace velmora
