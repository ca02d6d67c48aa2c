#include "TaskPool.h"

#include <QRunnable>

namespace rw {

namespace {
TaskPool *g_current = nullptr;
} // namespace

TaskPool::TaskPool() : m_previous(g_current) {
    // Large enough that an abandoned task still finishing an engine call never delays a new one.
    m_pool.setMaxThreadCount(64);
    m_pool.setExpiryTimeout(30000);
    g_current = this;
}

TaskPool::~TaskPool() {
    join();
    g_current = m_previous;
}

TaskPool *TaskPool::current() {
    return g_current;
}

bool TaskPool::start(std::function<void()> work) {
    if (m_closed)
        return false;
    m_pool.start(QRunnable::create(std::move(work)));
    return true;
}

void TaskPool::join() {
    m_closed = true;
    m_pool.waitForDone();
}

int TaskPool::activeCount() const {
    return m_pool.activeThreadCount();
}

bool runInBackground(std::function<void()> work) {
    TaskPool *pool = TaskPool::current();
    return pool && pool->start(std::move(work));
}

} // namespace rw
