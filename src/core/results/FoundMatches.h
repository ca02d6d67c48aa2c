#pragma once

#include "core/regex/MatchSet.h"
#include "core/regex/Pattern.h"

#include <QString>

#include <memory>

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

    // Whether these are the matches of expression under options over the box at revision.
    bool answers(const QString &e, const RegexOptions &o, quint64 r) const {
        return matches && e == expression && r == revision && o.ignoreCase == options.ignoreCase &&
               o.multiline == options.multiline && o.global == options.global;
    }
};

} // namespace rw
