#include "Matcher.h"

#include "EngineLimits.h"
#include "Substitution.h"

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

MatchStatus Matcher::findAll(QStringView subject, MatchSet &out, const std::function<bool(MatchSet &)> &poll,
                             qsizetype from, qsizetype startLimit) {
    if (!d->code || !d->data || !d->context)
        return MatchStatus::Rejected;
    Q_ASSERT(out.groupCount() == d->pattern.captureCount());
    const auto text = reinterpret_cast<PCRE2_SPTR>(subject.utf16());
    const std::size_t length = std::size_t(subject.size());
    const bool global = d->pattern.global();

    Clock::time_point lastPoll = poll ? Clock::now() : Clock::time_point();
    unsigned sincePoll = 0;
    std::size_t stretch = firstStretchUnits;
    std::size_t pos = std::size_t(std::clamp<qsizetype>(from, 0, subject.size()));
    std::size_t clockReadAt = pos;
    const std::size_t limit = startLimit < 0 ? length : std::size_t(std::clamp<qsizetype>(startLimit, 0, subject.size()));
    while (pos <= limit) {
        // With a poll, the search goes a stretch at a time: where a stretch holds no match, the poll is
        // asked before the next one (a match found is the same, since starts are tried left to right).
        const std::size_t stretchEnd = poll ? std::min(limit, pos + stretch) : limit;
        const int rc = d->match(text, length, pos, stretchEnd == length ? PCRE2_UNSET : stretchEnd);
        if (rc == PCRE2_ERROR_NOMATCH) {
            if (stretchEnd >= limit)
                break;
            if (!poll(out))
                return MatchStatus::Canceled;
            const Clock::time_point now = Clock::now();
            const auto took = now - lastPoll;
            if (took < stretchTime / 2)
                stretch = std::min(stretch * 2, mostStretchUnits);
            else if (took > stretchTime * 2)
                stretch = std::max(stretch / 2, leastStretchUnits);
            lastPoll = now;
            clockReadAt = stretchEnd + 1;
            sincePoll = 0;
            pos = stretchEnd + 1;
            continue;
        }
        if (rc < 0) // the match, depth, heap or JIT stack limit, or memory ran out
            return MatchStatus::LimitExceeded;
        const std::size_t *ovector = d->offsets();
        out.append(ovector);
        if (!global)
            break;
        // After an empty match go on one unit further; an empty match right after a non-empty one
        // is still found, as the component finds it.
        pos = ovector[1] > ovector[0] ? ovector[1] : ovector[1] + 1;
        if (!poll)
            continue;
        ++sincePoll;
        if (sincePoll % clockEveryMatches != 0 && pos - clockReadAt < stretch)
            continue;
        clockReadAt = pos;
        const Clock::time_point now = Clock::now();
        if (sincePoll < pollMatches && now - lastPoll < pollInterval)
            continue;
        if (!poll(out))
            return MatchStatus::Canceled;
        sincePoll = 0;
        lastPoll = now;
    }
    return MatchStatus::Ok;
}

QString Matcher::replaceAll(QStringView subject, QStringView replacement, MatchStatus *status,
                            const std::function<bool()> &keepGoing, std::atomic<qsizetype> *progress) {
    QString out;
    MatchSet batch(d->pattern.captureCount());
    MatchStatus result = MatchStatus::Rejected;
    if (d->code) {
        const Substitution substitution(replacement, d->pattern.captureCount());
        out.reserve(subject.size());
        qsizetype copied = 0;
        // Expanding each batch as it comes keeps only a few thousand matches in memory at a time.
        result = findAll(subject, batch, [&](MatchSet &matches) {
            substitution.replaceInto(out, subject, matches, copied);
            matches.clear();
            if (progress)
                progress->store(copied, std::memory_order_relaxed);
            return !keepGoing || keepGoing();
        });
        substitution.replaceInto(out, subject, batch, copied);
        out += subject.sliced(copied);
    }
    if (status)
        *status = result;
    return out;
}

} // namespace rw
