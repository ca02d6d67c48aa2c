#pragma once

#include <QObject>
#include "TaskPool.h"

#include <atomic>
#include <functional>

namespace rw {

// Numbers the runs of one command. A run stays current until the next begin() or an abandon();
// everything a run posts is checked against isCurrent() on arrival, so a stopped or superseded run
// can never show anything. Safe to query from any thread.
class TaskRuns final {
public:
    // Starts a new run and returns its number; every earlier run is abandoned.
    quint64 begin() { return ++m_current; }
    // Abandons the current run without starting another.
    void abandon() { ++m_current; }
    bool isCurrent(quint64 run) const { return m_current.load() == run; }

private:
    std::atomic<quint64> m_current{0};
};

// Runs fn on the thread of context (the UI thread for widgets and models); dropped when context is gone.
template <typename Fn> void postTo(QObject *context, Fn &&fn) {
    QMetaObject::invokeMethod(context, std::forward<Fn>(fn), Qt::QueuedConnection);
}

} // namespace rw
