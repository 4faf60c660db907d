#include "corvel/qt/QtExecutor.h"

#include <chrono>

#include <QMetaObject>
#include <QThread>
#include <QTimer>

namespace corvel {

QtExecutor::QtExecutor(QObject* context) : context_(context) {}

QtExecutor::~QtExecutor() = default;

void QtExecutor::post(Task task)
{
    QObject* context = context_.data();
    if (!context)
        return;
    QMetaObject::invokeMethod(context, std::move(task), Qt::QueuedConnection);
}

Executor::CancelToken QtExecutor::postDelayed(Duration delay, Task task)
{
    CancelToken token = CancelToken::make();
    QObject* context = context_.data();
    if (!context)
        return token;
    auto guarded = [token, task = std::move(task)] {
        if (!token.isCancelled())
            task();
    };
    if (delay <= Duration::zero()) {
        post(std::move(guarded));
        return token;
    }
    // Round up to whole milliseconds so the task never runs early.
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(delay);
    auto start = [context, ms, guarded = std::move(guarded)]() mutable {
        QTimer::singleShot(ms, Qt::PreciseTimer, context, std::move(guarded));
    };
    if (QThread::currentThread() == context->thread())
        start();
    else
        QMetaObject::invokeMethod(context, std::move(start), Qt::QueuedConnection);
    return token;
}

} // namespace corvel
