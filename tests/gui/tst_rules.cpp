#include "TestWindow.h"
#include "app/MainWindowUi.h"
#include "core/text/Gb18030.h"
#include "rules/RulesController.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>

#include <algorithm>
#include <memory>

using namespace rw;

namespace {

// Three rules, so that row 0 and the rows behind it can be told apart.
const QByteArray RulesFile = rw::toGb18030(QStringLiteral("数字----\\d+----一个数字\r\n"
                                                          "单词----\\w+----一个单词\r\n"
                                                          "空白----\\s\r\n"));

} // namespace

class TestRules final : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void doubleClickOpensTheEditorOverTheCell_data();
    void doubleClickOpensTheEditorOverTheCell();
    void editorCoversItsCellInANarrowList_data();
    void editorCoversItsCellInANarrowList();
    void tabChangeOrClickElsewhereCommits_data();
    void tabChangeOrClickElsewhereCommits();
    void doubleClickBesideTheRowsOpensNothing();
    void losingTheFocusCommits_data();
    void losingTheFocusCommits();
    void pastedLineBreaksBecomeSpaces();
    void addRow();
    void deleteRow_data();
    void deleteRow();
    void copyExpression();
    void menuOpensBesideThePointer();

private:
    QTreeView *list() { return m_t->window().ui().rulesList; }
    QString cellText(int row, int column) { return list()->model()->index(row, column).data().toString(); }
    int rowCount() { return list()->model()->rowCount(); }
    QLineEdit *editor() { return m_t->window().ui().cellEditor; }
    QAction *action(const QString &caption) { return m_t->action(QStringLiteral("规则右键菜单"), caption); }
    // The viewport point in the middle of row, at viewport x.
    QPoint at(int row, int x) {
        return QPoint(x, list()->visualRect(list()->model()->index(row, 0)).center().y());
    }
    void select(int row) { list()->setCurrentIndex(list()->model()->index(row, 0)); }

    std::unique_ptr<TestWindow> m_t;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
};

void TestRules::init() {
    m_t = std::make_unique<TestWindow>([](const QString &dir) {
        QFile file(QDir(dir).filePath("gz.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(RulesFile) == RulesFile.size());
    });
    QCOMPARE(rowCount(), 3);
    // Every edit below also goes through the model's contract checks.
    m_tester = std::make_unique<QAbstractItemModelTester>(
        list()->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    m_t->window().ui().tabs1->setCurrentIndex(1);
    m_t->window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_t->window()));
}

void TestRules::cleanup() {
    m_tester.reset();
    m_t.reset();
}

void TestRules::doubleClickOpensTheEditorOverTheCell_data() {
    QTest::addColumn<int>("scroll");   // horizontal scroll position before the click
    QTest::addColumn<int>("contentX"); // where the click falls, counted from the list's left edge
    QTest::addColumn<int>("column");
    // Widths 88, 150, 500: the right boundaries are at 88 and 238.
    QTest::newRow("inside the name") << 0 << 40 << 0;
    QTest::newRow("on the name's right boundary") << 0 << 88 << 0;
    QTest::newRow("just right of it") << 0 << 89 << 1;
    QTest::newRow("on the expression's right boundary") << 0 << 238 << 1;
    QTest::newRow("inside the description") << 0 << 239 << 2;
    QTest::newRow("scrolled, on a boundary") << 20 << 88 << 0;
    QTest::newRow("scrolled, just right of it") << 20 << 89 << 1;
}

void TestRules::doubleClickOpensTheEditorOverTheCell() {
    QFETCH(int, scroll);
    QFETCH(int, contentX);
    QFETCH(int, column);
    QVERIFY(list()->horizontalScrollBar()->maximum() >= scroll);
    list()->horizontalScrollBar()->setValue(scroll);
    QCOMPARE(list()->header()->offset(), scroll);
    const int row = 1;
    QVERIFY(!editor()->isVisible());

    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at(row, contentX - scroll));
    QVERIFY(editor()->isVisible());
    QVERIFY(editor()->hasFocus());
    const QString text = cellText(row, column);
    QCOMPARE(editor()->text(), text);
    QCOMPARE(editor()->selectedText(), text);
    QCOMPARE(m_t->window().rulesController()->currentRow(), row);

    // The editor covers the visible part of the cell.
    QWidget *viewport = list()->viewport();
    const QRect cell = list()->visualRect(list()->model()->index(row, column)).intersected(viewport->rect());
    QCOMPARE(editor()->geometry(),
             QRect(viewport->mapTo(editor()->parentWidget(), cell.topLeft()), cell.size()));
}

void TestRules::editorCoversItsCellInANarrowList_data() {
    QTest::addColumn<int>("scroll");
    QTest::addColumn<int>("column");
    QTest::newRow("description, partly shown") << 0 << 2;
    QTest::newRow("name, partly scrolled away") << 60 << 0;
    QTest::newRow("expression, partly scrolled away") << 200 << 1;
}

void TestRules::editorCoversItsCellInANarrowList() {
    QFETCH(int, scroll);
    QFETCH(int, column);
    // A narrow window: the 介绍 column starts near the right edge and goes far beyond it.
    list()->resize(300, list()->height());
    QTest::qWait(20);
    list()->horizontalScrollBar()->setValue(scroll);
    QCOMPARE(list()->header()->offset(), scroll);
    const int row = 1;
    const int sectionX = list()->header()->sectionViewportPosition(column);
    const int x = std::clamp(sectionX + 10, 5, list()->viewport()->width() - 5);
    QCOMPARE(m_t->window().rulesController()->columnAt(x), column);

    // As a window system delivers a double-click: the second press comes before the double-click event.
    QWidget *viewport = list()->viewport();
    const QPoint pos = at(row, x);
    QTest::mouseClick(viewport, Qt::LeftButton, {}, pos);
    QTest::mousePress(viewport, Qt::LeftButton, {}, pos);
    QMouseEvent doubleClick(QEvent::MouseButtonDblClick, pos, viewport->mapToGlobal(pos), Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &doubleClick);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, pos);
    QVERIFY(editor()->isVisible());
    QCOMPARE(editor()->text(), cellText(row, column));
    // The view scrolls a pressed cell into view a moment after the click; the editor sits on the cell
    // as it is drawn then.
    QTest::qWait(QApplication::doubleClickInterval() + 300);
    QVERIFY(editor()->isVisible());
    const QModelIndex cell = list()->model()->index(row, column);
    const QRect shown = list()->visualRect(cell).intersected(viewport->rect());
    QVERIFY(!shown.isEmpty());
    QCOMPARE(editor()->geometry(),
             QRect(viewport->mapTo(editor()->parentWidget(), shown.topLeft()), shown.size()));
}

void TestRules::tabChangeOrClickElsewhereCommits_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("another tab") << "tab";
    QTest::newRow("a click on the status bar") << "status";
    QTest::newRow("a click on the list header") << "header";
}

void TestRules::tabChangeOrClickElsewhereCommits() {
    QFETCH(QString, how);
    const int x = list()->header()->sectionViewportPosition(0) + 10;
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at(2, x));
    QVERIFY(editor()->isVisible());
    editor()->setText(QStringLiteral("新名字"));
    if (how == "tab")
        QTest::mouseClick(m_t->window().ui().tabs1->tabBar(), Qt::LeftButton, {},
                          m_t->window().ui().tabs1->tabBar()->tabRect(2).center());
    else if (how == "status")
        QTest::mouseClick(m_t->window().ui().statusBar, Qt::LeftButton);
    else
        QTest::mouseClick(list()->header()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(cellText(2, 0), QStringLiteral("新名字"));
    QVERIFY(editor()->isHidden());
    // Back on the rules page nothing is left open.
    m_t->window().ui().tabs1->setCurrentIndex(1);
    QVERIFY(!editor()->isVisible());
}

void TestRules::doubleClickBesideTheRowsOpensNothing() {
    const QRect last = list()->visualRect(list()->model()->index(2, 0));
    QVERIFY(last.bottom() + 20 < list()->viewport()->height());
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, QPoint(40, last.bottom() + 10));
    QVERIFY(!editor()->isVisible());
}

void TestRules::losingTheFocusCommits_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("a name") << 1 << 0 << "名字"
                            << "名字";
    QTest::newRow("emptied name keeps its text") << 1 << 0 << ""
                                                 << "单词";
    QTest::newRow("emptied name of row 0") << 0 << 0 << ""
                                           << "数字";
    QTest::newRow("emptied expression of row 0") << 0 << 1 << ""
                                                 << "";
    QTest::newRow("emptied description of row 0") << 0 << 2 << ""
                                                  << "";
    QTest::newRow("emptied expression") << 2 << 1 << ""
                                        << "";
    QTest::newRow("a description") << 2 << 2 << "说明😀"
                                   << "说明😀";
}

void TestRules::losingTheFocusCommits() {
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    const QString original = cellText(row, column);
    const int x = list()->header()->sectionViewportPosition(column) + 10;
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at(row, x));
    QVERIFY(editor()->isVisible());
    // Typing replaces the selected cell text (Chinese comes as an input-method commit); Enter and Escape
    // end nothing.
    QTest::keyClick(editor(), Qt::Key_Backspace);
    editor()->insert(typed);
    QTest::keyClick(editor(), Qt::Key_Return);
    QTest::keyClick(editor(), Qt::Key_Escape);
    QVERIFY(editor()->isVisible());
    QCOMPARE(editor()->text(), typed);
    QCOMPARE(cellText(row, column), original);

    m_t->find<QPlainTextEdit>("编辑框_记录")->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(!editor()->isVisible());
    QCOMPARE(cellText(row, column), expected);
}

void TestRules::pastedLineBreaksBecomeSpaces() {
    const int x = list()->header()->sectionViewportPosition(2) + 10;
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at(1, x));
    QVERIFY(editor()->isVisible());
    QGuiApplication::clipboard()->setText(QStringLiteral("x\r\ny\nz\r"));
    editor()->paste();
    QCOMPARE(editor()->text(), QStringLiteral("x y z "));
    QCOMPARE(editor()->cursorPosition(), 6);
    QTest::keyClicks(editor(), "!");
    m_t->find<QPlainTextEdit>("编辑框_记录")->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(!editor()->isVisible());
    QCOMPARE(cellText(1, 2), QStringLiteral("x y z !"));
    QCOMPARE(m_t->window().rulesController()->rules().size(), 3);
}

void TestRules::addRow() {
    select(1);
    const int scroll = list()->verticalScrollBar()->value();
    action("添加新一行")->trigger();
    QCOMPARE(rowCount(), 4);
    for (int column = 0; column < 3; ++column)
        QVERIFY(cellText(3, column).isEmpty());
    QCOMPARE(m_t->window().rulesController()->currentRow(), 1);
    QCOMPARE(list()->verticalScrollBar()->value(), scroll);
}

void TestRules::deleteRow_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("yes") << 1 << true << QStringList{"数字", "空白"};
    QTest::newRow("no") << 1 << false << QStringList{"数字", "单词", "空白"};
    QTest::newRow("yes without a current row") << -1 << true << QStringList{"数字", "单词", "空白"};
    QTest::newRow("yes on row 0") << 0 << true << QStringList{"单词", "空白"};
}

void TestRules::deleteRow() {
    QFETCH(int, current);
    QFETCH(bool, answer);
    QFETCH(QStringList, names);
    if (current >= 0)
        select(current);
    else
        list()->clearSelection();
    m_t->dialogs.yesNo.push_back(answer);
    action("删除这行")->trigger();
    QCOMPARE(m_t->dialogs.asked.size(), 1);
    QCOMPARE(m_t->dialogs.asked[0].text, QStringLiteral("是否删除这一行\r\n关闭软件后生效"));
    QCOMPARE(m_t->dialogs.asked[0].caption, QStringLiteral("信息："));
    QCOMPARE(m_t->dialogs.asked[0].icon, Dialogs::Icon::Question);
    QStringList shown;
    for (const Rule &rule : m_t->window().rulesController()->rules())
        shown.append(rule.name);
    QCOMPARE(shown, names);
}

void TestRules::copyExpression() {
    QClipboard *clipboard = QGuiApplication::clipboard();
    select(1);
    action("复制表达式")->trigger();
    QCOMPARE(clipboard->text(), QStringLiteral("\\w+"));

    list()->clearSelection();
    QCOMPARE(m_t->window().rulesController()->currentRow(), -1);
    action("复制表达式")->trigger();
    QCOMPARE(clipboard->text(), QString());
}

void TestRules::menuOpensBesideThePointer() {
    const QPoint pos = at(0, 30);
    emit list()->customContextMenuRequested(pos);
    QMenu *menu = m_t->window().ui().rulesMenu;
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(menu->pos(), list()->viewport()->mapToGlobal(pos) + QPoint(3, 3));
    menu->hide();
}

QTEST_MAIN(TestRules)
#include "tst_rules.moc"
