// Progress reports (OSC 9;4) shown as the strip along the top edge.

#include <QPointer>
#include <QThread>

#include "corvel/qt/TerminalProgressBarView.h"
#include "corvel/qt/TerminalView.h"

namespace corvel {

void TerminalView::setupProgressBar()
{
    progressBarView_ = new TerminalProgressBarView(this);
    progressReportTimer_.setSingleShot(true);
    progressReportTimer_.setInterval(progressReportTimeoutMilliseconds);
    connect(&progressReportTimer_, &QTimer::timeout, this, [this] { clearProgressReport(); });
}

void TerminalView::progressReport(Terminal&, const ProgressReport& report)
{
    if (QThread::currentThread() == thread()) {
        handleProgressReport(report);
        return;
    }
    const QPointer<TerminalView> view(this);
    QMetaObject::invokeMethod(
        this,
        [view, report] {
            if (view)
                view->handleProgressReport(report);
        },
        Qt::QueuedConnection);
}

void TerminalView::handleProgressReport(const ProgressReport& report)
{
    using State = ProgressReport::State;
    std::optional<uint8_t> shown;
    switch (report.state) {
    case State::remove: clearProgressReport(); return;
    case State::set:
        shown = report.progress.value_or(0);
        lastProgressValue_ = shown;
        break;
    case State::error:
        shown = report.progress ? report.progress : lastProgressValue_;
        if (shown)
            lastProgressValue_ = shown;
        break;
    case State::indeterminate: break;
    case State::pause:
        shown = report.progress  ? report.progress
            : lastProgressValue_ ? lastProgressValue_
                                 : std::optional<uint8_t>(100);
        lastProgressValue_ = shown;
        break;
    }
    progressBarView_->apply(report.state, shown);
    // Restarts the time-out with the interval set now.
    progressReportTimer_.start();
}

void TerminalView::clearProgressReport()
{
    progressReportTimer_.stop();
    lastProgressValue_.reset();
    progressBarView_->apply(ProgressReport::State::remove, std::nullopt);
}

} // namespace corvel
