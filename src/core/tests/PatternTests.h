#pragma once

#include "core/regex/Pattern.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace rw {

// What a test expects of the pattern on its sample.
enum class Expectation {
    Match,   // 应匹配: a match somewhere in the sample
    NoMatch, // 不应匹配: no match anywhere
    Whole,   // 整体匹配: one match covers the whole sample (each line of it, matching line by line)
    Matches, // 匹配结果为: the texts of all matches, in order
    Group,   // 第 n 组为: group n of the first match
    Replace  // 替换结果为: the sample after Replace with a replacement text
};

// One test of a pattern: a sample and what the pattern should make of it.
struct PatternTest {
    QString sample;
    Expectation expect = Expectation::Match;
    QStringList values;  // Matches
    int group = 1;       // Group
    QString value;       // Group, Replace
    QString replacement; // Replace
    QJsonObject unknown; // fields this version does not know, written back as they came

    friend bool operator==(const PatternTest &, const PatternTest &) = default;
};

// A pattern with its tests, as a tests file keeps it: name is empty for the expression box's own pattern.
struct TestedPattern {
    QString name;
    QString pattern;
    RegexOptions options = designOptions();
    QList<PatternTest> tests;
    QJsonObject unknown;        // unknown fields of the entry
    QJsonObject unknownOptions; // unknown fields of its "options"

    // The options the check boxes start with: only 全局匹配 ticked, so case is ignored (区分大小写 is off).
    static RegexOptions designOptions() { return RegexOptions{true, false, true}; }

    friend bool operator==(const TestedPattern &, const TestedPattern &) = default;
};

// The name of an expectation as the tests page shows it: "应匹配", "第 n 组为" (with its n) ...
QString expectationName(Expectation expect, int group = 1);
// The whole expectation of a test as one line: its name and what it names ("匹配结果为 “1”、“2”").
QString expectationText(const PatternTest &test);

// How one test came out.
struct TestResult {
    enum State { Passed, Failed, Canceled };
    State state = Passed;
    // "通过"; for a failure "期望 … 实际 …", the compile error or the backtracking limit.
    QString text;

    bool passed() const { return state == Passed; }
};

// Runs the tests of one pattern. The pattern is compiled once (and once more for Replace's own options, on
// the first replace test); samples are handed to the engine as the source text is, line breaks as "\r\n".
// Expected texts are compared with the engine's with every line break as "\r\n" on both sides.
// Not thread-safe: one runner per thread.
class TestRunner final {
public:
    // pattern as the engine reads it (see PatternValue::text); options as Match takes them.
    TestRunner(const QString &pattern, const RegexOptions &options);
    ~TestRunner();
    TestRunner(const TestRunner &) = delete;
    TestRunner &operator=(const TestRunner &) = delete;

    // keepGoing, when given, is asked while a sample is searched; false ends the test as Canceled.
    TestResult run(const PatternTest &test, const std::function<bool()> &keepGoing = {});

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Passed and total counts of a run.
struct TestTally {
    int passed = 0;
    int total = 0;
    bool allPassed() const { return passed == total; }
};

} // namespace rw
