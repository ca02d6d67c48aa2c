#include "core/rules/BuiltInRules.h"
#include "core/rules/RulesCodec.h"
#include "core/tests/RuleTests.h"

#include <QTest>

using namespace Qt::StringLiterals;
using rw::Rule;
using rw::TestedPattern;

class tst_RuleTests final : public QObject {
    Q_OBJECT

private slots:
    void pairing_data();
    void pairing();
    void builtInRulesWithTheSameName();
};

namespace {

// Rules and entries as "name=pattern" strings, so a row reads as the file would.
QList<Rule> rules(const QStringList &keys) {
    QList<Rule> list;
    for (const QString &key : keys)
        list.append(Rule{key.section(u'=', 0, 0), key.section(u'=', 1), u"说明"_s});
    return list;
}

QList<TestedPattern> entries(const QStringList &keys) {
    QList<TestedPattern> list;
    for (const QString &key : keys) {
        TestedPattern entry;
        entry.name = key.section(u'=', 0, 0);
        entry.pattern = key.section(u'=', 1);
        list.append(entry);
    }
    return list;
}

} // namespace

void tst_RuleTests::pairing_data() {
    QTest::addColumn<QStringList>("ruleKeys");
    QTest::addColumn<QStringList>("entryKeys");
    QTest::addColumn<QList<int>>("entryOfRule");
    QTest::addColumn<QList<int>>("unclaimed");

    QTest::newRow("none") << QStringList{} << QStringList{} << QList<int>{} << QList<int>{};
    QTest::newRow("in another order")
        << QStringList{u"a=1"_s, u"b=2"_s, u"c=3"_s} << QStringList{u"c=3"_s, u"a=1"_s}
        << QList<int>{1, -1, 0} << QList<int>{};
    QTest::newRow("same name, other expressions")
        << QStringList{u"8进制=\\n"_s, u"8进制=\\nm"_s, u"8进制=\\nml"_s}
        << QStringList{u"8进制=\\nml"_s, u"8进制=\\n"_s} << QList<int>{1, -1, 0} << QList<int>{};
    QTest::newRow("same name and expression: k-th to k-th")
        << QStringList{u"a=1"_s, u"b=2"_s, u"a=1"_s, u"a=1"_s} << QStringList{u"a=1"_s, u"a=1"_s, u"b=2"_s}
        << QList<int>{0, 2, 1, -1} << QList<int>{};
    QTest::newRow("more entries than rules with the key")
        << QStringList{u"a=1"_s} << QStringList{u"a=1"_s, u"b=2"_s, u"a=1"_s} << QList<int>{0}
        << QList<int>{1, 2};
    QTest::newRow("an expression edited since")
        << QStringList{u"手机号=1\\d{10}"_s} << QStringList{u"手机号=1[3-9]\\d{9}"_s} << QList<int>{-1}
        << QList<int>{0};
    QTest::newRow("a name edited since")
        << QStringList{u"电话=1\\d{10}"_s} << QStringList{u"手机号=1\\d{10}"_s} << QList<int>{-1}
        << QList<int>{0};
    QTest::newRow("the expression box's entry is no rule's")
        << QStringList{u"a=1"_s} << QStringList{u"=1"_s, u"a=1"_s} << QList<int>{1} << QList<int>{0};
    QTest::newRow("keys differ in case")
        << QStringList{u"a=x"_s} << QStringList{u"A=x"_s, u"a=X"_s} << QList<int>{-1} << QList<int>{0, 1};
}

void tst_RuleTests::pairing() {
    QFETCH(QStringList, ruleKeys);
    QFETCH(QStringList, entryKeys);
    QFETCH(QList<int>, entryOfRule);
    QFETCH(QList<int>, unclaimed);
    const rw::RuleTestsPairing pairing = rw::pairRulesWithTests(rules(ruleKeys), entries(entryKeys));
    QCOMPARE(pairing.entryOfRule, entryOfRule);
    QCOMPARE(pairing.unclaimed, unclaimed);
}

void tst_RuleTests::builtInRulesWithTheSameName() {
    // The built-in library has three rules named 8进制: each gets the entry with its own expression, and one
    // entry for each of them is all that pairs.
    const QList<Rule> library = rw::parseRules(rw::builtInRulesText());
    QList<TestedPattern> list;
    QList<qsizetype> octal;
    for (qsizetype r = library.size() - 1; r >= 0; --r) {
        if (library[r].name != u"8进制"_s)
            continue;
        octal.prepend(r);
        for (int copy = 0; copy < 2; ++copy) {
            TestedPattern entry;
            entry.name = library[r].name;
            entry.pattern = library[r].expression;
            entry.tests.resize(copy + 1);
            list.append(entry);
        }
    }
    QCOMPARE(octal.size(), 3);
    const rw::RuleTestsPairing pairing = rw::pairRulesWithTests(library, list);
    QCOMPARE(pairing.entryOfRule.size(), library.size());
    for (qsizetype r = 0; r < library.size(); ++r) {
        const int entry = pairing.entryOfRule[r];
        if (!octal.contains(r)) {
            QCOMPARE(entry, -1);
            continue;
        }
        QVERIFY(entry >= 0);
        QCOMPARE(list[entry].pattern, library[r].expression);
        QCOMPARE(list[entry].tests.size(), 1); // the first of the two with its key
    }
    QCOMPARE(pairing.unclaimed, (QList<int>{1, 3, 5}));
}

QTEST_GUILESS_MAIN(tst_RuleTests)
#include "tst_ruletests.moc"
