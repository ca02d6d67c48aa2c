// Pattern translation, compilation and a global match with options chosen by the input.
// Input: one byte of options, the pattern, a zero byte, the subject.

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

void checkMatches(const rw::MatchSet &set, const QString &pattern, qsizetype length, bool global) {
    RW_FUZZ_CHECK(global || set.size() <= 1);
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t flags = input.byte();
    const rw::RegexOptions options{bool(flags & 1), bool(flags & 2), bool(flags & 4)};
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
    checkMatches(set, pattern, subject.size(), options.global);

    // Replace runs the same loop: same outcome, and the text the markers make of these matches.
    const QString replacement = QStringLiteral("<$&|$1|$`|$'|$$>");
    rw::MatchStatus replaceStatus = rw::MatchStatus::Rejected;
    const QString replaced = matcher.replaceAll(subject, replacement, &replaceStatus);
    RW_FUZZ_CHECK(replaceStatus == status);
    if (status == rw::MatchStatus::Ok)
        RW_FUZZ_CHECK(replaced ==
                      rw::Substitution(replacement, compiled.captureCount()).replace(subject, set));
    return 0;
}
