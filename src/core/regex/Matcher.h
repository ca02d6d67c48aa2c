#pragma once

#include "Pattern.h"

#include <QString>
#include <QStringView>

#include <atomic>
#include <functional>
#include <memory>

namespace rw {

class LineStarts;

// Runs one Pattern over subject texts. Owns its match data and JIT stack: one per thread.
class Matcher final {
public:
    explicit Matcher(const Pattern &pattern);
    ~Matcher();
    Matcher(const Matcher &) = delete;
    Matcher &operator=(const Matcher &) = delete;

    // findAll's poll is asked at least after this many matches.
    static constexpr unsigned pollEveryMatches = 4096;

    // Finds all matches (or the first only when the pattern is not global), appending them to out,
    // which must have the pattern's captureCount() as group count. poll, when given, is called every
    // few thousand matches and at least every few milliseconds of matching; it may move the matches
    // out of `out` (to hand them on as a batch) and returns false to stop with Canceled; a search that
    // finds nothing also asks it between stretches of the subject.
    // from and startLimit (-1: the end) bound where a match may begin, inside the whole subject: what
    // lies around, lookbehinds, "^", "\b" and lookaheads see as it is.
    // With the pattern's perLine option, each line of subject (ended by "\r\n", "\n" or a lone "\r"; the
    // text after the last break is a line too) is searched as a subject of its own, as if it stood alone:
    // no match reaches over a break, and what lies around the line is not seen. Not global then means the
    // first match of each line. Offsets stay those of subject; from and startLimit bound the starts as
    // above, inside the lines that reach into them. lines, when given, must be subject's: the search goes
    // by them instead of finding every break again.
    MatchStatus findAll(QStringView subject, MatchSet &out, const std::function<bool(MatchSet &)> &poll = {},
                        qsizetype from = 0, qsizetype startLimit = -1, const LineStarts *lines = nullptr);

    // The subject with every match replaced by the expansion of replacement ($1, $&, $`, $', $$ ...).
    // With perLine each line is replaced as a subject of its own ($` and $' stop at its ends) and the
    // line breaks stay as they are.
    // On LimitExceeded or Canceled the returned text is meaningless. keepGoing, when given, is asked as
    // findAll's poll is; progress, when given, is kept at the number of subject units done so far.
    QString replaceAll(QStringView subject, QStringView replacement, MatchStatus *status = nullptr,
                       const std::function<bool()> &keepGoing = {},
                       std::atomic<qsizetype> *progress = nullptr);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace rw
