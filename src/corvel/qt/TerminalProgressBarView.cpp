#include "corvel/qt/TerminalProgressBarView.h"

#include <algorithm>

#include <QEasingCurve>
#include <QEvent>
#include <QPainter>

namespace corvel {

namespace {

const QColor pauseColor(255, 149, 0);
const QColor errorColor(255, 59, 48);

} // namespace

TerminalProgressBarView::TerminalProgressBarView(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("progressStrip"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
    hide();

    grow_.setDuration(determinateDurationMs);
    grow_.setEasingCurve(QEasingCurve::InOutQuad);
    connect(&grow_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        fraction_ = value.toDouble();
        update();
    });

    slide_.setStartValue(0.0);
    slide_.setEndValue(2.0);
    slide_.setDuration(2 * indeterminateDurationMs);
    slide_.setLoopCount(-1);
    connect(&slide_, &QVariantAnimation::valueChanged, this, [this] { update(); });

    if (parent) {
        parent->installEventFilter(this);
        followParent();
    }
}

void TerminalProgressBarView::followParent()
{
    if (QWidget* parent = parentWidget())
        setGeometry(0, 0, parent->width(), stripHeight);
}

bool TerminalProgressBarView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        // The bar follows the new width without animation.
        followParent();
        if (grow_.state() == QAbstractAnimation::Running) {
            grow_.stop();
            if (progress_)
                fraction_ = *progress_ / 100.0;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TerminalProgressBarView::apply(ProgressReport::State state, std::optional<uint8_t> progress)
{
    state_ = state;
    progress_ = progress;
    if (state == ProgressReport::State::remove) {
        slide_.stop();
        grow_.stop();
        hide();
        return;
    }
    followParent();
    if (progress) {
        slide_.stop();
        const double target = std::min<int>(*progress, 100) / 100.0;
        grow_.stop();
        if (isVisible() && target != fraction_) {
            grow_.setStartValue(fraction_);
            grow_.setEndValue(target);
            grow_.start();
        } else {
            fraction_ = target;
        }
    } else {
        grow_.stop();
        fraction_ = 0;
        if (slide_.state() != QAbstractAnimation::Running)
            slide_.start();
    }
    show();
    raise();
    update();
}

QColor TerminalProgressBarView::barColor() const
{
    switch (state_) {
    case ProgressReport::State::pause: return pauseColor;
    case ProgressReport::State::error: return errorColor;
    default: return palette().color(QPalette::Active, QPalette::Highlight);
    }
}

QRectF TerminalProgressBarView::barRect() const
{
    const double w = width();
    if (progress_)
        return QRectF(0, 0, w * fraction_, height());
    const double bar = w * barWidthRatio;
    if (!(bar > 0 && bar < w))
        return QRectF(0, 0, bar, height());
    const double t = slide_.currentValue().toDouble();
    const double along = QEasingCurve(QEasingCurve::InOutQuad).valueForProgress(t <= 1 ? t : 2 - t);
    return QRectF((w - bar) * along, 0, bar, height());
}

void TerminalProgressBarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QColor color = barColor();
    if (!progress_) {
        QColor track = color;
        track.setAlphaF(0.3f);
        painter.fillRect(rect(), track);
    }
    painter.fillRect(barRect(), color);
}

} // namespace corvel
