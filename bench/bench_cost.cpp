// The backtracking-cost analysis: how long it takes for the patterns of its table and for generated
// patterns of 50, 200 and 1,000 characters (median of repeated runs), and the ratio to the 50 ms a
// keystroke's pause leaves it. The engine's step counts are measured on a worker and are not included.
#include "core/regex/BacktrackCost.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace rw;

namespace {
double medianMillis(const QString &pattern, int runs) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        const BacktrackCost cost = BacktrackCost::analyse(pattern, RegexOptions{});
        times.push_back(double(t.nsecsElapsed()) / 1e6);
        if (cost.growth == BacktrackCost::Growth::Unknown && cost.why == BacktrackCost::Unknown::Invalid)
            std::printf("invalid: %s\n", qPrintable(pattern));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// A realistic pattern of about length characters: groups, classes, quantifiers and alternatives.
QString generated(int length, quint32 seed) {
    QRandomGenerator random(seed);
    const QStringList pieces{"\\d+", "[a-z]*", "(\\w+\\s?)", "(?:ab|cd)", "\\s*", "[^,]+,", "x?", "(\\d{2,4})",
                             "[A-Z][a-z]+", "\\.", "(?:-|_)", "\\b", ".*?", "(foo|bar)+"};
    QString out = "^";
    while (out.size() < length)
        out += pieces.at(int(random.bounded(pieces.size())));
    return out + "$";
}
} // namespace

int main() {
    std::printf("Backtracking-cost analysis time, median of 21 runs (goal: 200 characters within 50 ms)\n");
    std::printf("%-28s %8s %10s %s\n", "pattern", "chars", "ms", "verdict");
    const char *table[] = {"(a+)+$", "(a|a)*$", "(\\w+\\s?)*$", "a*a*b", "\\s*#", "^(\\d+)*$", "(.*,)*x",
                           "^\\d+$", "(ab|cd)*", "a+b+c", "[a-z]+@"};
    for (const char *p : table) {
        const QString pattern = QString::fromLatin1(p);
        const double ms = medianMillis(pattern, 21);
        std::printf("%-28s %8lld %10.3f %s\n", p, (long long)pattern.size(), ms,
                    qPrintable(BacktrackCost::analyse(pattern, RegexOptions{}).verdictText()));
    }
    for (int length : {50, 200, 1000}) {
        std::vector<double> times;
        for (quint32 seed = 1; seed <= 5; ++seed) {
            const QString pattern = generated(length, seed);
            times.push_back(medianMillis(pattern, 5));
        }
        std::sort(times.begin(), times.end());
        std::printf("generated, %4d chars (5 patterns) median %.3f ms, worst %.3f ms, ratio to 50 ms %.3f\n",
                    length, times[2], times.back(), times.back() / 50.0);
    }
    return 0;
}
