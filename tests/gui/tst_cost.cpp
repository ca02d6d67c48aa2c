#include "TestWindow.h"

#include "pattern/explain/CostController.h"
#include "textbox/TextEditor.h"

#include <QAction>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QTreeView>

using namespace rw;

// The explanation tree starts with the pattern's backtracking cost: its verdict, what to blame (marked
// in the pattern box too), the worst input with the engine's steps on it, and a way to put that input
// into the source text.
class TestCost final : public QObject {
    Q_OBJECT
private slots:
    void verdictFollowsThePattern_data();
    void verdictFollowsThePattern();
    void worstInputGoesIntoTheSourceText();
};

namespace {
QStringList childTexts(const QAbstractItemModel *model, const QModelIndex &parent) {
    QStringList out;
    for (int r = 0; r < model->rowCount(parent); ++r)
        out << model->index(r, 0, parent).data().toString();
    return out;
}
} // namespace

void TestCost::verdictFollowsThePattern_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("verdict");
    QTest::addColumn<QString>("blamed");
    QTest::addColumn<QString>("hint");
    QTest::newRow("exponential") << "(a+)+$" << "回溯复杂度: 指数级" << "可用多种方式匹配同一段文本: a+"
                                 << "改写建议: (a+)+ 可写作 a+, 匹配相同而不会指数级回溯 (a+$)";
    QTest::newRow("quadratic") << "\\s*#" << "回溯复杂度: 多项式 n^2" << "可用多种方式匹配同一段文本: \\s*"
                               << QString();
    QTest::newRow("linear") << "^\\d+$" << "回溯复杂度: 线性" << QString() << QString();
    QTest::newRow("back reference") << "(a)\\1" << "回溯复杂度: 未知 (含反向引用)" << QString() << QString();
}

void TestCost::verdictFollowsThePattern() {
    QFETCH(QString, pattern);
    QFETCH(QString, verdict);
    QFETCH(QString, blamed);
    QFETCH(QString, hint);
    TestWindow t;
    auto *box = t.find<QPlainTextEdit>("编辑框_表达式");
    auto *tree = t.find<QTreeView>("树_表达式解释");
    box->setPlainText(pattern);
    QTRY_COMPARE(tree->model()->index(0, 0).data().toString(), verdict);
    const QModelIndex node = tree->model()->index(0, 0);
    const QStringList parts = childTexts(tree->model(), node);
    if (blamed.isEmpty()) {
        QVERIFY(parts.isEmpty());
        QVERIFY(box->extraSelections().isEmpty());
        return;
    }
    QVERIFY2(parts.contains(blamed), qPrintable(parts.join(u'\n')));
    QVERIFY(!box->extraSelections().isEmpty());
    // The engine's own steps arrive from a worker.
    QTRY_VERIFY(childTexts(tree->model(), node).filter(QStringLiteral("引擎步数: n = ")).size() == 1);
    // So does a checked rewrite, where there is one.
    const QStringList hints = childTexts(tree->model(), node).filter(QStringLiteral("改写建议: "));
    QCOMPARE(hints, hint.isEmpty() ? QStringList() : QStringList{hint});
    // Selecting the blamed part selects it in the pattern box.
    const int row = int(parts.indexOf(blamed));
    tree->setCurrentIndex(tree->model()->index(row, 0, node));
    QCOMPARE(box->textCursor().selectedText(), blamed.section(u' ', -1));
}

void TestCost::worstInputGoesIntoTheSourceText() {
    TestWindow t;
    auto *box = t.find<QPlainTextEdit>("编辑框_表达式");
    auto *tree = t.find<QTreeView>("树_表达式解释");
    auto *source = t.find<TextEditor>("编辑框_源文本");
    source->setPlainText(QString());
    box->setPlainText(QStringLiteral("(a+)+$"));
    QTRY_COMPARE(tree->model()->index(0, 0).data().toString(), QStringLiteral("回溯复杂度: 指数级"));
    CostController *cost = t.window().costController();
    QMenu *menu = cost->menu();
    QCOMPARE(menu->objectName(), QStringLiteral("表达式解释右键菜单"));
    QAction *insert = menu->actions().value(0);
    QVERIFY(insert);
    QCOMPARE(insert->text(), QStringLiteral("插入到源文本"));
    insert->trigger();
    const QString witness = source->toPlainText();
    QVERIFY(witness.endsWith(u'!'));
    QCOMPARE(witness.size(), cost->cost().witness(cost->insertSize()).size());
    QVERIFY(witness.count(u'a') >= 30);
}

QTEST_MAIN(TestCost)
#include "tst_cost.moc"
