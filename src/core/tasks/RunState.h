#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace rw {

// Delivers calls from any thread to the thread of one receiver object, until the receiver is destroyed:
// from then on a post is dropped, and posts still queued are discarded with the receiver.
class Mailbox final {
public:
    // A mailbox that delivers to receiver; make it on the receiver's thread.
    static std::shared_ptr<Mailbox> to(QObject *receiver);

    // Queues fn to run on the receiver's thread; false (fn dropped) when the receiver is gone.
    bool post(std::function<void()> fn);

private:
    std::mutex m_mutex;
    QObject *m_receiver = nullptr;
};

// The run state of one background command: which run is current and whether one is running. Every
// command's start/stop goes through it, and captions and enabled states are derived from
// runningChanged(), never read back from widgets. The newest run always wins: begin() abandons the
// previous one, and whatever an abandoned run delivers is dropped on arrival.
class RunState final : public QObject {
    Q_OBJECT
public:
    // One run, as a worker holds it. Copyable, usable from any thread, and safe to keep after the
    // RunState is gone (it is then no longer current).
    class Run {
    public:
        Run() = default;
        // Whether this run is still wanted; workers poll this between pieces of work.
        bool isCurrent() const;
        // Runs fn on the RunState's thread if, on arrival, this run is still current and its RunState
        // still exists; otherwise fn is dropped. Captures of fn are destroyed on either thread.
        void deliver(std::function<void()> fn) const;

    private:
        friend class RunState;
        struct Shared;
        std::shared_ptr<Shared> m_shared;
        quint64 m_number = 0;
    };

    explicit RunState(QObject *parent = nullptr);
    // Abandons the current run.
    ~RunState() override;

    // Starts a new run and abandons any earlier one; isRunning() becomes true.
    Run begin();
    // Abandons the current run (a stop, or the receiver going away); isRunning() becomes false.
    void stop();
    // Ends run if it is the current one and returns true; false for an abandoned or superseded run.
    bool finish(const Run &run);
    bool isCurrent(const Run &run) const { return run.m_shared == m_shared && run.isCurrent(); }
    bool isRunning() const { return m_running; }

signals:
    void runningChanged(bool running);

private:
    void setRunning(bool running);

    std::shared_ptr<Run::Shared> m_shared;
    bool m_running = false;
};

struct RunState::Run::Shared {
    std::atomic<quint64> current{0};
    std::shared_ptr<Mailbox> mailbox;
};

} // namespace rw
