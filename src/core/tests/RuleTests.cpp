#include "RuleTests.h"

#include "core/text/DocumentText.h"

#include <QHash>

#include <algorithm>

namespace rw {

RuleTestsPairing pairRulesWithTests(const QList<Rule> &rules, const QList<TestedPattern> &entries) {
    using Key = std::pair<QString, QString>;
    QHash<Key, QList<int>> waiting; // entries by key, in file order
    for (int i = 0; i < entries.size(); ++i)
        waiting[{entries[i].name, entries[i].pattern}].append(i);
    RuleTestsPairing pairing;
    pairing.entryOfRule.reserve(rules.size());
    for (const Rule &rule : rules) {
        auto found = waiting.find({rule.name, rule.expression});
        if (found == waiting.end() || found->isEmpty()) {
            pairing.entryOfRule.append(-1);
            continue;
        }
        pairing.entryOfRule.append(found->takeFirst());
    }
    for (const QList<int> &left : std::as_const(waiting))
        pairing.unclaimed.append(left);
    std::sort(pairing.unclaimed.begin(), pairing.unclaimed.end());
    return pairing;
}

QList<TestResult> runTests(const TestedPattern &entry, const std::function<bool()> &keepGoing) {
    QList<TestResult> results;
    results.reserve(entry.tests.size());
    TestRunner runner(paragraphsToCrLf(entry.pattern), entry.options);
    for (const PatternTest &test : entry.tests) {
        if (keepGoing && !keepGoing())
            break;
        TestResult result = runner.run(test, keepGoing);
        if (result.state == TestResult::Canceled)
            break;
        results.append(std::move(result));
    }
    return results;
}

TestTally tally(const QList<TestResult> &results) {
    TestTally counts;
    counts.total = int(results.size());
    for (const TestResult &result : results)
        counts.passed += result.passed() ? 1 : 0;
    return counts;
}

} // namespace rw
