#pragma once

#include "Pattern.h"
#include "PatternError.h"

#include <QString>

namespace rw {

// The commands whose runs end in a status line.
enum class RunCommand { Match, Replace };

// How a run of Match or Replace ended.
struct RunOutcome {
    MatchStatus status = MatchStatus::Ok;
    PatternError error = {};  // set when status is Rejected
    qsizetype matchCount = 0; // Match only
    int submatchCount = 0;    // Match only: the pattern's groups when something matched, else 0
};

// The status bar's text for a finished run of command.
QString runStatusText(RunCommand command, const RunOutcome &outcome);

} // namespace rw
