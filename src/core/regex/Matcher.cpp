#include "Matcher.h"

#include "EngineLimits.h"
#include "Substitution.h"
#include "core/text/TextLines.h"

#include <pcre2.h>

#include <algorithm>
#include <chrono>

namespace rw {

namespace {

using Clock = std::chrono::steady_clock;

// How often findAll hands over to its poll: after this many matches, or this much time.
constexpr unsigned pollMatches = Matcher::pollEveryMatches;
constexpr auto pollInterval = std::chrono::milliseconds(10);
// The clock is read only every so many matches or a stretch of scanned units, so short matches stay cheap.
constexpr unsigned clockEveryMatches = 256;
// A search that finds nothing asks its poll after every stretch. A stretch is sized to the pattern's own
// pace, to take about stretchTime: a quick pattern goes megaunits at a time, one that is slow on every
// start goes a few hundred units, so a stale run gives its core back within milliseconds.
constexpr std::size_t firstStretchUnits = 4 * 1024;
constexpr std::size_t leastStretchUnits = 256;
constexpr std::size_t mostStretchUnits = 4 * 1024 * 1024;
constexpr auto stretchTime = std::chrono::milliseconds(2);

// Fails an iteration of a repeat that has not moved since its hidden group marked where it began (see
// PatternTranslator::Result::emptyIterationGroups); a positive return makes PCRE2 backtrack.
int rejectEmptyIteration(pcre2_callout_block *block, void *data) {
    const auto &groups = *static_cast<const std::vector<int> *>(data);
    const std::uint32_t k = block->callout_number;
    if (k == 0 || k > groups.size())
        return 0;
    const std::uint32_t group = std::uint32_t(groups[k - 1]);
    if (group >= block->capture_top)
        return 0;
    return block->offset_vector[2 * group] == block->current_position ? 1 : 0;
}

} // namespace

struct Matcher::Private {
    explicit Private(const Pattern &p) : pattern(p), code(static_cast<pcre2_code *>(p.code())) {}

    ~Private() {
        pcre2_match_data_free(data);
        pcre2_match_context_free(context);
        pcre2_jit_stack_free(stack);
    }

    int match(PCRE2_SPTR text, std::size_t length, std::size_t start, std::size_t startLimit) {
        if (startLimit != offsetLimit) {
            offsetLimit = startLimit;
            pcre2_set_offset_limit(context, startLimit);
        }
        return jit ? pcre2_jit_match(code, text, length, start, 0, data, context)
                   : pcre2_match(code, text, length, start, 0, data, context);
    }
    std::size_t offsetLimit = PCRE2_UNSET;

    struct Pace;
    // Appends the matches that begin in [pos, limit] of subject (the first only when the pattern is not
    // global), each offset moved on by base, the subject's offset in the text findAll was given.
    MatchStatus search(QStringView subject, std::size_t base, std::size_t pos, std::size_t limit,
                       MatchSet &out, Pace &pace);
    // The same for each line of subject alone, for the lines that reach into [from, limit]; lines, when
    // given, are subject's.
    MatchStatus searchLines(QStringView subject, std::size_t from, std::size_t limit, const LineStarts *lines,
                            MatchSet &out, Pace &pace);

    Pattern pattern; // keeps the compiled code alive
    pcre2_code *code;
    pcre2_match_data *data = nullptr;
    pcre2_match_context *context = nullptr;
    pcre2_jit_stack *stack = nullptr;
    bool jit = false;
    // The pattern's own groups picked out of PCRE2's when the two differ.
    std::vector<std::size_t> remapped;

    // The offsets of the match just found, one pair per group of the pattern.
    const std::size_t *offsets() {
        const std::size_t *ovector = pcre2_get_ovector_pointer(data);
        const auto &copies = pattern.groupCopies();
        if (copies.empty())
            return ovector;
        constexpr std::size_t unset = ~std::size_t(0);
        remapped.assign(2 * (copies.size() + 1), unset);
        remapped[0] = ovector[0];
        remapped[1] = ovector[1];
        for (std::size_t g = 0; g < copies.size(); ++g) {
            for (auto c = copies[g].rbegin(); c != copies[g].rend(); ++c) {
                if (ovector[2 * std::size_t(*c)] != unset) {
                    remapped[2 * (g + 1)] = ovector[2 * std::size_t(*c)];
                    remapped[2 * (g + 1) + 1] = ovector[2 * std::size_t(*c) + 1];
                    break;
                }
            }
        }
        return remapped.data();
    }
};

Matcher::Matcher(const Pattern &pattern) : d(std::make_unique<Private>(pattern)) {
    if (!d->code)
        return;
    d->data = pcre2_match_data_create_from_pattern(d->code, nullptr);
    d->context = pcre2_match_context_create(nullptr);
    pcre2_set_match_limit(d->context, EngineLimits::matchLimit);
    pcre2_set_depth_limit(d->context, EngineLimits::depthLimit);
    pcre2_set_heap_limit(d->context, EngineLimits::heapLimitKiB);
    if (!d->pattern.emptyIterationGroups().empty()) {
        pcre2_set_callout(d->context, rejectEmptyIteration,
                          const_cast<std::vector<int> *>(&d->pattern.emptyIterationGroups()));
    }
    std::size_t jitSize = 0;
    pcre2_pattern_info(d->code, PCRE2_INFO_JITSIZE, &jitSize);
    if (jitSize > 0) {
        d->stack = pcre2_jit_stack_create(EngineLimits::jitStackStart, EngineLimits::jitStackMax, nullptr);
        if (d->stack) {
            pcre2_jit_stack_assign(d->context, nullptr, d->stack);
            d->jit = true;
        }
    }
}

Matcher::~Matcher() = default;

// The poll's side of a search: when it was last asked, and how long a stretch without a match may be.
// One per findAll, so the pace carries from line to line in a search of each line.
struct Matcher::Private::Pace {
    const std::function<bool(MatchSet &)> &poll;
    Clock::time_point lastPoll = poll ? Clock::now() : Clock::time_point();
    unsigned sincePoll = 0;
    std::size_t stretch = firstStretchUnits;
    // The subject offset where the clock was last read.
    std::size_t clockReadAt = 0;

    // After a stretch without a match that ends at subject offset end: asks the poll and sizes the next
    // stretch to the time this one took.
    bool stretchDone(MatchSet &out, std::size_t end) {
        if (!poll(out))
            return false;
        const Clock::time_point now = Clock::now();
        const auto took = now - lastPoll;
        if (took < stretchTime / 2)
            stretch = std::min(stretch * 2, mostStretchUnits);
        else if (took > stretchTime * 2)
            stretch = std::max(stretch / 2, leastStretchUnits);
        lastPoll = now;
        clockReadAt = end;
        sincePoll = 0;
        return true;
    }
};

MatchStatus Matcher::Private::search(QStringView subject, std::size_t base, std::size_t pos,
                                     std::size_t limit, MatchSet &out, Pace &pace) {
    const auto text = reinterpret_cast<PCRE2_SPTR>(subject.utf16());
    const std::size_t length = std::size_t(subject.size());
    const bool global = pattern.global();
    const bool poll = bool(pace.poll);
    while (pos <= limit) {
        // With a poll, the search goes a stretch at a time: where a stretch holds no match, the poll is
        // asked before the next one (a match found is the same, since starts are tried left to right).
        const std::size_t stretchEnd = poll ? std::min(limit, pos + pace.stretch) : limit;
        const int rc = match(text, length, pos, stretchEnd == length ? PCRE2_UNSET : stretchEnd);
        if (rc == PCRE2_ERROR_NOMATCH) {
            if (stretchEnd >= limit)
                break;
            if (!pace.stretchDone(out, base + stretchEnd + 1))
                return MatchStatus::Canceled;
            pos = stretchEnd + 1;
            continue;
        }
        if (rc < 0) // the match, depth, heap or JIT stack limit, or memory ran out
            return MatchStatus::LimitExceeded;
        const std::size_t *ovector = offsets();
        out.append(ovector, base);
        if (!global)
            break;
        // After an empty match go on one unit further; an empty match right after a non-empty one
        // is still found, as the component finds it.
        pos = ovector[1] > ovector[0] ? ovector[1] : ovector[1] + 1;
        if (!poll)
            continue;
        ++pace.sincePoll;
        if (pace.sincePoll % clockEveryMatches != 0 && base + pos - pace.clockReadAt < pace.stretch)
            continue;
        pace.clockReadAt = base + pos;
        const Clock::time_point now = Clock::now();
        if (pace.sincePoll < pollMatches && now - pace.lastPoll < pollInterval)
            continue;
        if (!pace.poll(out))
            return MatchStatus::Canceled;
        pace.sincePoll = 0;
        pace.lastPoll = now;
    }
    return MatchStatus::Ok;
}

MatchStatus Matcher::Private::searchLines(QStringView subject, std::size_t from, std::size_t limit,
                                          const LineStarts *lines, MatchSet &out, Pace &pace) {
    const qsizetype size = subject.size();
    // The lines come from the index when there is one, else each break is found as the walk gets to it.
    qsizetype index = lines ? lines->lineNumber(qsizetype(from)) - 1 : 0;
    qsizetype lineStart = lines ? lines->start(index) : lineStartAt(subject, qsizetype(from));
    while (std::size_t(lineStart) <= limit) {
        const qsizetype lineEnd = lines ? lines->end(subject, index) : nextLineBreak(subject, lineStart);
        // Each line is a subject of its own: what lies around it is not there for "^", "$", "\b" or a
        // lookaround, and no match reaches over its break.
        const QStringView line = subject.sliced(lineStart, lineEnd - lineStart);
        const std::size_t base = std::size_t(lineStart);
        const std::size_t start = std::max(from, base) - base;
        const MatchStatus status =
            search(line, base, start, std::min(limit, std::size_t(lineEnd)) - base, out, pace);
        if (status != MatchStatus::Ok)
            return status;
        if (lineEnd == size)
            break;
        lineStart = lines ? lines->start(++index) : lineEnd + lineBreakLength(subject, lineEnd);
        // Lines without a match ask the poll as a stretch without one does.
        if (pace.poll && std::size_t(lineStart) - pace.clockReadAt >= pace.stretch &&
            !pace.stretchDone(out, std::size_t(lineStart)))
            return MatchStatus::Canceled;
    }
    return MatchStatus::Ok;
}

MatchStatus Matcher::findAll(QStringView subject, MatchSet &out, const std::function<bool(MatchSet &)> &poll,
                             qsizetype from, qsizetype startLimit, const LineStarts *lines) {
    if (!d->code || !d->data || !d->context)
        return MatchStatus::Rejected;
    Q_ASSERT(out.groupCount() == d->pattern.captureCount());
    const std::size_t pos = std::size_t(std::clamp<qsizetype>(from, 0, subject.size()));
    const std::size_t limit =
        std::size_t(startLimit < 0 ? subject.size() : std::clamp<qsizetype>(startLimit, 0, subject.size()));
    Private::Pace pace{poll};
    pace.clockReadAt = pos;
    if (d->pattern.options().perLine)
        return d->searchLines(subject, pos, limit, lines, out, pace);
    return d->search(subject, 0, pos, limit, out, pace);
}

QString Matcher::replaceAll(QStringView subject, QStringView replacement, MatchStatus *status,
                            const std::function<bool()> &keepGoing, std::atomic<qsizetype> *progress) {
    QString out;
    MatchSet batch(d->pattern.captureCount());
    MatchStatus result = MatchStatus::Rejected;
    if (d->code) {
        const Substitution substitution(replacement, d->pattern.captureCount());
        const bool withinLines = d->pattern.options().perLine;
        out.reserve(subject.size());
        qsizetype copied = 0;
        // Expanding each batch as it comes keeps only a few thousand matches in memory at a time.
        result = findAll(subject, batch, [&](MatchSet &matches) {
            substitution.replaceInto(out, subject, matches, copied, withinLines);
            matches.clear();
            if (progress)
                progress->store(copied, std::memory_order_relaxed);
            return !keepGoing || keepGoing();
        });
        substitution.replaceInto(out, subject, batch, copied, withinLines);
        out += subject.sliced(copied);
    }
    if (status)
        *status = result;
    return out;
}

} // namespace rw
