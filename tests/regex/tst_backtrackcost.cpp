#include "core/regex/BacktrackCost.h"
#include "core/regex/SyntaxTree.h"

#include <QTest>

#include <cmath>

using namespace rw;

// The cost verdict of a pattern, the quantifiers it blames, and whether its witness really drives the
// engine's steps up at the predicted rate.
class TestBacktrackCost final : public QObject {
    Q_OBJECT
private slots:
    void verdict_data();
    void verdict();
    void witnessDrivesTheEngine_data();
    void witnessDrivesTheEngine();
    void tooLargeSaysSo();
    void measureStopsWhenAskedTo();
    void rewriteHints_data();
    void rewriteHints();
};

using Growth = BacktrackCost::Growth;

namespace {
// The source texts of the blamed quantifiers.
QStringList blamedTexts(const QString &pattern, const BacktrackCost &cost) {
    const SyntaxTree tree = SyntaxTree::parse(pattern);
    QStringList out;
    for (int q : cost.blamed)
        out << pattern.mid(tree.node(q).begin, tree.node(q).end - tree.node(q).begin);
    return out;
}
} // namespace

void TestBacktrackCost::verdict_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<Growth>("growth");
    QTest::addColumn<int>("degree");
    QTest::addColumn<QStringList>("blamed");

    // The classic runaways.
    QTest::newRow("(a+)+$") << "(a+)+$" << Growth::Exponential << 0 << QStringList{"a+", "(a+)+"};
    QTest::newRow("(a|a)*$") << "(a|a)*$" << Growth::Exponential << 0 << QStringList{"(a|a)*"};
    QTest::newRow("(\\w+\\s?)*$") << "(\\w+\\s?)*$" << Growth::Exponential << 0
                                  << QStringList{"(\\w+\\s?)*", "\\w+"};
    QTest::newRow("^(\\d+)*$") << "^(\\d+)*$" << Growth::Exponential << 0 << QStringList{"(\\d+)*", "\\d+"};
    QTest::newRow("(.*,)*x") << "(.*,)*x" << Growth::Exponential << 0 << QStringList{"(.*,)*", ".*"};
    // Loops that hand the same text on, with the search's own loop over start positions in front.
    QTest::newRow("a*a*b") << "a*a*b" << Growth::Polynomial << 3 << QStringList{"a*", "a*"};
    QTest::newRow("\\s*#") << "\\s*#" << Growth::Polynomial << 2 << QStringList{"\\s*"};
    QTest::newRow("[a-z]+@") << "[a-z]+@" << Growth::Polynomial << 2 << QStringList{"[a-z]+"};
    QTest::newRow("^a*a*b anchored") << "^a*a*b" << Growth::Polynomial << 2 << QStringList{"a*", "a*"};
    // Safe ones that look dangerous.
    QTest::newRow("^\\d+$") << "^\\d+$" << Growth::Linear << 1 << QStringList{};
    QTest::newRow("(ab|cd)*") << "(ab|cd)*" << Growth::Linear << 1 << QStringList{};
    QTest::newRow("^(ab|cd)+$") << "^(ab|cd)+$" << Growth::Linear << 1 << QStringList{};
    QTest::newRow("^a+b+c") << "^a+b+c" << Growth::Linear << 1 << QStringList{};
    QTest::newRow("^(a|b)*c") << "^(a|b)*c" << Growth::Linear << 1 << QStringList{};
    // Dialect corners: "." takes "\r" but not "\n"; \w and \d are ASCII; case folds.
    QTest::newRow("^(.|\\r)*$ ambiguous on \\r") << "^(.|\\r)*$" << Growth::Exponential << 0 << QStringList{"(.|\\r)*"};
    QTest::newRow("^(.|\\n)*$ not ambiguous") << "^(.|\\n)*$" << Growth::Linear << 1 << QStringList{};
    QTest::newRow("^(\\w|\\u00e9)*$ disjoint") << "^(\\w|\\u00e9)*$" << Growth::Linear << 1 << QStringList{};
    QTest::newRow("^(a|A)*$ folds") << "^(a|A)*$" << Growth::Exponential << 0 << QStringList{"(a|A)*"};
    QTest::newRow("lookahead read as nothing") << "^(?=a)(a+)+$" << Growth::Exponential << 0
                                               << QStringList{"a+", "(a+)+"};
}

void TestBacktrackCost::verdict() {
    QFETCH(QString, pattern);
    QFETCH(Growth, growth);
    QFETCH(int, degree);
    QFETCH(QStringList, blamed);
    const BacktrackCost cost = BacktrackCost::analyse(pattern, RegexOptions{});
    QCOMPARE(cost.growth, growth);
    if (growth == Growth::Polynomial)
        QCOMPARE(cost.degree, degree);
    QStringList got = blamedTexts(pattern, cost);
    got.sort();
    blamed.sort();
    QCOMPARE(got, blamed);
    if (growth != Growth::Linear)
        QVERIFY(!cost.pump.isEmpty());
}

void TestBacktrackCost::witnessDrivesTheEngine_data() {
    QTest::addColumn<QString>("pattern");
    for (const char *p : {"(a+)+$", "(a|a)*$", "(\\w+\\s?)*$", "^(\\d+)*$", "(.*,)*x", "a*a*b", "\\s*#",
                          "[a-z]+@", "^a*a*b", "a+b+c"})
        QTest::newRow(p) << QString::fromLatin1(p);
}

// Three sizes: each step up must multiply the engine's steps as the verdict says (within a margin).
void TestBacktrackCost::witnessDrivesTheEngine() {
    QFETCH(QString, pattern);
    const RegexOptions options;
    const BacktrackCost cost = BacktrackCost::analyse(pattern, options);
    QVERIFY(cost.growth == Growth::Exponential || cost.growth == Growth::Polynomial);
    const std::vector<BacktrackCost::Sample> samples = cost.measure(pattern, options);
    QCOMPARE(samples.size(), std::size_t(3));
    for (std::size_t i = 1; i < samples.size(); ++i) {
        const double ratio = double(samples[i].steps) / std::max(1.0, double(samples[i - 1].steps));
        const double n0 = samples[i - 1].n, n1 = samples[i].n;
        // Exponential: every pump more at least half as much work again; polynomial: (n1 / n0)^degree.
        const double expected = cost.growth == Growth::Exponential ? 1.5 : 0.6 * std::pow(n1 / n0, cost.degree);
        QVERIFY2(ratio >= expected, qPrintable(QStringLiteral("n %1 -> %2: steps %3 -> %4 (x%5), expected x%6")
                                                   .arg(n0).arg(n1).arg(samples[i - 1].steps)
                                                   .arg(samples[i].steps).arg(ratio).arg(expected)));
    }
}

// Counting stops once the one who asked has moved on (the pattern changed): no sample goes far after a no.
void TestBacktrackCost::measureStopsWhenAskedTo() {
    const RegexOptions options;
    const QString pattern = QStringLiteral("(a+)+$");
    const BacktrackCost cost = BacktrackCost::analyse(pattern, options);
    const SyntaxTree tree = SyntaxTree::parse(pattern);
    const std::vector<BacktrackCost::Sample> full = cost.measure(tree, pattern, options);
    QVERIFY(full.back().steps >= BacktrackCost::kSampleLimit / 20);
    int asked = 0;
    const std::vector<BacktrackCost::Sample> stopped =
        cost.measure(tree, pattern, options, [&asked] { return ++asked < 2; });
    QVERIFY(asked >= 2);
    for (const BacktrackCost::Sample &s : stopped)
        QVERIFY2(s.steps < BacktrackCost::kSampleLimit / 20, qPrintable(QString::number(s.steps)));
}

void TestBacktrackCost::tooLargeSaysSo() {
    // Many overlapping loops in a row: past the budget the verdict is "unknown", not a guess.
    QString pattern;
    for (int i = 0; i < 300; ++i)
        pattern += QStringLiteral("(a|aa|[a-c]|\\w)*");
    pattern += QStringLiteral("!");
    const BacktrackCost cost = BacktrackCost::analyse(pattern, RegexOptions{});
    QVERIFY(cost.growth == Growth::Unknown || cost.growth == Growth::Exponential);
    const BacktrackCost withBackReference = BacktrackCost::analyse(QStringLiteral("(a)\\1"), RegexOptions{});
    QCOMPARE(withBackReference.growth, Growth::Unknown);
    QCOMPARE(withBackReference.verdictText(), QStringLiteral("回溯复杂度: 未知 (含反向引用)"));
    BacktrackCost large;
    large.growth = Growth::Unknown;
    large.why = BacktrackCost::Unknown::TooLarge;
    QCOMPARE(large.verdictText(), QStringLiteral("回溯复杂度: 未知 (表达式过大)"));
}

void TestBacktrackCost::rewriteHints_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("hint");
    QTest::newRow("(a+)+") << "(a+)+$" << "a+$";
    QTest::newRow("(\\w+\\s?)*") << "(\\w+\\s?)*$" << "(\\w+\\s)*\\w*$";
    QTest::newRow("none for (a|a)*") << "(a|a)*$" << "";
}

void TestBacktrackCost::rewriteHints() {
    QFETCH(QString, pattern);
    QFETCH(QString, hint);
    const BacktrackCost cost = BacktrackCost::analyse(pattern, RegexOptions{});
    QCOMPARE(RewriteHint::find(pattern, RegexOptions{}, cost).pattern, hint);
}

QTEST_GUILESS_MAIN(TestBacktrackCost)
#include "tst_backtrackcost.moc"
