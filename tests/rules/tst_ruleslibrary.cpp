#include "core/rules/RulesLibrary.h"

#include <QTest>

#include <optional>

using rw::Rule;
using rw::RuleField;
using rw::RulesLibrary;

Q_DECLARE_METATYPE(rw::Rule)
Q_DECLARE_METATYPE(rw::RuleField)
Q_DECLARE_METATYPE(std::optional<QString>)

namespace rw {

char *toString(const Rule &rule) {
    const QString text = QStringLiteral("{%1 | %2 | %3}").arg(rule.name, rule.expression, rule.description);
    return qstrdup(text.toUtf8().constData());
}

} // namespace rw

class tst_RulesLibrary final : public QObject {
    Q_OBJECT

private slots:
    void commit_data();
    void commit();
    void loadedRulesGoOnTop();
    void addAndRemove();
};

void tst_RulesLibrary::commit_data() {
    QTest::addColumn<RuleField>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<Rule>("after"); // the rule {"n", "e", "d"} after the edit
    QTest::addColumn<bool>("changed");

    QTest::newRow("a name") << RuleField::Name << "名字" << Rule{"名字", "e", "d"} << true;
    QTest::newRow("emptied name keeps its text") << RuleField::Name << "" << Rule{"n", "e", "d"} << false;
    QTest::newRow("emptied expression") << RuleField::Expression << "" << Rule{"n", "", "d"} << true;
    QTest::newRow("emptied description") << RuleField::Description << "" << Rule{"n", "e", ""} << true;
    QTest::newRow("same text") << RuleField::Expression << "e" << Rule{"n", "e", "d"} << false;
    QTest::newRow("line breaks become spaces")
        << RuleField::Description << "a\r\nb\nc\rd" << Rule{"n", "e", "a b c d"} << true;
    QTest::newRow("a name of one line break is a space") << RuleField::Name << "\n"
                                                         << Rule{" ", "e", "d"} << true;
    QTest::newRow("trailing spaces stay") << RuleField::Expression << "x  " << Rule{"n", "x  ", "d"} << true;
    QTest::newRow("separator stays in the field")
        << RuleField::Description << "a----b" << Rule{"n", "e", "a----b"} << true;
}

void tst_RulesLibrary::commit() {
    QFETCH(RuleField, field);
    QFETCH(QString, typed);
    QFETCH(Rule, after);
    QFETCH(bool, changed);

    RulesLibrary library;
    library.prepend({{"first", "1", ""}, {"n", "e", "d"}});
    QCOMPARE(library.commit(1, field, typed), changed);
    QCOMPARE(library.rules(), QList<Rule>({{"first", "1", ""}, after}));
    QCOMPARE(RulesLibrary::committed(field, typed).has_value(),
             !(field == RuleField::Name && typed.isEmpty()));
    // Rows that are not there are left alone.
    QVERIFY(!library.commit(2, field, typed));
    QVERIFY(!library.commit(-1, field, typed));
    QCOMPARE(library.size(), 2);
}

void tst_RulesLibrary::loadedRulesGoOnTop() {
    RulesLibrary library;
    const qsizetype added = library.appendEmpty();
    QCOMPARE(added, 0);
    QVERIFY(library.commit(added, RuleField::Name, "mine"));
    library.prepend({{"a", "1", ""}, {"b", "2", "x"}});
    QCOMPARE(library.rules(), QList<Rule>({{"a", "1", ""}, {"b", "2", "x"}, {"mine", "", ""}}));
    QCOMPARE(library.field(1, RuleField::Description), QStringLiteral("x"));
    QCOMPARE(library.field(2, RuleField::Name), QStringLiteral("mine"));
}

void tst_RulesLibrary::addAndRemove() {
    RulesLibrary library;
    library.prepend({{"a", "1", ""}, {"b", "2", ""}, {"c", "3", ""}});
    QVERIFY(!library.remove(3));
    QVERIFY(!library.remove(-1));
    QVERIFY(library.remove(1));
    QCOMPARE(library.rules(), QList<Rule>({{"a", "1", ""}, {"c", "3", ""}}));
    QCOMPARE(library.appendEmpty(), 2);
    QCOMPARE(library.rules().last(), Rule());
    QVERIFY(library.remove(0));
    QCOMPARE(library.field(0, RuleField::Expression), QStringLiteral("3"));
}

QTEST_GUILESS_MAIN(tst_RulesLibrary)
#include "tst_ruleslibrary.moc"
