#include "core/regex/SyntaxTree.h"
#include "core/regex/cost/Automaton.h"
#include "core/regex/cost/CharacterSets.h"
#include "core/regex/cost/WordSearch.h"

#include <QTest>

#include <algorithm>

using namespace rw;
using namespace rw::cost;

// The one breadth-first search of the cost analysis: the shortest word on which one, two or three states
// move side by side from a start to a goal, through allowed states, within a budget. The automata come
// from patterns; their states are numbered 0 (start), 1 (search loop), then one per atom in order.
class TestWordSearch final : public QObject {
    Q_OBJECT
private slots:
    void search_data();
    void search();
};

using End = SearchResult::End;

namespace {
template <std::size_t N>
SearchResult run(const Automaton &a, const Alphabet &abc, const QList<int> &start, const QList<int> &goal,
                 const QList<int> &keptOut, Budget &budget, bool bounded) {
    States<N> from{}, to{};
    std::copy_n(start.begin(), N, from.begin());
    std::copy_n(goal.begin(), N, to.begin());
    const auto allowed = [&](std::size_t, int s) { return !keptOut.contains(s); };
    return searchWord(
        a, abc, from, allowed, [&](const States<N> &s) { return s == to; }, budget, bounded);
}
} // namespace

void TestWordSearch::search_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QList<int>>("start");
    QTest::addColumn<QList<int>>("goal");
    QTest::addColumn<QList<int>>("keptOut");
    QTest::addColumn<qint64>("maxSteps");
    QTest::addColumn<bool>("bounded");
    QTest::addColumn<End>("end");
    QTest::addColumn<QString>("word");

    const qint64 plenty = kMaxSteps;
    // "^a(b|cd)e": 2 a, 3 b, 4 c, 5 d, 6 e.
    const QString twoWays = QStringLiteral("^a(b|cd)e");
    QTest::newRow("the shortest of two ways")
        << twoWays << QList{0} << QList{6} << QList<int>{} << plenty << true << End::Found << "abe";
    QTest::newRow("the start is the goal")
        << twoWays << QList{3} << QList{3} << QList<int>{} << plenty << true << End::Found << "";
    QTest::newRow("a state kept out: the other way")
        << twoWays << QList{0} << QList{6} << QList{3} << plenty << true << End::Found << "acde";
    QTest::newRow("no way back") << twoWays << QList{6} << QList{2} << QList<int>{} << plenty << true
                                 << End::NotFound << "";
    QTest::newRow("over the budget, bounded")
        << twoWays << QList{0} << QList{6} << QList<int>{} << qint64(0) << true << End::OverBudget << "";
    QTest::newRow("over the budget, unbounded")
        << twoWays << QList{0} << QList{6} << QList<int>{} << qint64(0) << false << End::Found << "abe";
    // "^(a|[ab])*b": 2 a, 3 [ab], 4 b. Two states move on a unit both take.
    const QString overlap = QStringLiteral("^(a|[ab])*b");
    QTest::newRow("two states apart on one word")
        << overlap << QList{0, 0} << QList{2, 3} << QList<int>{} << plenty << true << End::Found << "a";
    QTest::newRow("two states, the unit both take")
        << overlap << QList{0, 0} << QList{3, 4} << QList<int>{} << plenty << true << End::Found << "b";
    QTest::newRow("two states that share no unit")
        << overlap << QList{0, 0} << QList{2, 4} << QList<int>{} << plenty << true << End::NotFound << "";
    // "^(ab|[ab]b)c": 2 a, 3 b, 4 [ab], 5 b. Two paths of their own on the word "ab".
    QTest::newRow("two states, two paths, one word")
        << QStringLiteral("^(ab|[ab]b)c") << QList{0, 0} << QList{3, 5} << QList<int>{} << plenty << true
        << End::Found << "ab";
    // "^a*a*b": 2 a, 3 a, 4 b. Three states: round the first loop, over to the second, round the second.
    QTest::newRow("three states hand a word over")
        << QStringLiteral("^a*a*b") << QList{2, 2, 3} << QList{2, 3, 3} << QList<int>{} << plenty << true
        << End::Found << "a";
    QTest::newRow("three states, one kept out")
        << QStringLiteral("^a*a*b") << QList{2, 2, 3} << QList{2, 3, 3} << QList{3} << plenty << true
        << End::NotFound << "";
}

void TestWordSearch::search() {
    QFETCH(QString, pattern);
    QFETCH(QList<int>, start);
    QFETCH(QList<int>, goal);
    QFETCH(QList<int>, keptOut);
    QFETCH(qint64, maxSteps);
    QFETCH(bool, bounded);
    QFETCH(End, end);
    QFETCH(QString, word);
    RegexOptions options;
    options.ignoreCase = false;
    const Automaton a = positionAutomaton(SyntaxTree::parse(pattern), options);
    QVERIFY(!a.tooLarge);
    const Alphabet abc(a.sets);
    Budget budget(maxSteps);
    SearchResult r;
    switch (start.size()) {
    case 1:
        r = run<1>(a, abc, start, goal, keptOut, budget, bounded);
        break;
    case 2:
        r = run<2>(a, abc, start, goal, keptOut, budget, bounded);
        break;
    default:
        r = run<3>(a, abc, start, goal, keptOut, budget, bounded);
        break;
    }
    QCOMPARE(r.end, end);
    QCOMPARE(r.word, word);
}

QTEST_GUILESS_MAIN(TestWordSearch)
#include "tst_wordsearch.moc"
