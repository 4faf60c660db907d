#pragma once

#include <QFont>
#include <QPointer>
#include <QWidget>

class QLabel;

namespace corvel {

class Terminal;
class TerminalView;

// A diagnostic overlay for a terminal view: one status line with the cursor
// and scroll bookkeeping of the active screen, and a dump of every slot of
// the screen's line ring, in physical and in logical order. Creating one
// attaches it to the view, which updates it after every display update;
// nothing in the application creates one.
class TerminalDebugView : public QWidget {
    Q_OBJECT
public:
    TerminalDebugView(const QRect& frame, TerminalView& terminalView, QWidget* parent = nullptr);
    ~TerminalDebugView() override;

    TerminalView* terminalView() const { return terminalView_; }
    QLabel* statusLine() const { return dbg_; }
    double lineHeight() const { return height_; }
    // "x: X y: Y yDisp: D yBase: B clc: C startIndex: S", and a redraw.
    void updateDebugInfo();
    // The text of one dump line: physical slot i followed by logical line i.
    QString dumpLine(int slot);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString rowText(const class BufferLine* line);

    QPointer<TerminalView> terminalView_;
    Terminal* terminal_;
    QFont font_;
    double height_ = 0;
    QLabel* dbg_ = nullptr;
};

} // namespace corvel
