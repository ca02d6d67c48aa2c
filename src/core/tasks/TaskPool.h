#pragma once

#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>

namespace rw {

// The worker threads of the application. The application makes one before its window and destroys it
// after the window: the destructor refuses new work and joins every task still running, so no task
// outlives the objects it was given. While one exists it is TaskPool::current().
class TaskPool final {
public:
    TaskPool();
    ~TaskPool();
    TaskPool(const TaskPool &) = delete;
    TaskPool &operator=(const TaskPool &) = delete;

    // The pool of the running application; null when none exists.
    static TaskPool *current();

    // Runs work on a worker thread; false, with work not run, once the pool is closing.
    bool start(std::function<void()> work);
    // Refuses new work from now on and waits for every task to end.
    void join();
    // Waits until no task runs, still taking new work.
    void waitForIdle() { m_pool.waitForDone(); }
    // Number of tasks running now (for tests that wait for a quiet pool).
    int activeCount() const;

private:
    QThreadPool m_pool;
    TaskPool *m_previous = nullptr;
    std::atomic<bool> m_closed{false};
};

// Runs work on the current pool; false, with work not run, when there is none or it is closing.
bool runInBackground(std::function<void()> work);

// Lets value go on a worker: giving back hundreds of megabytes takes a while. In place when no worker
// takes it.
template <typename T> void freeInBackground(T value) {
    auto held = std::make_shared<T>(std::move(value));
    runInBackground([held = std::move(held)]() mutable { held.reset(); });
}

} // namespace rw
