#pragma once

#include <cstdint>
#include <optional>

#include <QColor>
#include <QVariantAnimation>
#include <QWidget>

#include "corvel/terminal/ProgressReport.h"

namespace corvel {

// The strip along the top edge of a terminal view that shows a program's
// progress report (OSC 9;4): a bar as long as the percentage, or, while the
// progress is unknown, a quarter-length bar sliding back and forth over a
// faint track. The accent colour shows normal progress, orange a pause and
// red an error. It never takes clicks.
class TerminalProgressBarView : public QWidget {
    Q_OBJECT
public:
    static constexpr double barWidthRatio = 0.25;
    static constexpr int indeterminateDurationMs = 1200;
    static constexpr int determinateDurationMs = 200;
    static constexpr int stripHeight = 2;

    explicit TerminalProgressBarView(QWidget* parent = nullptr);

    // Shows a report; `remove` hides the strip. A known percentage grows or
    // shrinks the bar over 0.2 s, none makes it slide.
    void apply(ProgressReport::State state, std::optional<uint8_t> progress);

    ProgressReport::State state() const { return state_; }
    std::optional<uint8_t> progress() const { return progress_; }
    QColor barColor() const;
    // The bar as drawn now, in the strip's coordinates.
    QRectF barRect() const;
    bool isSliding() const { return slide_.state() == QAbstractAnimation::Running; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void followParent();

    ProgressReport::State state_ = ProgressReport::State::remove;
    std::optional<uint8_t> progress_;
    // The drawn fraction of a known percentage, animated towards the target.
    double fraction_ = 0;
    QVariantAnimation grow_;
    // 0 ... 2: left to right and back.
    QVariantAnimation slide_;
};

} // namespace corvel
