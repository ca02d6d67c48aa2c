#include "TestWindow.h"
#include "app/MainWindowUi.h"
#include "results/ResultsView.h"
#include "textbox/TextEditor.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QTabWidget>

using namespace rw;

namespace {

const QString kMatch = QStringLiteral("按钮_匹配");

struct Options {
    bool caseSensitive = false;
    bool multiline = false;
    bool global = true;
};

// Fills the inputs and presses Match; returns when the run has ended.
bool runMatch(TestWindow &t, const QString &expression, const QString &source, Options o = {}) {
    t.setInputs(expression, source);
    t.find<QCheckBox>("选择框_区分大小写")->setChecked(o.caseSensitive);
    t.find<QCheckBox>("选择框_多行模式")->setChecked(o.multiline);
    t.find<QCheckBox>("选择框_全局匹配")->setChecked(o.global);
    return t.clickAndWait(kMatch, QStringLiteral("匹配"));
}

QList<QStringList> rows(TestWindow &t) {
    QAbstractItemModel *m = t.find<ResultsView>("超级列表框_结果")->model();
    QList<QStringList> out;
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            cells << m->index(r, c).data().toString();
        out << cells;
    }
    return out;
}

QStringList headers(TestWindow &t) {
    QAbstractItemModel *m = t.find<ResultsView>("超级列表框_结果")->model();
    QStringList out;
    for (int c = 0; c < m->columnCount(); ++c)
        out << m->headerData(c, Qt::Horizontal).toString();
    return out;
}

QString success(int matches, int submatches) {
    return QStringLiteral("正则匹配成功,匹配数量: %1 -子匹配数量: %2").arg(matches).arg(submatches);
}

} // namespace

using Rows = QList<QStringList>;
Q_DECLARE_METATYPE(Options)

class TestMatch final : public QObject {
    Q_OBJECT
private slots:
    void listsEveryMatch_data();
    void listsEveryMatch();
    void rejectedPatternEmptiesAFilledList();
    void laterRunWithoutGroupsRemovesTheirColumns();
    void runawayPatternStopsAtTheLimit();
    void secondClickStopsAndANewRunStartsAtOnce();
    void modelKeepsItsContract();
    void hugeMatchIsShownShortenedButExportedWhole();
};

void TestMatch::listsEveryMatch_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("source");
    QTest::addColumn<Options>("options");
    QTest::addColumn<Rows>("expected");
    QTest::addColumn<int>("submatches");

    const Options design;
    Options notGlobal;
    notGlobal.global = false;
    Options caseSensitive;
    caseSensitive.caseSensitive = true;
    Options multiline;
    multiline.multiline = true;

    QTest::newRow("groups") << "(\\d+)-(\\d+)"
                            << "1-2 33-44" << design
                            << Rows{{"1", "1-2", "1", "2"}, {"2", "33-44", "33", "44"}} << 2;
    QTest::newRow("not global") << "(\\d+)-(\\d+)"
                                << "1-2 33-44" << notGlobal << Rows{{"1", "1-2", "1", "2"}} << 2;
    QTest::newRow("ignore case") << "a"
                                 << "Aa" << design << Rows{{"1", "A"}, {"2", "a"}} << 0;
    QTest::newRow("case sensitive") << "a"
                                    << "Aa" << caseSensitive << Rows{{"1", "a"}} << 0;
    QTest::newRow("^ without multi-line") << "^b"
                                          << "a\nb" << design << Rows{} << 0;
    QTest::newRow("^ in multi-line") << "^b"
                                     << "a\nb" << multiline << Rows{{"1", "b"}} << 0;
    QTest::newRow("line break reaches the engine as CRLF") << "a\\r\\nb"
                                                           << "a\nb" << design << Rows{{"1", "a↵b"}} << 0;
    QTest::newRow("$ before CR in multi-line") << "a$"
                                               << "a\nb" << multiline << Rows{{"1", "a"}} << 0;
    QTest::newRow("group that took no part") << "(a)|(b)"
                                             << "b" << design << Rows{{"1", "b", "", "b"}} << 2;
    QTest::newRow("chinese word") << "[\\u4e00-\\u9fa5]+"
                                  << "ab正则表达式cd" << design << Rows{{"1", "正则表达式"}} << 0;
    QTest::newRow("no match") << "x"
                              << "abc" << design << Rows{} << 0;
    QTest::newRow("groups but no match") << "(x)"
                                         << "abc" << design << Rows{} << 0;
}

void TestMatch::listsEveryMatch() {
    QFETCH(QString, expression);
    QFETCH(QString, source);
    QFETCH(Options, options);
    QFETCH(Rows, expected);
    QFETCH(int, submatches);

    TestWindow t;
    t.find<QTabWidget>("高级选择夹2")->setCurrentIndex(1);
    QVERIFY(runMatch(t, expression, source, options));
    QCOMPARE(rows(t), expected);
    QCOMPARE(t.status(), success(int(expected.size()), submatches));
    QCOMPARE(t.find<QTabWidget>("高级选择夹2")->currentIndex(), 0);
    QStringList heads{"序号", "匹配文本"};
    for (int j = 1; j <= submatches; ++j)
        heads << QStringLiteral("子匹配文本%1").arg(j);
    QCOMPARE(headers(t), heads);
    auto *view = t.find<ResultsView>("超级列表框_结果");
    for (int c = 2; c < view->model()->columnCount(); ++c)
        QCOMPARE(view->columnWidth(c), 100);
    // The source text is the user's: a run never changes it.
    QCOMPARE(t.find<TextEditor>("编辑框_源文本")->toPlainText(), source);
}

void TestMatch::rejectedPatternEmptiesAFilledList() {
    TestWindow t;
    QVERIFY(runMatch(t, "(\\d)(\\d)", "12 34"));
    QCOMPARE(rows(t).size(), 2);
    t.find<QTabWidget>("高级选择夹2")->setCurrentIndex(2);

    QVERIFY(runMatch(t, "(", "12 34"));
    QCOMPARE(t.status(), QStringLiteral("正则创建失败: 缺少右括号 ) (第 2 个字符)"));
    QCOMPARE(rows(t), Rows{});
    QCOMPARE(headers(t), (QStringList{"序号", "匹配文本"}));
    QCOMPARE(t.find<QTabWidget>("高级选择夹2")->currentIndex(), 0);

    // A line break typed into the pattern box is one character, as the user sees it.
    QVERIFY(runMatch(t, "\\d\n)", "12 34"));
    QCOMPARE(t.status(), QStringLiteral("正则创建失败: 多余的右括号 ) (第 4 个字符)"));
}

void TestMatch::laterRunWithoutGroupsRemovesTheirColumns() {
    TestWindow t;
    QVERIFY(runMatch(t, "(a)(b)(c)", "abc"));
    QCOMPARE(headers(t).size(), 5);
    QVERIFY(runMatch(t, "b", "abc"));
    QCOMPARE(headers(t), (QStringList{"序号", "匹配文本"}));
    QCOMPARE(rows(t), (Rows{{"1", "b"}}));
    QCOMPARE(t.status(), success(1, 0));
}

void TestMatch::runawayPatternStopsAtTheLimit() {
    TestWindow t;
    QVERIFY(runMatch(t, "^(\\w+\\s?)*$", QString(40, QLatin1Char('a')) + QLatin1Char('!')));
    QCOMPARE(t.status(), QStringLiteral("匹配超出回溯上限,请简化表达式"));
    QCOMPARE(t.find<QPushButton>(kMatch)->text(), QStringLiteral("匹配"));
}

void TestMatch::secondClickStopsAndANewRunStartsAtOnce() {
    TestWindow t;
    auto *button = t.find<QPushButton>(kMatch);
    QAbstractItemModel *model = t.find<ResultsView>("超级列表框_结果")->model();
    // A Match of its own, whose rows come in batches (one that joins the live search lists them at its end).
    t.find<QCheckBox>("选择框_实时")->setChecked(false);
    t.setInputs(QStringLiteral("(a)"), QStringLiteral("aaa\n").repeated(1'000'000));
    t.window().ui().setStatus(QStringLiteral("before"));

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->text(), QStringLiteral("正在匹配"));
    QTRY_VERIFY_WITH_TIMEOUT(model->rowCount() > 0, 20000);
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->text(), QStringLiteral("匹配"));

    // Nothing of the stopped run shows any more: the rows so far stay, the status keeps its text.
    const int kept = model->rowCount();
    QVERIFY(kept < 3'000'000);
    t.settle();
    QCOMPARE(model->rowCount(), kept);
    QCOMPARE(t.status(), QStringLiteral("before"));
    QCOMPARE(button->text(), QStringLiteral("匹配"));

    QVERIFY(runMatch(t, "b+", "abba"));
    QCOMPARE(rows(t), (Rows{{"1", "bb"}}));
    QCOMPARE(t.status(), success(1, 0));
}

void TestMatch::modelKeepsItsContract() {
    TestWindow t;
    QAbstractItemModelTester tester(t.find<ResultsView>("超级列表框_结果")->model(),
                                    QAbstractItemModelTester::FailureReportingMode::QtTest);
    QVERIFY(runMatch(t, "(\\w)(\\d)?", QString("a1 b c3 ").repeated(20000)));
    QCOMPARE(rows(t).size(), 60000);
    QVERIFY(runMatch(t, "c", "abc"));
    QVERIFY(runMatch(t, "(", "abc"));
}

void TestMatch::hugeMatchIsShownShortenedButExportedWhole() {
    TestWindow t;
    const QString huge = QString(100000, QLatin1Char('x'));
    QVERIFY(runMatch(t, "x+", huge));
    const QString shown = rows(t).value(0).value(1);
    QVERIFY(shown.size() < 10000);
    QVERIFY(huge.startsWith(shown.chopped(1)));
    QCOMPARE(shown.back(), QChar(0x2026));

    QGuiApplication::clipboard()->clear();
    t.dialogs.texts.push_back(QStringLiteral("{2}#换行符"));
    t.action("匹配结果右键菜单", "导出到剪辑板")->trigger();
    QTRY_COMPARE(t.status(), QStringLiteral("已放置剪辑板"));
    QCOMPARE(QGuiApplication::clipboard()->text(), huge);
}

QTEST_MAIN(TestMatch)
#include "tst_match.moc"
