#include "corvel/qt/TerminalDebugView.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>

#include "corvel/qt/TerminalView.h"

namespace corvel {

TerminalDebugView::TerminalDebugView(const QRect& frame, TerminalView& terminalView, QWidget* parent)
    : QWidget(parent), terminalView_(&terminalView), terminal_(&terminalView.getTerminal())
{
    setGeometry(frame);
    font_ = QFont(QStringLiteral("Courier"));
    font_.setStyleHint(QFont::TypeWriter);
    font_.setPixelSize(8);
    height_ = QFontMetricsF(font_).tightBoundingRect(QStringLiteral("W")).height();
    dbg_ = new QLabel(QStringLiteral("WAITING"), this);
    dbg_->setFont(font_);
    dbg_->setGeometry(0, 8, frame.width(), 14);
    terminalView.debug = this;
}

TerminalDebugView::~TerminalDebugView()
{
    if (terminalView_ && terminalView_->debug == this)
        terminalView_->debug = nullptr;
}

void TerminalDebugView::updateDebugInfo()
{
    update();
    Buffer& screen = terminal_->buffer();
    dbg_->setText(QStringLiteral("x: %1 y: %2 yDisp: %3 yBase: %4 clc: %5 startIndex: %6")
                      .arg(screen.x())
                      .arg(screen.y())
                      .arg(screen.yDisp())
                      .arg(screen.yBase())
                      .arg(screen.lines().slotCount())
                      .arg(screen.lines().getStartIndex()));
}

QString TerminalDebugView::rowText(const BufferLine* line)
{
    if (!line)
        return QStringLiteral("<empty>");
    QString text;
    for (int col = 0; col < terminal_->cols; ++col) {
        const CharData& cell = (*line)[col];
        if (cell.code == 0) {
            text += QLatin1Char(' ');
            continue;
        }
        const std::u32string character = terminal_->character(cell.code);
        text += character.empty() ? QStringLiteral(" ")
                                  : QString::fromUcs4(character.data(), static_cast<qsizetype>(character.size()));
    }
    return text;
}

QString TerminalDebugView::dumpLine(int slot)
{
    Buffer& screen = terminal_->buffer();
    CircularBufferLineList& lines = screen.lines();
    const int slotTotal = std::max(lines.slotCount(), 1);
    const QString m1 = slot == screen.yDisp() ? QStringLiteral("D") : QStringLiteral(" ");
    const QString m2 = slot == screen.yBase() ? QStringLiteral("B") : QStringLiteral(" ");
    const int physical = (slot + lines.getStartIndex()) % slotTotal;
    const auto* raw = lines.rawSlot(slot);
    QString text = QStringLiteral("[%1:%2]").arg(slot, 3, 10, QLatin1Char('0')).arg(physical, 3, 10, QLatin1Char('0'))
        + m1 + m2 + rowText(raw ? raw->get() : nullptr);
    // Only lines the ring holds are read back: reading beyond would create them.
    text += QStringLiteral("[%1]").arg(slot, 3, 10, QLatin1Char('0')) + m1 + m2
        + (slot < lines.count() ? rowText(&lines[slot]) : QStringLiteral("<empty>"));
    return text;
}

void TerminalDebugView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setPen(Qt::black);
    painter.setFont(font_);
    const int maxLength = terminal_->buffer().lines().maxLength();
    for (int slot = 0; slot < maxLength; ++slot) {
        const double baseline = height_ * (slot + 2);
        if (baseline - height_ > height())
            break; // the rest lies below the bottom edge
        painter.drawText(QPointF(0, baseline), dumpLine(slot));
    }
}

} // namespace corvel
