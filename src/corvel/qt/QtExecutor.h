#pragma once

#include <QObject>
#include <QPointer>

#include "corvel/base/Executor.h"

namespace corvel {

// Runs the engine's work on the Qt event loop of the thread that owns the
// context object (the GUI thread for the view). post() and postDelayed() may
// be called from any thread; tasks still pending when the context is
// destroyed are dropped.
class QtExecutor final : public Executor {
public:
    explicit QtExecutor(QObject* context);
    ~QtExecutor() override;

    void post(Task task) override;
    CancelToken postDelayed(Duration delay, Task task) override;

private:
    QPointer<QObject> context_;
};

} // namespace corvel
