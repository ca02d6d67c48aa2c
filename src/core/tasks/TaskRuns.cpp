#include "TaskRuns.h"

#include <QRunnable>

namespace rw {

QThreadPool *taskPool() {
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(64);
        p->setExpiryTimeout(30000);
        return p;
    }();
    return pool;
}

void runInBackground(std::function<void()> work) {
    taskPool()->start(QRunnable::create(std::move(work)));
}

} // namespace rw
