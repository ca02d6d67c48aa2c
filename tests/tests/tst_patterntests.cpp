#include "core/tests/PatternTests.h"
#include "core/tests/RuleTests.h"

#include <QTest>

using namespace Qt::StringLiterals;
using rw::Expectation;
using rw::PatternTest;
using rw::RegexOptions;
using rw::TestedPattern;
using rw::TestResult;
using rw::TestRunner;

Q_DECLARE_METATYPE(rw::PatternTest)
Q_DECLARE_METATYPE(rw::RegexOptions)

class tst_PatternTests final : public QObject {
    Q_OBJECT

private slots:
    void expectations_data();
    void expectations();
    void lineBreaksAndOddUnits_data();
    void lineBreaksAndOddUnits();
    void perLine_data();
    void perLine();
    void compileErrorIsEveryTestsResult_data();
    void compileErrorIsEveryTestsResult();
    void backtrackingLimitFailsEveryKind();
    void stopping();
    void runTestsAndTally();
};

namespace {

// Options as letters: i = ignore case, m = multiline, g = global, p = per line.
RegexOptions options(const QString &letters) {
    RegexOptions o{letters.contains(u'i'), letters.contains(u'm'), letters.contains(u'g')};
    o.perLine = letters.contains(u'p');
    return o;
}

PatternTest test(const QString &sample, Expectation expect) {
    PatternTest t;
    t.sample = sample;
    t.expect = expect;
    return t;
}
PatternTest matches(const QString &sample, const QStringList &values) {
    PatternTest t = test(sample, Expectation::Matches);
    t.values = values;
    return t;
}
PatternTest group(const QString &sample, int n, const QString &value) {
    PatternTest t = test(sample, Expectation::Group);
    t.group = n;
    t.value = value;
    return t;
}
PatternTest replace(const QString &sample, const QString &replacement, const QString &value) {
    PatternTest t = test(sample, Expectation::Replace);
    t.replacement = replacement;
    t.value = value;
    return t;
}

// One test of its own runner; its state and text as "通过", or as the text alone for a failure.
QString run(const QString &pattern, const QString &opts, const PatternTest &t) {
    const TestResult result = TestRunner(pattern, options(opts)).run(t);
    if (result.state == TestResult::Canceled)
        return u"(canceled)"_s;
    if (result.passed() != (result.text == u"通过"_s))
        return u"(state and text disagree) "_s + result.text;
    return result.text;
}

const QString phone = uR"(1[3-9]\d{9})"_s;
const QString yearMonth = uR"((\d{4})-(\d{2}))"_s;
const QString passed = u"通过"_s;

} // namespace

void tst_PatternTests::expectations_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("opts");
    QTest::addColumn<PatternTest>("test");
    QTest::addColumn<QString>("result");

    QTest::newRow("match") << phone << "g" << test(u"电话 13812345678。"_s, Expectation::Match) << passed;
    QTest::newRow("match fails") << phone << "g" << test(u"12345"_s, Expectation::Match)
                                 << u"期望 匹配 实际 无匹配"_s;
    QTest::newRow("match under the entry's case")
        << u"abc"_s << "g" << test(u"ABC"_s, Expectation::Match) << u"期望 匹配 实际 无匹配"_s;
    QTest::newRow("match ignoring case") << u"abc"_s << "ig" << test(u"ABC"_s, Expectation::Match) << passed;

    QTest::newRow("no-match") << phone << "g" << test(u"12345"_s, Expectation::NoMatch) << passed;
    QTest::newRow("no-match fails, listing every match")
        << phone << "g" << test(u"13812345678 和 13912345678"_s, Expectation::NoMatch)
        << u"期望 无匹配 实际 “13812345678”、“13912345678”"_s;
    QTest::newRow("no-match fails on an empty match")
        << u"x*"_s << "" << test(u"ab"_s, Expectation::NoMatch) << u"期望 无匹配 实际 “”"_s;

    QTest::newRow("whole") << phone << "g" << test(u"13812345678"_s, Expectation::Whole) << passed;
    QTest::newRow("whole fails on a part") << phone << "g" << test(u"13812345678 "_s, Expectation::Whole)
                                           << u"期望 整体匹配 实际 “13812345678”"_s;
    QTest::newRow("whole fails on pieces that cover the sample")
        << uR"(\d)"_s << "g" << test(u"12"_s, Expectation::Whole) << u"期望 整体匹配 实际 “1”、“2”"_s;
    QTest::newRow("whole fails without a match")
        << phone << "g" << test(u"x"_s, Expectation::Whole) << u"期望 整体匹配 实际 无匹配"_s;
    QTest::newRow("whole of an empty sample")
        << uR"(\d*)"_s << "g" << test(u""_s, Expectation::Whole) << passed;

    QTest::newRow("matches") << uR"(\d)"_s << "g" << matches(u"a1 b2"_s, {u"1"_s, u"2"_s}) << passed;
    QTest::newRow("matches fails on the order")
        << uR"(\d)"_s << "g" << matches(u"a1 b2"_s, {u"2"_s, u"1"_s}) << u"期望 “2”、“1” 实际 “1”、“2”"_s;
    QTest::newRow("matches fails on one too few")
        << uR"(\d)"_s << "g" << matches(u"a1 b2"_s, {u"1"_s}) << u"期望 “1” 实际 “1”、“2”"_s;
    QTest::newRow("matches of none") << uR"(\d)"_s << "g" << matches(u"ab"_s, {}) << passed;
    QTest::newRow("matches of none fails")
        << uR"(\d)"_s << "g" << matches(u"a1"_s, {}) << u"期望 无匹配 实际 “1”"_s;
    QTest::newRow("matches without global: the first only")
        << uR"(\d)"_s << "" << matches(u"a1 b2"_s, {u"1"_s}) << passed;

    QTest::newRow("group 1") << yearMonth << "g" << group(u"2026-12"_s, 1, u"2026"_s) << passed;
    QTest::newRow("group 2") << yearMonth << "g" << group(u"2026-12"_s, 2, u"12"_s) << passed;
    QTest::newRow("group 0 is the whole match")
        << yearMonth << "g" << group(u"x2026-12y"_s, 0, u"2026-12"_s) << passed;
    QTest::newRow("group fails") << yearMonth << "g" << group(u"2026-12"_s, 1, u"2025"_s)
                                 << u"期望 第 1 组为 “2025” 实际 “2026”"_s;
    QTest::newRow("group of the first match only")
        << yearMonth << "g" << group(u"2026-12 2027-01"_s, 1, u"2027"_s)
        << u"期望 第 1 组为 “2027” 实际 “2026”"_s;
    QTest::newRow("group the pattern lacks")
        << yearMonth << "g" << group(u"2026-12"_s, 3, u"x"_s) << u"期望 第 3 组为 “x” 实际 没有第 3 组"_s;
    QTest::newRow("group without a match")
        << yearMonth << "g" << group(u"x"_s, 1, u"2026"_s) << u"期望 第 1 组为 “2026” 实际 无匹配"_s;
    QTest::newRow("group that took no part is empty")
        << u"(a)|b"_s << "g" << group(u"b"_s, 1, u""_s) << passed;

    QTest::newRow("replace") << uR"((\w)-(\w))"_s << "g" << replace(u"a-b c-d"_s, u"$2-$1"_s, u"b-a d-c"_s)
                             << passed;
    QTest::newRow("replace fails") << uR"((\w)-(\w))"_s << "g" << replace(u"a-b"_s, u"$2-$1"_s, u"a-b"_s)
                                   << u"期望 “a-b” 实际 “b-a”"_s;
    // The entry's case-sensitive, single-match options would give "xA"; Replace ignores case, replaces all.
    QTest::newRow("replace under Replace's own options")
        << u"a"_s << "" << replace(u"aA"_s, u"x"_s, u"xx"_s) << passed;
    QTest::newRow("replace multi-line as Replace is")
        << u"^b"_s << "g" << replace(u"a\nb"_s, u"x"_s, u"a\nx"_s) << passed;
}

void tst_PatternTests::expectations() {
    QFETCH(QString, pattern);
    QFETCH(QString, opts);
    QFETCH(PatternTest, test);
    QFETCH(QString, result);
    QCOMPARE(run(pattern, opts, test), result);
}

void tst_PatternTests::lineBreaksAndOddUnits_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<PatternTest>("test");

    // Every line break of a sample reaches the engine as "\r\n", as the source box's text does.
    for (const auto &[name, lineBreak] : {std::pair{"LF", u"\n"_s}, std::pair{"CR", u"\r"_s},
                                          std::pair{"CRLF", u"\r\n"_s}, std::pair{"U+2029", u"\u2029"_s}}) {
        const QString sample = u"ab"_s + lineBreak + u"cd"_s;
        QTest::addRow("%s: matched as CRLF", name) << uR"(b\r\nc)"_s << test(sample, Expectation::Match);
        QTest::addRow("%s: CR before LF", name) << uR"(b\n)"_s << test(sample, Expectation::NoMatch);
        QTest::addRow("%s: whole", name) << uR"([a-d]+\r\n[a-d]+)"_s << test(sample, Expectation::Whole);
        QTest::addRow("%s: a match across it", name) << uR"(b\s+c)"_s << matches(sample, {u"b\nc"_s});
        QTest::addRow("%s: a group across it", name) << uR"((b\s+)c)"_s << group(sample, 1, u"b\r\n"_s);
        QTest::addRow("%s: replaced", name) << uR"(\s+)"_s << replace(sample, u"-"_s, u"ab-cd"_s);
        QTest::addRow("%s: kept by a replace", name) << u"b"_s << replace(sample, u"B"_s, u"aB\ncd"_s);
    }
    // A match of only the "\r" or the "\n" of a break is a line break as an expected text has it.
    QTest::newRow("a match of the CR alone") << uR"(\r)"_s << matches(u"a\nb"_s, {u"\n"_s});
    QTest::newRow("a group of the LF alone") << uR"(\r(\n))"_s << group(u"a\nb"_s, 1, u"\n"_s);
    QTest::newRow("a replace leaving the CR alone") << uR"(\n)"_s << replace(u"a\nb"_s, u""_s, u"a\nb"_s);
    QTest::newRow("a line break in the replacement") << u"-"_s << replace(u"a-b"_s, u"\n"_s, u"a\r\nb"_s);

    QTest::newRow("NUL") << uR"(a\0b)"_s << matches(u"a\0b a\0b"_s, {u"a\0b"_s, u"a\0b"_s});
    QTest::newRow("NUL in a group") << u"(\0+)x"_s << group(u"\0\0x"_s, 1, u"\0\0"_s);
    QTest::newRow("unpaired high surrogate") << uR"([\uD800-\uDBFF](.))"_s
                                             << group(u"a\xD83D"
                                                      "b"_s,
                                                      1, u"b"_s);
    QTest::newRow("unpaired low surrogate")
        << uR"(\uDE00)"_s << matches(u"\xDE00\xD83D\xDE00"_s, {u"\xDE00"_s, u"\xDE00"_s});
    QTest::newRow("half of a pair replaced")
        << uR"(\uD83D)"_s << replace(u"\xD83D\xDE00"_s, u"x"_s, u"x\xDE00"_s);
}

void tst_PatternTests::lineBreaksAndOddUnits() {
    QFETCH(QString, pattern);
    QFETCH(PatternTest, test);
    QCOMPARE(run(pattern, u"g"_s, test), passed);
}

void tst_PatternTests::perLine_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<PatternTest>("test");
    QTest::addColumn<QString>("result");

    // Matching line by line, whole means that every line is one match.
    QTest::newRow("whole, a line short") << uR"(\d+)"_s << test(u"12\n3x\n45"_s, Expectation::Whole)
                                         << u"期望 整体匹配 实际 “12”、“3”、“45”"_s;
    QTest::newRow("whole, a line over") << uR"(\d+)"_s << test(u"12\n34\n"_s, Expectation::Whole)
                                        << u"期望 整体匹配 实际 “12”、“34”"_s;
    // Each line is a subject of its own: "^" and "$" bind to it without multi-line.
    QTest::newRow("whole, anchored") << uR"(^\d+$)"_s << test(u"12\n34"_s, Expectation::Whole) << passed;
    QTest::newRow("matches, anchored")
        << uR"(^\d+$)"_s << matches(u"12\n34"_s, {u"12"_s, u"34"_s}) << passed;
}

void tst_PatternTests::perLine() {
    QFETCH(QString, pattern);
    QFETCH(PatternTest, test);
    QFETCH(QString, result);
    QCOMPARE(run(pattern, u"gp"_s, test), result);
}

void tst_PatternTests::compileErrorIsEveryTestsResult_data() {
    QTest::addColumn<QString>("pattern");

    QTest::newRow("unclosed group") << u"1(3"_s;
    QTest::newRow("lookbehind, not in the dialect") << u"(?<=a)b"_s;
    QTest::newRow("reversed repeat") << u"a{2,1}"_s;
}

void tst_PatternTests::compileErrorIsEveryTestsResult() {
    QFETCH(QString, pattern);
    const QList<PatternTest> tests{test(u"13"_s, Expectation::Match), test(u"x"_s, Expectation::NoMatch),
                                   test(u"13"_s, Expectation::Whole), matches(u"13"_s, {}),
                                   group(u"13"_s, 1, u"3"_s),         replace(u"13"_s, u"x"_s, u"13"_s)};
    TestRunner runner(pattern, options(u"g"_s));
    const TestResult first = runner.run(tests.first());
    QCOMPARE(first.state, TestResult::Failed);
    // The reason and its place, as the status line shows them.
    QVERIFY2(first.text.startsWith(u"正则创建失败: "_s), qPrintable(first.text));
    QVERIFY2(first.text.endsWith(u" 个字符)"_s), qPrintable(first.text));
    // A no-match test must not pass for want of a pattern, and Replace's own compile fails alike.
    for (const PatternTest &t : tests) {
        const TestResult result = runner.run(t);
        QCOMPARE(result.state, TestResult::Failed);
        QCOMPARE(result.text, first.text);
    }
}

void tst_PatternTests::backtrackingLimitFailsEveryKind() {
    // The "!" defeats PCRE2's required-character check, so the nested repeat really backtracks (see
    // tst_regexengine's runaway).
    const QString runaway = uR"(x|^(\w+\s?)*$)"_s;
    const QString sample = u"x\n"_s + QString(40, u'a') + u'!';
    const QString limit = u"匹配超出回溯上限,请简化表达式"_s;
    TestedPattern entry;
    entry.pattern = runaway;
    entry.options = options(u"gm"_s);
    // Each would pass on what is found before the runaway position: the limit must fail them all.
    entry.tests = {
        test(sample, Expectation::Match), test(sample, Expectation::NoMatch),
        test(sample, Expectation::Whole), matches(sample, {u"x"_s, u""_s}),
        group(sample, 0, u"x"_s),         replace(sample, u"y"_s, u"y\ny"_s + QString(40, u'a') + u'!')};
    const QList<TestResult> results = rw::runTests(entry);
    QCOMPARE(results.size(), entry.tests.size());
    for (const TestResult &result : results) {
        QCOMPARE(result.state, TestResult::Failed);
        QCOMPARE(result.text, limit);
    }
    // Asked to go on while it runs, it still ends at the limit, not as stopped.
    const QList<TestResult> polled = rw::runTests(entry, [] { return true; });
    QCOMPARE(polled.size(), entry.tests.size());
    QCOMPARE(polled.first().text, limit);
}

void tst_PatternTests::stopping() {
    // A long sample without a match: the search goes in stretches, asking between them.
    const PatternTest longMiss = test(QString(1 << 20, u'a'), Expectation::NoMatch);
    TestRunner runner(u"b"_s, options(u"g"_s));
    QCOMPARE(runner.run(longMiss, [] { return false; }).state, TestResult::Canceled);
    QCOMPARE(runner.run(replace(longMiss.sample, u"x"_s, longMiss.sample), [] { return false; }).state,
             TestResult::Canceled);
    QCOMPARE(runner.run(longMiss, [] { return true; }).text, passed);

    // runTests stops between tests too, leaving the list short.
    TestedPattern entry;
    entry.pattern = u"b"_s;
    entry.tests = {test(u"b"_s, Expectation::Match), longMiss, test(u"b"_s, Expectation::Match)};
    int asked = 0;
    const QList<TestResult> results = rw::runTests(entry, [&asked] { return ++asked == 1; });
    QVERIFY(results.size() < entry.tests.size());
    for (const TestResult &result : results)
        QCOMPARE(result.text, passed);
    QCOMPARE(rw::runTests(entry, [] { return false; }).size(), 0);
}

void tst_PatternTests::runTestsAndTally() {
    TestedPattern entry;
    // A line break in the entry's pattern is "\r\n" as in the pattern box.
    entry.pattern = u"a\nb|c"_s;
    entry.options = options(u"ig"_s);
    entry.tests = {test(u"A\nB"_s, Expectation::Match), test(u"x"_s, Expectation::Match),
                   matches(u"c C"_s, {u"c"_s, u"C"_s}), test(u"c"_s, Expectation::NoMatch)};
    const QList<TestResult> results = rw::runTests(entry);
    QStringList texts;
    for (const TestResult &result : results)
        texts.append(result.text);
    QCOMPARE(texts, (QStringList{passed, u"期望 匹配 实际 无匹配"_s, passed, u"期望 无匹配 实际 “c”"_s}));
    const rw::TestTally counts = rw::tally(results);
    QCOMPARE(counts.passed, 2);
    QCOMPARE(counts.total, 4);
    QVERIFY(!counts.allPassed());
    QVERIFY(rw::tally({}).allPassed());
}

QTEST_GUILESS_MAIN(tst_PatternTests)
#include "tst_patterntests.moc"
