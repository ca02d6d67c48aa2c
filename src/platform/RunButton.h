#pragma once

#include "core/tasks/RunState.h"

#include <QPushButton>

namespace rw {

// Keeps button's caption in step with runs: busy while a run goes on, idle otherwise. The caption is
// only ever derived from the run state, never read back.
inline void showRunsOn(QPushButton *button, const RunState &runs, const QString &idle, const QString &busy) {
    QObject::connect(&runs, &RunState::runningChanged, button,
                     [button, idle, busy](bool running) { button->setText(running ? busy : idle); });
}

} // namespace rw
