#pragma once

#include <optional>

#include <QColor>
#include <QPointer>
#include <QString>
#include <QVariantAnimation>
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
class CaretView : public QWidget {
    Q_OBJECT
public:
    // One blink fades out over this long and back in over as long again.
    static constexpr int fadeMilliseconds = 700;

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
    bool isBlinking() const { return blink_.state() == QAbstractAnimation::Running; }
    double opacity() const { return opacity_; }
    void updateView() { repaintCaret(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Tells the terminal view first, for hosts that show it transformed.
    void repaintCaret();

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
    QVariantAnimation blink_;
};

} // namespace corvel
