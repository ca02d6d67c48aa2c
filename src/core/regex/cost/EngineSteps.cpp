// The engine's own count of steps on a text, and on the witness at growing sizes.
#include "core/regex/BacktrackCost.h"
#include "core/regex/PatternTranslator.h"

#include <pcre2.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace rw {

namespace {
// One step per item the engine tries, plus the units it moved over since the item before: a repeat of
// one character walks its units inside one item, and that walk is work too.
struct StepCount {
    std::uint64_t steps = 0;
    std::uint64_t limit = 0;
    PCRE2_SIZE at = 0;
    // Asked every so many steps; false stops the count.
    const std::function<bool()> *keepGoing = nullptr;
    std::uint64_t askAt = 0;
};
constexpr std::uint64_t askEverySteps = 64 * 1024;
int countStep(pcre2_callout_block *block, void *data) {
    auto *count = static_cast<StepCount *>(data);
    const PCRE2_SIZE now = block->current_position;
    count->steps += 1 + (now > count->at ? now - count->at : count->at - now);
    count->at = now;
    if (count->steps > count->limit)
        return PCRE2_ERROR_MATCHLIMIT;
    if (count->keepGoing && count->steps >= count->askAt) {
        count->askAt = count->steps + askEverySteps;
        if (!(*count->keepGoing)())
            return PCRE2_ERROR_CALLOUT;
    }
    return 0;
}

// The engine's own code for a translated pattern, with a callout before every item; the start-up
// shortcuts (a required unit looked for first) are off, since they only hide the growth on texts of a few
// thousand units. Null when it does not compile.
std::shared_ptr<pcre2_code> countingCode(const PatternTranslator::Result &translated, const RegexOptions &options) {
    if (!translated.isValid())
        return nullptr;
    const std::uint32_t flags =
        Pattern::compileOptions(options) | PCRE2_AUTO_CALLOUT | PCRE2_NO_START_OPTIMIZE;
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code *code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(translated.pattern.utf16()),
                                     PCRE2_SIZE(translated.pattern.size()), flags, &error, &offset, nullptr);
    return code ? std::shared_ptr<pcre2_code>(code, pcre2_code_free) : nullptr;
}

std::uint64_t countSteps(pcre2_code *code, const RegexOptions &options, QStringView text, std::uint64_t limit,
                         const std::function<bool()> *keepGoing = nullptr) {
    if (!code)
        return 0;
    StepCount count{0, limit, 0, keepGoing, askEverySteps};
    pcre2_match_context *context = pcre2_match_context_create(nullptr);
    pcre2_set_callout(context, countStep, &count);
    // The count is the limit here; the engine's own would stop first.
    pcre2_set_match_limit(context, 0xFFFFFFFF);
    pcre2_set_depth_limit(context, 0xFFFFFFFF);
    pcre2_match_data *data = pcre2_match_data_create_from_pattern(code, nullptr);
    const auto subject = reinterpret_cast<PCRE2_SPTR>(text.utf16());
    const PCRE2_SIZE length = PCRE2_SIZE(text.size());
    PCRE2_SIZE at = 0;
    while (at <= length) {
        count.at = at;
        const int rc = pcre2_match(code, subject, length, at, 0, data, context);
        if (rc < 0 || !options.global)
            break;
        const PCRE2_SIZE *ov = pcre2_get_ovector_pointer(data);
        at = ov[1] > ov[0] ? ov[1] : ov[1] + 1;
    }
    pcre2_match_data_free(data);
    pcre2_match_context_free(context);
    return std::min(count.steps, limit);
}
} // namespace

std::uint64_t BacktrackCost::engineSteps(QStringView pattern, const RegexOptions &options, QStringView text,
                                         std::uint64_t limit) {
    const auto code = countingCode(PatternTranslator::translate(pattern, options), options);
    return countSteps(code.get(), options, text, limit);
}

std::vector<BacktrackCost::Sample> BacktrackCost::measure(QStringView pattern,
                                                          const RegexOptions &options) const {
    return measure(SyntaxTree::parse(pattern), pattern, options);
}

std::vector<BacktrackCost::Sample> BacktrackCost::measure(const SyntaxTree &tree, QStringView pattern,
                                                          const RegexOptions &options,
                                                          const std::function<bool()> &keepGoing) const {
    std::vector<Sample> out;
    // Compiled once for every size.
    const auto code = countingCode(PatternTranslator::translate(tree, pattern, options), options);
    const std::function<bool()> *ask = keepGoing ? &keepGoing : nullptr;
    const auto steps = [&](int n) { return countSteps(code.get(), options, witness(n), kSampleLimit, ask); };
    if (growth == Growth::Exponential) {
        // Sizes one pump apart, up to where the count reaches a few hundred thousand steps.
        for (int n = 1; n <= 64; ++n) {
            out.push_back({n, steps(n)});
            if (out.size() > 3)
                out.erase(out.begin());
            if (out.back().steps >= kSampleLimit / 20 || (ask && !(*ask)()))
                break;
        }
        return out;
    }
    // Polynomial: the largest size still counted in about a million steps, its half and its quarter.
    const int top =
        growth == Growth::Polynomial ? std::clamp(int(std::pow(1'000'000.0, 1.0 / degree)), 16, 4096) : 4000;
    for (int n : {top / 4, top / 2, top})
        out.push_back({n, steps(n)});
    return out;
}

} // namespace rw
