#pragma once

#include "PatternTests.h"
#include "core/rules/Rule.h"

#include <QList>

namespace rw {

// Which entry of a tests file belongs to which rule of a library. An entry is keyed by its name and
// pattern: the k-th entry with a given key goes to the k-th rule with that name and expression.
struct RuleTestsPairing {
    QList<int> entryOfRule; // per rule, the index of its entry, or -1
    QList<int> unclaimed;   // entries no rule takes, in file order
};

RuleTestsPairing pairRulesWithTests(const QList<Rule> &rules, const QList<TestedPattern> &entries);

// Runs every test of entry under its options; results in test order. keepGoing, when given, is asked
// between and during tests; a false leaves the list short.
QList<TestResult> runTests(const TestedPattern &entry, const std::function<bool()> &keepGoing = {});

// Passed and total of results.
TestTally tally(const QList<TestResult> &results);

} // namespace rw
