#pragma once

#include <optional>

#include <QColor>
#include <QElapsedTimer>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "corvel/model/CharData.h"
#include "corvel/qt/TextAttributes.h"
#include "corvel/terminal/CursorStyle.h"

namespace corvel {

class TerminalView;

// The terminal view's cursor: a cell-sized child widget drawn as a block,
// underline or bar in the caret colour, with the character under a block
// caret redrawn in the caret text colour, a hollow outline while the view
// lacks focus, and a blink that fades its opacity. Mouse events pass through.
//
// The blink is a frame timer of its own rather than an animation that
// follows the display's refresh: a fade of 0.7 s looks smooth at 29 frames a
// second, and a frame is drawn only when the opacity it shows differs from
// the last one's. A frame repaints the caret's cell alone, and none is drawn
// while the caret cannot be seen (its window hidden, minimized or covered).
class CaretView : public QWidget {
    Q_OBJECT
public:
    // One blink fades out over this long and back in over as long again.
    static constexpr int fadeMilliseconds = 700;
    // The blink's frames lie this far apart, counted from its start (about
    // 29 a second); a whole number of them makes one fade, so that the
    // caret's frames reach the fully faded one.
    static constexpr int frameMilliseconds = 35;
    static_assert(fadeMilliseconds % frameMilliseconds == 0);
    // While the caret cannot be seen, whether it can again is looked at
    // this often (without drawing anything).
    static constexpr int unseenCheckMilliseconds = 250;

    // The blink's opacity a given time after it started: an ease-in fade
    // from 1 to 0 over fadeMilliseconds, the same curve back, and again,
    // in steps of 1/32 (finer steps cannot be told apart).
    static double blinkOpacity(qint64 milliseconds);
    // The first frame after the given one (frames counted from the blink's
    // start) that shows another opacity.
    static qint64 nextChangingFrame(qint64 frame);

    // frame: the cell in the terminal view's coordinates.
    CaretView(const QRectF& frame, CursorStyle style, TerminalView* terminal);

    // The cell the caret covers; the widget spans the whole pixels around it.
    QRectF cellFrame() const { return cellFrame_; }
    void setCellFrame(const QRectF& frame);

    CursorStyle style() const { return style_; }
    void setStyle(CursorStyle style);

    QColor defaultCaretColor() const { return defaultCaretColor_; }
    QColor caretColor() const { return caretColor_; }
    void setCaretColor(const QColor& color);
    std::optional<QColor> defaultCaretTextColor() const { return std::nullopt; }
    std::optional<QColor> caretTextColor() const { return caretTextColor_; }
    void setCaretTextColor(const std::optional<QColor>& color);

    bool tracksFocus() const { return tracksFocus_; }
    void setTracksFocus(bool value);
    bool focused() const { return focused_; }
    void setFocused(bool value);

    // The cell under the caret; its character is drawn inside a block caret.
    void setText(const CharData& cell);
    bool hasText() const { return hasText_; }

    // Starts or stops blinking for the current style, then redraws.
    void updateCursorStyle();
    // With true, blinks without end; with false, stays fully opaque.
    void updateAnimation(bool blink);
    void disableAnimations();
    bool isBlinking() const { return blinking_; }
    double opacity() const { return opacity_; }
    void updateView() { repaintCaret(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Tells the terminal view first, for hosts that show it transformed.
    void repaintCaret();
    // Draws the blink's frame due now and sets the timer for the next one.
    void stepBlink();
    // The caret shows on a screen: it and its window are shown, the window
    // is not minimized and the window system has not said it is covered.
    bool canBeSeen() const;

    QPointer<TerminalView> terminal_;
    QRectF cellFrame_;
    CursorStyle style_;
    QColor defaultCaretColor_;
    QColor caretColor_;
    std::optional<QColor> caretTextColor_;
    bool tracksFocus_ = true;
    bool focused_ = false;
    bool hasText_ = false;
    QString text_;
    FontFace face_ = FontFace::normal;
    double opacity_ = 1;
    bool blinking_ = false;
    QElapsedTimer blinkClock_;
    QTimer blinkTimer_;
};

} // namespace corvel
