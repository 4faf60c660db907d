// The pointer: mouse reports for programs that ask for them, selection with
// the primary button, the X primary selection, and the wheel.

#include <algorithm>
#include <cmath>

#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QWheelEvent>

#include "corvel/qt/TerminalView.h"
#include "corvel/qt/TerminalViewDelegate.h"
#include "corvel/terminal/MouseEncoder.h"
#include "corvel/terminal/SelectionService.h"

namespace corvel {

namespace {

using MouseMode = Terminal::MouseMode;

// The buttons reports name; others (back, forward) are not reported.
bool isReportedButton(Qt::MouseButton button)
{
    return button == Qt::LeftButton || button == Qt::MiddleButton || button == Qt::RightButton;
}

// The button a drag reports: the first held of left, middle, right.
Qt::MouseButton draggingButton(Qt::MouseButtons buttons)
{
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton, Qt::RightButton})
        if (buttons & button)
            return button;
    return Qt::NoButton;
}

} // namespace

// ---- hits and reports ---------------------------------------------------------

TerminalView::MouseHit TerminalView::calculateMouseHit(QPointF point)
{
    Buffer& shown = terminal_->displayBuffer();
    const int lineCount = shown.lines().count();
    const double row = std::floor(point.y() / cellDimension_.height()) + shown.yDisp();
    MouseHit hit;
    hit.grid.row = static_cast<int>(std::clamp(row, 0.0, static_cast<double>(std::max(lineCount - 1, 0))));
    double x = point.x();
    // Double-width and double-size rows show half as many columns.
    if (hit.grid.row < lineCount && shown.lines()[hit.grid.row].renderMode != BufferLine::RenderLineMode::single)
        x /= 2;
    const double col = std::floor(x / cellDimension_.width());
    hit.grid.col = static_cast<int>(std::clamp(col, 0.0, static_cast<double>(std::max(terminal_->cols - 1, 0))));
    const double scale = backingScale();
    hit.pixels.col = static_cast<int>(std::clamp(point.x(), 0.0, static_cast<double>(textAreaWidth())) * scale);
    hit.pixels.row = static_cast<int>(std::clamp(point.y(), 0.0, static_cast<double>(height())) * scale);
    return hit;
}

int TerminalView::encodeMouseButton(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, bool release) const
{
    int code = 0;
    if (button == Qt::MiddleButton)
        code = 1;
    if (button == Qt::RightButton)
        code = 2;
    return MouseEncoder(*terminal_)
        .encodeButton(code,
                      release,
                      modifiers.testFlag(Qt::ShiftModifier),
                      modifiers.testFlag(Qt::AltModifier),
                      modifiers.testFlag(Qt::ControlModifier));
}

void TerminalView::sendMouseReport(int buttonFlags, const MouseHit& hit)
{
    Buffer& shown = terminal_->displayBuffer();
    const int screenRow = std::clamp(hit.grid.row - shown.yDisp(), 0, std::max(shown.rows() - 1, 0));
    MouseEncoder(*terminal_).sendEvent(buttonFlags, hit.grid.col, screenRow, hit.pixels.col, hit.pixels.row);
}

// ---- events -----------------------------------------------------------------------

void TerminalView::mousePressEvent(QMouseEvent* event)
{
    const MouseHit hit = calculateMouseHit(event->position());
    const QStyleHints* hints = QGuiApplication::styleHints();
    const int clicks = clickCounter_.press(event->button(),
                                           event->position(),
                                           static_cast<qint64>(event->timestamp()),
                                           hints->mouseDoubleClickInterval(),
                                           hints->mouseDoubleClickDistance());
    if (allowMouseReporting && terminal_->mouseMode() != MouseMode::off) {
        if (isReportedButton(event->button()))
            sendMouseReport(encodeMouseButton(event->button(), event->modifiers(), false), hit);
        lastMotionReport_.reset();
        return;
    }
    switch (event->button()) {
    case Qt::LeftButton: mouseSelect(event, hit, clicks); break;
    case Qt::MiddleButton: pastePrimarySelection(); break;
    default: QWidget::mousePressEvent(event); break;
    }
}

void TerminalView::mouseSelect(QMouseEvent* event, const MouseHit& hit, int clickCount)
{
    pressPosition_ = hit.grid;
    selectedByPointer_ = false;
    switch (clickCount) {
    case 1:
        if (!selection_->active())
            break;
        if (event->modifiers().testFlag(Qt::ShiftModifier)) {
            selection_->shiftExtend(hit.grid);
            selectedByPointer_ = true;
        } else {
            selection_->setActive(false);
        }
        break;
    case 2:
        selection_->selectWordOrExpression(hit.grid, terminal_->displayBuffer());
        selectedByPointer_ = true;
        break;
    default:
        selection_->select(hit.grid.row);
        selectedByPointer_ = true;
        break;
    }
}

void TerminalView::mouseDragSelect(const MouseHit& hit)
{
    if (!pressPosition_)
        return;
    if (selection_->active()) {
        selection_->dragExtend(hit.grid);
    } else {
        // A new selection starts where the button went down.
        selection_->setSoftStart(*pressPosition_);
        selection_->startSelection();
        selection_->dragExtend(hit.grid);
    }
    selectedByPointer_ = true;
}

void TerminalView::mouseMoveEvent(QMouseEvent* event)
{
    const MouseHit hit = calculateMouseHit(event->position());
    const MouseMode mode = terminal_->mouseMode();
    const bool reporting = allowMouseReporting && mode != MouseMode::off;
    // A move inside one cell is reported once, unless pixels are reported.
    const auto sendMotion = [&](int flags) {
        Buffer& shown = terminal_->displayBuffer();
        const std::pair<Position, int> report(Position(hit.grid.col, hit.grid.row - shown.yDisp()), flags);
        if (terminal_->modes().mouseProtocol != Terminal::MouseProtocolEncoding::sgrPixel
            && lastMotionReport_ == report)
            return;
        lastMotionReport_ = report;
        sendMouseReport(flags, hit);
    };

    if (event->buttons() != Qt::NoButton) {
        if (reporting) {
            const Qt::MouseButton button = draggingButton(event->buttons());
            if ((mode == MouseMode::buttonEventTracking || mode == MouseMode::anyEvent) && button != Qt::NoButton)
                sendMotion(encodeMouseButton(button, event->modifiers(), false) + MouseEncoder::motionFlag);
            return;
        }
        if (event->buttons() & Qt::LeftButton)
            mouseDragSelect(hit);
        return;
    }

    if (commandActive)
        if (const std::optional<std::string> payload = payloadString(hit.grid))
            previewUrl(*payload);
    updateHoverLink(hit.grid);
    if (allowMouseReporting && mode == MouseMode::anyEvent)
        sendMotion(encodeMouseButton(Qt::NoButton, event->modifiers(), true) + MouseEncoder::motionFlag);
}

void TerminalView::mouseReleaseEvent(QMouseEvent* event)
{
    const MouseHit hit = calculateMouseHit(event->position());
    const bool command = event->modifiers().testFlag(Qt::ControlModifier);
    updateHoverLink(hit.grid, commandActive || command);

    const bool dragged = selectedByPointer_ && selection_->active() && selection_->hasSelectionRange()
        && selection_->selectionMode() == SelectionService::SelectionMode::character;
    if (event->button() == Qt::LeftButton) {
        pressPosition_.reset();
        if (selectedByPointer_)
            setPrimarySelectionFromSelection();
        selectedByPointer_ = false;
        if (!dragged)
            if (const std::optional<LinkToOpen> link = linkForClick(hit.grid, command)) {
                // The link takes the click: no release report follows.
                if (terminalDelegate_)
                    terminalDelegate_->requestOpenLink(*this, link->link, link->params);
                return;
            }
    }
    const MouseMode mode = terminal_->mouseMode();
    if (allowMouseReporting && isReportedButton(event->button())
        && (mode == MouseMode::vt200 || mode == MouseMode::buttonEventTracking || mode == MouseMode::anyEvent))
        sendMouseReport(encodeMouseButton(event->button(), event->modifiers(), true), hit);
}

void TerminalView::wheelEvent(QWheelEvent* event)
{
    event->accept();
    const int units = wheel_.accumulate(event->angleDelta(), event->pixelDelta(), cellDimension_.height());
    if (units == 0)
        return;
    const int step = ScrollWheelAccumulator::step(units, terminal_->rows);
    if (units > 0)
        scrollTo(std::max(terminal_->displayBuffer().yDisp() - step, 0), true);
    else
        scrollDown(step);
}

void TerminalView::leaveEvent(QEvent* event)
{
    turnOffUrlPreview();
    if (linkHighlightMode_ == LinkHighlightMode::hover || linkHighlightMode_ == LinkHighlightMode::hoverWithModifier)
        setLinkHighlightRange(std::nullopt);
    QWidget::leaveEvent(event);
}

void TerminalView::mouseModeChanged(Terminal&)
{
    lastMotionReport_.reset();
    updateMouseTracking();
}

void TerminalView::updateMouseTracking()
{
    if (!terminal_)
        return; // still being made
    setMouseTracking(terminal_->mouseMode() == MouseMode::anyEvent || commandActive
                     || linkHighlightMode_ == LinkHighlightMode::hover);
}

// ---- selection ---------------------------------------------------------------------

bool TerminalView::selectionActive() const { return selection_->active(); }

std::optional<std::string> TerminalView::getSelection()
{
    if (!selection_->active())
        return std::nullopt;
    return selection_->selectedText();
}

void TerminalView::selectAll()
{
    selection_->selectAll();
    setPrimarySelectionFromSelection();
}

void TerminalView::selectNone()
{
    if (selection_->active())
        selection_->selectNone();
}

void TerminalView::setPrimarySelectionFromSelection()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard->supportsSelection())
        return;
    const std::optional<std::string> text = getSelection();
    if (text && !text->empty())
        clipboard->setText(QString::fromStdString(*text), QClipboard::Selection);
}

} // namespace corvel
