// The engine against bare PCRE2-16 JIT and std::regex over a generated 20 MB log-like text.
#include "BenchSupport.h"
#include "core/regex/Matcher.h"

#include <pcre2.h>

#include <QString>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

namespace {

constexpr int repetitions = 5;
constexpr qsizetype stdRegexSliceUnits = 2'000'000;

// Deterministic: a fixed linear congruential generator, so every run sees the same text.
class Generator final {
public:
    unsigned next(unsigned bound) {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return unsigned(m_state >> 33) % bound;
    }

private:
    unsigned long long m_state = 42;
};

QString makeLogText(qsizetype targetUnits) {
    static const char *const levels[] = {"INFO", "WARN", "ERROR", "DEBUG"};
    static const char *const words[] = {"connect", "request", "user",    "session", "cache",
                                        "retry",   "Timeout", "read",    "write",   "server",
                                        "client",  "queue",   "TIMEOUT", "done"};
    Generator g;
    QString text;
    text.reserve(targetUnits + 256);
    while (text.size() < targetUnits) {
        text += QStringLiteral("2024-%1-%2 %3:%4:%5.%6 [%7] ")
                    .arg(1 + g.next(12), 2, 10, QChar(u'0'))
                    .arg(1 + g.next(28), 2, 10, QChar(u'0'))
                    .arg(g.next(24), 2, 10, QChar(u'0'))
                    .arg(g.next(60), 2, 10, QChar(u'0'))
                    .arg(g.next(60), 2, 10, QChar(u'0'))
                    .arg(g.next(1000), 3, 10, QChar(u'0'))
                    .arg(QLatin1String(levels[g.next(4)]));
        const unsigned pieces = 3 + g.next(6);
        for (unsigned p = 0; p < pieces; ++p) {
            switch (g.next(5)) {
            case 0:
            case 1:
                text += QLatin1String(words[g.next(std::size(words))]);
                break;
            case 2: {
                const unsigned length = 1 + g.next(6);
                for (unsigned k = 0; k < length; ++k)
                    text += QChar(char16_t(0x4E00 + g.next(0x9FA5 - 0x4E00 + 1)));
                break;
            }
            case 3:
                text += QStringLiteral("id=%1-%2").arg(g.next(100000)).arg(g.next(1000));
                break;
            default:
                text += QStringLiteral("t=%1ms").arg(g.next(5000));
                break;
            }
            text += g.next(4) == 0 ? QStringLiteral("，") : QStringLiteral(" ");
        }
        if (g.next(20) == 0)
            text += QStringLiteral("timeout after %1 ms").arg(g.next(10000));
        text += QStringLiteral("\r\n");
    }
    return text;
}

struct Case {
    const char *label;
    QString component; // the pattern as the user types it
    QString pcre;      // the same pattern written for bare PCRE2
    std::wstring std;  // the same pattern for std::wregex
    bool ignoreCase;
};

// Bare PCRE2-16 JIT: the loop any direct user would write, collecting ovector offsets.
qsizetype bareMatches(pcre2_code *code, QStringView subject, std::vector<std::size_t> &offsets) {
    pcre2_match_data *data = pcre2_match_data_create_from_pattern(code, nullptr);
    pcre2_jit_stack *stack = pcre2_jit_stack_create(32 * 1024, 512 * 1024 * 1024, nullptr);
    pcre2_match_context *context = pcre2_match_context_create(nullptr);
    pcre2_jit_stack_assign(context, nullptr, stack);
    const std::size_t pairs = pcre2_get_ovector_count(data);
    const std::size_t *ovector = pcre2_get_ovector_pointer(data);
    const auto text = reinterpret_cast<PCRE2_SPTR>(subject.utf16());
    const std::size_t length = std::size_t(subject.size());
    qsizetype count = 0;
    std::size_t pos = 0;
    while (pos <= length && pcre2_jit_match(code, text, length, pos, 0, data, context) >= 0) {
        offsets.insert(offsets.end(), ovector, ovector + 2 * pairs);
        ++count;
        pos = ovector[1] > ovector[0] ? ovector[1] : ovector[1] + 1;
    }
    pcre2_match_context_free(context);
    pcre2_jit_stack_free(stack);
    pcre2_match_data_free(data);
    return count;
}

} // namespace

int main() {
    const QString text = makeLogText(17'600'000);
    qsizetype chinese = 0;
    qsizetype breaks = 0;
    for (QChar c : text) {
        chinese += c.unicode() >= 0x4E00 && c.unicode() <= 0x9FA5;
        breaks += c == u'\n';
    }
    std::printf("text: %.1f MB as UTF-8, %lld UTF-16 units, %lld Chinese characters, %lld CRLF lines\n",
                double(text.toUtf8().size()) / 1e6, (long long)text.size(), (long long)chinese,
                (long long)breaks);
    std::printf("medians of %d runs; std::regex (std::wregex, libstdc++) over the first %lld units only, "
                "median of 3, and scaled to the whole text\n\n",
                repetitions, (long long)stdRegexSliceUnits);

    const std::vector<Case> cases = {
        {"\\d+", QStringLiteral("\\d+"), QStringLiteral("\\d+"), L"\\d+", false},
        {"(\\d+)-(\\d+)", QStringLiteral("(\\d+)-(\\d+)"), QStringLiteral("(\\d+)-(\\d+)"), L"(\\d+)-(\\d+)",
         false},
        {"[\\u4e00-\\u9fa5]+", QStringLiteral("[\\u4e00-\\u9fa5]+"), QStringLiteral("[\\x{4e00}-\\x{9fa5}]+"),
         L"[\\u4e00-\\u9fa5]+", false},
        {"timeout (ignore case)", QStringLiteral("timeout"), QStringLiteral("timeout"), L"timeout", true},
    };

    std::printf("%-22s %10s %10s %12s %10s %7s %14s %16s\n", "pattern", "matches", "ours ms", "ours+poll ms",
                "bare ms", "ratio", "std 2MB ms", "std scaled ms");
    double twoGroupBytes = 0;
    double twoGroupMinimum = 0;
    for (const Case &c : cases) {
        const rw::Pattern pattern =
            rw::Pattern::compile(c.component, rw::RegexOptions{c.ignoreCase, true, true});
        if (!pattern.isValid()) {
            std::printf("%-22s rejected: %s\n", c.label, qPrintable(pattern.errorText()));
            continue;
        }
        rw::Matcher matcher(pattern);
        qsizetype ours = 0;
        const double oursMs = rwbench::medianMs(repetitions, [&] {
            rw::MatchSet set(pattern.captureCount());
            matcher.findAll(text, set);
            ours = set.size();
            if (pattern.captureCount() == 2) {
                twoGroupBytes = double(set.bytesUsed()) / double(set.size());
                twoGroupMinimum = 6.0 * sizeof(std::int32_t);
            }
        });
        // As the match list uses it: the poll moves each batch out into the collection of batches.
        const double pollMs = rwbench::medianMs(repetitions, [&] {
            std::vector<rw::MatchSet> batches;
            rw::MatchSet set(pattern.captureCount());
            matcher.findAll(text, set, [&](rw::MatchSet &batch) {
                batches.push_back(std::move(batch));
                batch = rw::MatchSet(pattern.captureCount());
                return true;
            });
            batches.push_back(std::move(set));
        });

        int error = 0;
        PCRE2_SIZE offset = 0;
        pcre2_code *code =
            pcre2_compile(reinterpret_cast<PCRE2_SPTR>(c.pcre.utf16()), PCRE2_SIZE(c.pcre.size()),
                          c.ignoreCase ? PCRE2_CASELESS : 0, &error, &offset, nullptr);
        pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
        qsizetype bare = 0;
        const double bareMs = rwbench::medianMs(repetitions, [&] {
            std::vector<std::size_t> offsets;
            bare = bareMatches(code, text, offsets);
        });
        pcre2_code_free(code);

        const std::wstring slice = QStringView(text).first(stdRegexSliceUnits).toString().toStdWString();
        const auto flags = c.ignoreCase ? std::regex_constants::ECMAScript | std::regex_constants::icase
                                        : std::regex_constants::ECMAScript;
        const std::wregex re(c.std, flags);
        const double stdMs = rwbench::medianMs(3, [&] {
            std::vector<std::pair<std::ptrdiff_t, std::ptrdiff_t>> found;
            for (auto it = std::wsregex_iterator(slice.begin(), slice.end(), re);
                 it != std::wsregex_iterator(); ++it)
                found.emplace_back(it->position(), it->length());
        });

        std::printf("%-22s %10lld %10.1f %12.1f %10.1f %7.2f %14.1f %16.0f%s\n", c.label, (long long)ours,
                    oursMs, pollMs, bareMs, oursMs / bareMs, stdMs,
                    stdMs * double(text.size()) / double(slice.size()),
                    ours == bare ? "" : "  (match counts differ!)");
    }
    std::printf("\nMatchSet bytes per match, (\\d+)-(\\d+): %.1f held (vector capacity), %.0f minimum\n",
                twoGroupBytes, twoGroupMinimum);

    // How quickly the limits stop a runaway pattern.
    const QString runaway = QString(40, u'a') + u'!';
    const rw::Pattern nested = rw::Pattern::compile(QStringLiteral("^(\\w+\\s?)*$"));
    rw::Matcher nestedMatcher(nested);
    rw::MatchStatus status = rw::MatchStatus::Ok;
    const double runawayMs = rwbench::medianMs(repetitions, [&] {
        rw::MatchSet set(nested.captureCount());
        status = nestedMatcher.findAll(runaway, set);
    });
    std::printf("runaway ^(\\w+\\s?)*$ over 40 \"a\" and \"!\": %s after %.0f ms\n",
                status == rw::MatchStatus::LimitExceeded ? "LimitExceeded" : "not stopped", runawayMs);
    return 0;
}
