// Pattern translation, compilation and a global match with options chosen by the input.
// Input: one byte of options, the pattern, a zero byte, the subject.
// Bits of the options byte: 1 ignore case, 2 multiline, 4 global, 8 the subject as raw UTF-16, 16 line by
// line.

#include "FuzzInput.h"

#include "core/regex/Matcher.h"
#include "core/regex/Substitution.h"

using namespace rwfuzz;

namespace {

// Long enough for every construct, short enough that a runaway pattern (stopped per attempt by the
// engine's limits) costs seconds, not minutes.
constexpr qsizetype MaxPattern = 256;
constexpr qsizetype MaxSubject = 128;

// A lookaround may capture outside the match it belongs to, as in the component's language.
bool mayCaptureOutsideMatch(const QString &pattern) {
    return pattern.contains(u"(?=") || pattern.contains(u"(?!") || pattern.contains(u"(?<");
}

void checkMatches(const rw::MatchSet &set, const QString &pattern, qsizetype length, bool global,
                  bool perLine) {
    RW_FUZZ_CHECK(global || perLine || set.size() <= 1);
    const bool groupsInside = !mayCaptureOutsideMatch(pattern);
    for (qsizetype i = 0; i < set.size(); ++i) {
        const qsizetype start = set.start(i, 0);
        const qsizetype end = set.end(i, 0);
        RW_FUZZ_CHECK(0 <= start && start <= end && end <= length);
        if (i > 0) {
            // The global loop advances: no overlap, and never twice at the same empty spot.
            const qsizetype previousStart = set.start(i - 1, 0);
            const qsizetype previousEnd = set.end(i - 1, 0);
            RW_FUZZ_CHECK(start >= previousEnd);
            RW_FUZZ_CHECK(previousStart < previousEnd || start > previousEnd);
        }
        for (int g = 1; g <= set.groupCount(); ++g) {
            const qsizetype groupStart = set.start(i, g);
            const qsizetype groupEnd = set.end(i, g);
            if (groupStart < 0) {
                RW_FUZZ_CHECK(groupEnd < 0);
                continue;
            }
            RW_FUZZ_CHECK(groupStart <= groupEnd && groupEnd <= length);
            if (groupsInside)
                RW_FUZZ_CHECK(start <= groupStart && groupEnd <= end);
        }
    }
}

// Line by line is each line searched alone: the same matches as the search of every line copied out.
// Returns what replacing in each line alone makes of subject, its breaks kept.
QString checkEachLineAlone(const rw::MatchSet &set, const QString &pattern, rw::RegexOptions options,
                           const QString &subject, const QString &replacement) {
    options.perLine = false;
    const rw::Pattern alone = rw::Pattern::compile(pattern, options);
    RW_FUZZ_CHECK(alone.isValid());
    const rw::Substitution substitution(replacement, alone.captureCount());
    QString replaced;
    qsizetype next = 0; // the next match of set to compare
    qsizetype start = 0;
    for (qsizetype i = 0; i <= subject.size(); ++i) {
        if (i < subject.size() && subject[i] != u'\n' && subject[i] != u'\r')
            continue;
        const QString line = subject.sliced(start, i - start);
        rw::MatchSet found(alone.captureCount());
        RW_FUZZ_CHECK(rw::Matcher(alone).findAll(line, found) == rw::MatchStatus::Ok);
        replaced += substitution.replace(line, found);
        for (qsizetype m = 0; m < found.size(); ++m, ++next) {
            RW_FUZZ_CHECK(next < set.size());
            for (int g = 0; g <= found.groupCount(); ++g) {
                const bool unset = found.start(m, g) < 0;
                RW_FUZZ_CHECK(set.start(next, g) == (unset ? -1 : found.start(m, g) + start));
                RW_FUZZ_CHECK(set.end(next, g) == (unset ? -1 : found.end(m, g) + start));
            }
        }
        if (i + 1 < subject.size() && subject[i] == u'\r' && subject[i + 1] == u'\n')
            replaced += subject[i++];
        if (i < subject.size())
            replaced += subject[i];
        start = i + 1;
    }
    RW_FUZZ_CHECK(next == set.size());
    return replaced;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t flags = input.byte();
    rw::RegexOptions options{bool(flags & 1), bool(flags & 2), bool(flags & 4)};
    options.perLine = flags & 16;
    const QString pattern = input.text();
    const QString subject = input.text(flags & 8);
    if (pattern.size() > MaxPattern || subject.size() > MaxSubject)
        return -1;

    const rw::Pattern compiled = rw::Pattern::compile(pattern, options);
    if (!compiled.isValid())
        return 0;
    rw::Matcher matcher(compiled);
    rw::MatchSet set(compiled.captureCount());
    const rw::MatchStatus status = matcher.findAll(subject, set);
    RW_FUZZ_CHECK(status == rw::MatchStatus::Ok || status == rw::MatchStatus::LimitExceeded);
    checkMatches(set, pattern, subject.size(), options.global, options.perLine);

    // Replace runs the same loop: same outcome, and the text the markers make of these matches (of each
    // line's own, line by line).
    const QString replacement = QStringLiteral("<$&|$1|$`|$'|$$>");
    rw::MatchStatus replaceStatus = rw::MatchStatus::Rejected;
    const QString replaced = matcher.replaceAll(subject, replacement, &replaceStatus);
    RW_FUZZ_CHECK(replaceStatus == status);
    if (status == rw::MatchStatus::Ok && options.perLine)
        RW_FUZZ_CHECK(replaced == checkEachLineAlone(set, pattern, options, subject, replacement));
    else if (status == rw::MatchStatus::Ok)
        RW_FUZZ_CHECK(replaced ==
                      rw::Substitution(replacement, compiled.captureCount()).replace(subject, set));
    return 0;
}
