#pragma once

#include "core/tasks/RunState.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace rw {

// Reports how far a long run is: once a run has gone on for half a second, calls tick a few times a
// second until stop(). Short runs never show progress, so their final status is all the user sees.
class ProgressTicker final : public QObject {
    Q_OBJECT
public:
    explicit ProgressTicker(std::function<void()> tick, QObject *parent = nullptr)
        : QObject(parent), m_tick(std::move(tick)) {
        m_timer.setInterval(kIntervalMs);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (m_since.elapsed() >= kDelayMs)
                m_tick();
        });
    }

    void start() {
        m_since.start();
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    // Runs while runs has a run going.
    void follow(const RunState &runs) {
        connect(&runs, &RunState::runningChanged, this, [this](bool running) { running ? start() : stop(); });
    }

private:
    static constexpr int kDelayMs = 500;
    static constexpr int kIntervalMs = 250;
    std::function<void()> m_tick;
    QTimer m_timer;
    QElapsedTimer m_since;
};

} // namespace rw
