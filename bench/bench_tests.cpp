// A pattern's tests: 1,000 short samples of a phone-number pattern with groups, a mix of match, no-match,
// whole, matches and group expectations, run by runTests (one compile, then each sample). Medians of five
// runs, against the goal of 50 ms for the 1,000; the tests file's read and write of the same entry beside.
#include "BenchSupport.h"
#include "core/tests/RuleTests.h"
#include "core/tests/TestsCodec.h"

#include <QCoreApplication>

#include <cstdio>

using namespace rw;

namespace {

constexpr int Runs = 5;
constexpr int Samples = 1000;
constexpr double GoalMs = 50;

QString phone(int i) {
    return QStringLiteral("1%1%2").arg(3 + i % 7).arg(qint64(i) * 7919 % 1'000'000'000, 9, 10,
                                                      QLatin1Char('0'));
}

// Lines as a user writes them: a sentence with a number, a bare number, a list of two, a date-like miss.
TestedPattern entryWithTests() {
    TestedPattern entry;
    entry.name = QStringLiteral("手机号");
    entry.pattern = QStringLiteral(R"((1[3-9]\d)(\d{4})(\d{4}))");
    entry.tests.reserve(Samples);
    for (int i = 0; i < Samples; ++i) {
        PatternTest test;
        const QString number = phone(i);
        switch (i % 5) {
        case 0:
            test.sample = QStringLiteral("请拨打 %1 联系客服,工作日 9:00-18:00。").arg(number);
            test.expect = Expectation::Match;
            break;
        case 1:
            test.sample = QStringLiteral("订单号 %1-%2,金额 12.50 元").arg(i * 31).arg(i % 97);
            test.expect = Expectation::NoMatch;
            break;
        case 2:
            test.sample = number;
            test.expect = Expectation::Whole;
            break;
        case 3:
            test.sample = QStringLiteral("张三 %1,李四 %2").arg(number, phone(i + 1));
            test.expect = Expectation::Matches;
            test.values = {number, phone(i + 1)};
            break;
        default:
            test.sample = QStringLiteral("tel:%1;ext=%2").arg(number).arg(i);
            test.expect = Expectation::Group;
            test.group = 2;
            test.value = number.mid(3, 4);
            break;
        }
        entry.tests.append(test);
    }
    return entry;
}

void printRow(const char *what, double ms) {
    std::printf("%-44s %10.2f %12.2f %10.3f\n", what, ms, ms * 1000.0 / Samples, ms / GoalMs);
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const TestedPattern entry = entryWithTests();

    TestTally counts;
    const double runMs = rwbench::medianMs(Runs, [&] { counts = tally(runTests(entry)); });
    const double polledMs = rwbench::medianMs(Runs, [&] { runTests(entry, [] { return true; }); });
    TestsFile file;
    file.patterns = {entry};
    QByteArray bytes;
    const double writeMs = rwbench::medianMs(Runs, [&] { bytes = serializeTests(file); });
    bool read = false;
    const double readMs = rwbench::medianMs(Runs, [&] { read = parseTests(bytes).ok(); });

    std::printf("%d samples, %d passed; tests file %lld bytes, read back %s\n\n", Samples, counts.passed,
                static_cast<long long>(bytes.size()), read ? "ok" : "NOT ok");
    std::printf("%-44s %10s %12s %10s\n", "operation (median of 5)", "ms", "us/sample", "of 50 ms");
    printRow("runTests, 1,000 samples", runMs);
    printRow("runTests with a stop check (as a page runs)", polledMs);
    printRow("serializeTests of the entry", writeMs);
    printRow("parseTests of the entry", readMs);
    std::printf("\ngoal: 1,000 samples within %.0f ms: %s\n", GoalMs, runMs <= GoalMs ? "met" : "NOT met");
    return counts.passed == Samples ? 0 : 1;
}
