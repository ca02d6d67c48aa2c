#pragma once

#include "core/tasks/TaskPool.h"

#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

namespace rw {

// Keeps every worker of the current pool busy until release(), so that work started meanwhile waits.
class PoolHold final {
public:
    PoolHold() {
        TaskPool *pool = TaskPool::current();
        int started = 0;
        // Once a task does not start, every worker is taken and the pool queues what comes next.
        do {
            pool->start([this] {
                ++m_running;
                while (!m_released.load())
                    std::this_thread::sleep_for(std::chrono::milliseconds(2));
            });
            ++started;
        } while (QTest::qWaitFor([&] { return m_running.load() == started; }, 300));
    }
    ~PoolHold() { release(); }
    void release() { m_released.store(true); }

private:
    std::atomic<int> m_running{0};
    std::atomic<bool> m_released{false};
};

} // namespace rw
