// Replace all of 1,000,000 matches of (\d+)-(\d+) with $2-$1, against the engine's bare find-all over the
// same text. Medians of five runs; the ratio is replace time over find-all time.
#include "BenchSupport.h"
#include "core/regex/Matcher.h"
#include "core/text/LineBreaks.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>
#include <vector>

using namespace rw;

namespace {

constexpr int Runs = 5;
constexpr int Matches = 1'000'000;

// Log-like lines with "\r\n" breaks, as the engine gets them: one number pair per line among words,
// Chinese text and a lone number that doesn't match.
QString generateText() {
    QString text;
    text.reserve(Matches * 40);
    for (int i = 0; i < Matches; ++i) {
        text += QStringLiteral("2026 请求 id ");
        text += QString::number(qint64(i) * 7919 % 1000003);
        text += u'-';
        text += QString::number(i);
        text += QStringLiteral(" 耗时 ok\r\n");
    }
    return text;
}

// Runs the operations one after the other, Runs times, so that a change in the machine's load touches
// them all alike; returns each operation's median.
std::vector<double> interleavedMediansMs(const std::vector<std::function<void()>> &operations) {
    std::vector<std::vector<double>> times(operations.size());
    for (int run = 0; run < Runs; ++run) {
        for (std::size_t op = 0; op < operations.size(); ++op) {
            QElapsedTimer timer;
            timer.start();
            operations[op]();
            times[op].push_back(timer.nsecsElapsed() / 1e6);
        }
    }
    std::vector<double> medians;
    for (const std::vector<double> &t : times)
        medians.push_back(rwbench::median(t));
    return medians;
}

void printRow(const char *what, double ms, double baseline) {
    std::printf("%-46s %10.1f %8.2f\n", what, ms, ms / baseline);
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QString text = generateText();
    // The replace command runs with the component's defaults; the baseline uses the same compiled pattern.
    const Pattern pattern = Pattern::compile(QStringLiteral("(\\d+)-(\\d+)"), RegexOptions{});
    const QString replacement = QStringLiteral("$2-$1");
    if (!pattern.isValid()) {
        std::fprintf(stderr, "pattern rejected: %s\n", qPrintable(pattern.errorText()));
        return 1;
    }

    qsizetype found = 0;
    qsizetype resultSize = 0;
    MatchStatus status = MatchStatus::Ok;
    const std::vector<double> ms = interleavedMediansMs({
        [&] {
            Matcher matcher(pattern);
            MatchSet matches(pattern.captureCount());
            matcher.findAll(text, matches);
            found = matches.size();
        },
        [&] {
            Matcher matcher(pattern);
            resultSize = matcher.replaceAll(text, replacement, &status).size();
        },
        // As the command calls it: with a stop check, and the result given a widget's line breaks.
        [&] {
            Matcher matcher(pattern);
            resultSize = fromCrLf(matcher.replaceAll(text, replacement, &status, [] { return true; })).size();
        },
    });
    const double findMs = ms[0], replaceMs = ms[1], commandMs = ms[2];

    std::printf("text: %lld UTF-16 units, %lld matches, result %lld units, status %s\n\n",
                static_cast<long long>(text.size()), static_cast<long long>(found),
                static_cast<long long>(resultSize), status == MatchStatus::Ok ? "ok" : "not ok");
    std::printf("%-46s %10s %8s\n", "operation (median of 5)", "ms", "ratio");
    printRow("find all (Matcher::findAll, baseline)", findMs, findMs);
    printRow("replace all $2-$1 (Matcher::replaceAll)", replaceMs, findMs);
    printRow("replace all + stop check + fromCrLf", commandMs, findMs);
    std::printf("\ngoal: replace all within 2x of find all: %s\n",
                replaceMs <= 2 * findMs ? "met" : "NOT met");
    return 0;
}
