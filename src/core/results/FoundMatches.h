#pragma once

#include "core/regex/MatchSet.h"
#include "core/regex/Pattern.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace rw {

// The matches one search found, with what it searched: the pattern as written, the options, the source
// box's revision and the subject it read. A finished live search hands these to Match, which lists them
// instead of searching again when its own inputs are the same.
struct FoundMatches {
    QString expression;
    RegexOptions options;
    quint64 revision = 0;
    QString subject;
    MatchStatus status = MatchStatus::Ok;
    std::shared_ptr<const MatchSet> matches;

    // Whether this is the search of expression under options over the box at revision.
    bool searches(const QString &e, const RegexOptions &o, quint64 r) const {
        return e == expression && r == revision && o == options;
    }
};

// One who waits for a search made elsewhere (Match joining the live search): progress hears the count
// found so far while the search runs; done hears its matches once it has found them all, or nothing
// when it is abandoned first (the waiter then searches for itself).
struct FoundWaiter {
    std::function<void(qsizetype found)> progress;
    std::function<void(std::optional<FoundMatches>)> done;
};

} // namespace rw
