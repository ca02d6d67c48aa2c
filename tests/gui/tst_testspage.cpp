#include "TestWindow.h"
#include "app/MainWindowUi.h"
#include "core/tests/TestsCodec.h"
#include "core/text/Gb18030.h"
#include "files/WorkingFiles.h"
#include "pattern/PatternOwner.h"
#include "patterntests/TestsController.h"
#include "patterntests/TestsModel.h"
#include "rules/RulesController.h"
#include "textbox/TextEditor.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTreeView>
#include <QtTest>

using namespace rw;

namespace {

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

PatternTest test(const QString &sample, Expectation expect = Expectation::Match) {
    PatternTest t;
    t.sample = sample;
    t.expect = expect;
    return t;
}

PatternTest groupTest(const QString &sample, int group, const QString &value) {
    PatternTest t = test(sample, Expectation::Group);
    t.group = group;
    t.value = value;
    return t;
}

// On Yes the files are written on a worker and the window closes once they are.
bool closeWithYes(TestWindow &t) {
    t.dialogs.yesNo.push_back(true);
    t.window().close();
    if (!QTest::qWaitFor([&] { return !t.window().workingFiles()->isSaving(); }, 60000))
        qWarning("the working files were not written");
    return !t.window().isVisible();
}

} // namespace

class TestTestsPage final : public QObject {
    Q_OBJECT
private slots:
    void testsRunAfterEachChangeOfThePattern();
    void typedTestRunsAndAFailureIsRed();
    void importTakesEachNonEmptyLine();
    void doubleClickPutsTheSampleIntoTheSourceText();
    void deleteRemovesTheSelectedRows();
    void exportedTestsImportAgain();
    void boxTestsAreLoadedAndSaved();
    void damagedTestsFileIsPutAside();
    void ruleTestsTravelWithTheRule();
    void runAllTestsReports();

private:
    static QTreeView *table(TestWindow &t) { return t.window().ui().testsTable; }
    static TestsModel *model(TestWindow &t) { return t.window().testsController()->model(); }
    static QString title(TestWindow &t) { return t.window().ui().tabs2->tabText(4); }
    static QString cell(TestWindow &t, int row, int column) {
        return model(t)->index(row, column).data().toString();
    }
    // Waits until the tests have run for what the box and the table hold now.
    static bool settled(TestWindow &t) {
        // A change still in its pause is published now, as Match would.
        t.window().patternOwner()->current();
        return QTest::qWaitFor(
            [&] {
                const TestTally counts = model(t)->tally();
                bool all = true;
                for (int row = 0; row < model(t)->rowCount(); ++row)
                    all = all && !cell(t, row, TestsModel::ResultColumn).isEmpty();
                return all && !t.window().testsController()->isRunning() && counts.total == model(t)->rowCount();
            },
            10000);
    }
};

void TestTestsPage::testsRunAfterEachChangeOfThePattern() {
    TestWindow t;
    QAbstractItemModelTester tester(model(t), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(title(t), QStringLiteral("测试用例"));
    QCOMPARE(t.find<QTreeView>(QStringLiteral("超级列表框_测试")), table(t));
    t.setInputs(QStringLiteral("(\\d{4})-(\\d+)"), {});
    model(t)->append({test(QStringLiteral("日期 2026-12")), test(QStringLiteral("none"), Expectation::NoMatch),
                      groupTest(QStringLiteral("2026-12"), 2, QStringLiteral("12"))});
    QVERIFY(settled(t));
    QCOMPARE(title(t), QStringLiteral("测试用例 (通过 3/3)"));
    QCOMPARE(cell(t, 0, TestsModel::ResultColumn), QStringLiteral("通过"));

    // A changed pattern runs them again once the user pauses.
    t.window().ui().expression->setPlainText(QStringLiteral("(\\d{4})-(\\d)"));
    QVERIFY(settled(t));
    QTRY_COMPARE(title(t), QStringLiteral("测试用例 (通过 2/3)"));
    QCOMPARE(cell(t, 2, TestsModel::ResultColumn), QStringLiteral("期望 第 2 组为 “12” 实际 “1”"));
    QVERIFY(model(t)->index(2, 0).data(Qt::ForegroundRole).isValid());
    QVERIFY(!model(t)->index(0, 0).data(Qt::ForegroundRole).isValid());

    // So does an option: case-sensitive makes "A" fail.
    model(t)->setTests({test(QStringLiteral("a"))});
    t.window().ui().expression->setPlainText(QStringLiteral("A"));
    QVERIFY(settled(t));
    QTRY_COMPARE(title(t), QStringLiteral("测试用例 (通过 1/1)"));
    t.window().ui().checkCase->setChecked(true);
    QTRY_COMPARE(title(t), QStringLiteral("测试用例 (通过 0/1)"));
    QCOMPARE(cell(t, 0, TestsModel::ResultColumn), QStringLiteral("期望 匹配 实际 无匹配"));

    // A pattern that does not compile gives every test its reason.
    t.window().ui().expression->setPlainText(QStringLiteral("(a"));
    QTRY_VERIFY(cell(t, 0, TestsModel::ResultColumn).startsWith(QStringLiteral("正则创建失败")));
}

void TestTestsPage::typedTestRunsAndAFailureIsRed() {
    TestWindow t;
    // Edits end when the focus leaves them: the window must have it.
    t.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&t.window()));
    t.setInputs(QStringLiteral("(\\w)(\\d)"), {});
    t.window().ui().tabs2->setCurrentIndex(4);
    QTest::mouseClick(t.find<QPushButton>(QStringLiteral("按钮_添加测试")), Qt::LeftButton);
    QCOMPARE(model(t)->rowCount(), 1);
    // The sample's editor is open: type and press Enter.
    auto *sampleEditor = table(t)->viewport()->findChild<QLineEdit *>();
    QVERIFY(sampleEditor && sampleEditor->isVisible());
    QTest::keyClicks(sampleEditor, QStringLiteral("a1 b2"));
    QTest::keyClick(sampleEditor, Qt::Key_Return);
    QTRY_COMPARE(model(t)->tests()[0].sample, QStringLiteral("a1 b2"));

    // The expectation: 第 n 组为, group 2, "1".
    const QModelIndex expect = model(t)->index(0, TestsModel::ExpectColumn);
    table(t)->setCurrentIndex(expect);
    QTest::keyClick(table(t), Qt::Key_F2);
    auto *kind = t.find<QComboBox>(QStringLiteral("组合框_期望"));
    QVERIFY(kind && kind->isVisible());
    kind->setCurrentIndex(kind->findText(QStringLiteral("第 n 组为")));
    auto *group = kind->parentWidget()->findChild<QSpinBox *>();
    QVERIFY(group->isVisible());
    group->setValue(2);
    auto *value = t.find<QPlainTextEdit>(QStringLiteral("编辑框_期望值"));
    value->setFocus();
    QTest::keyClicks(value, QStringLiteral("2"));
    QTest::keyClick(value, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(model(t)->tests()[0].expect, Expectation::Group);
    QCOMPARE(model(t)->tests()[0].group, 2);
    QCOMPARE(model(t)->tests()[0].value, QStringLiteral("2"));
    QVERIFY(settled(t));
    QCOMPARE(cell(t, 0, TestsModel::ResultColumn), QStringLiteral("期望 第 2 组为 “2” 实际 “1”"));
    QCOMPARE(title(t), QStringLiteral("测试用例 (通过 0/1)"));

    // 匹配结果为, one text per line, edited the same way; the focus leaving ends the edit too.
    table(t)->setCurrentIndex(expect);
    QTest::keyClick(table(t), Qt::Key_F2);
    kind = t.find<QComboBox>(QStringLiteral("组合框_期望"));
    kind->setCurrentIndex(kind->findText(QStringLiteral("匹配结果为")));
    value = t.find<QPlainTextEdit>(QStringLiteral("编辑框_期望值"));
    value->setPlainText(QStringLiteral("a1\nb2"));
    t.window().ui().checkGlobal->setFocus();
    QTRY_COMPARE(model(t)->tests()[0].values, QStringList({QStringLiteral("a1"), QStringLiteral("b2")}));
    QVERIFY(settled(t));
    QCOMPARE(title(t), QStringLiteral("测试用例 (通过 1/1)"));
}

void TestTestsPage::importTakesEachNonEmptyLine() {
    TestWindow t;
    t.setInputs(QStringLiteral("\\d"), QStringLiteral("a1\n\nb2\r\n  \nc"));
    QTest::mouseClick(t.find<QPushButton>(QStringLiteral("按钮_导入测试")), Qt::LeftButton);
    QTRY_COMPARE(model(t)->rowCount(), 4);
    QCOMPARE(cell(t, 0, 0), QStringLiteral("a1"));
    QCOMPARE(cell(t, 1, 0), QStringLiteral("b2"));
    QCOMPARE(cell(t, 2, 0), QStringLiteral("  "));
    QCOMPARE(cell(t, 3, 0), QStringLiteral("c"));
    for (const PatternTest &each : model(t)->tests())
        QCOMPARE(each.expect, Expectation::Match);
    QVERIFY(settled(t));
    QCOMPARE(title(t), QStringLiteral("测试用例 (通过 2/4)"));
}

void TestTestsPage::doubleClickPutsTheSampleIntoTheSourceText() {
    TestWindow t;
    t.setInputs(QStringLiteral("x"), QStringLiteral("before"));
    model(t)->append({test(QStringLiteral("one")), test(QStringLiteral("第二\r\n行"))});
    t.window().ui().tabs2->setCurrentIndex(4);
    QTreeView *view = table(t);
    QTRY_VERIFY(view->isVisible() && !view->visualRect(model(t)->index(1, 0)).isEmpty());
    const QPoint at = view->visualRect(model(t)->index(1, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(t.window().ui().sourceText->toPlainText(), QStringLiteral("第二\n行"));
    QCOMPARE(t.window().ui().tabs2->currentWidget(), t.window().ui().sourceText->parentWidget());
    // One step of the source text's undo brings back what it held.
    QTest::keyClick(t.window().ui().sourceText, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(t.window().ui().sourceText->toPlainText(), QStringLiteral("before"));
}

void TestTestsPage::deleteRemovesTheSelectedRows() {
    TestWindow t;
    model(t)->append({test(QStringLiteral("0")), test(QStringLiteral("1")), test(QStringLiteral("2")),
                      test(QStringLiteral("3"))});
    QTreeView *view = table(t);
    view->selectionModel()->select(model(t)->index(1, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    view->selectionModel()->select(model(t)->index(3, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::mouseClick(t.find<QPushButton>(QStringLiteral("按钮_删除测试")), Qt::LeftButton);
    QCOMPARE(model(t)->rowCount(), 2);
    QCOMPARE(cell(t, 0, 0), QStringLiteral("0"));
    QCOMPARE(cell(t, 1, 0), QStringLiteral("2"));
}

void TestTestsPage::exportedTestsImportAgain() {
    TestWindow t;
    t.setInputs(QStringLiteral("a+"), {});
    PatternTest replace = test(QString(QChar(0)) + QChar(0xd800) + QStringLiteral("aa"), Expectation::Replace);
    replace.replacement = QStringLiteral("[$&]");
    replace.value = QString(QChar(0)) + QChar(0xd800) + QStringLiteral("[aa]");
    const QList<PatternTest> tests{test(QStringLiteral("baa")), replace};
    model(t)->append(tests);
    const QString path = QDir(t.desktopDir.path()).filePath(QStringLiteral("mine.json"));
    t.dialogs.files.push_back(path);
    t.action(QStringLiteral("测试右键菜单"), QStringLiteral("导出测试文件"))->trigger();
    QVERIFY(QFile::exists(path));
    QCOMPARE(t.dialogs.asked.last().kind, QStringLiteral("save"));

    model(t)->setTests({});
    t.dialogs.files.push_back(path);
    t.action(QStringLiteral("测试右键菜单"), QStringLiteral("导入测试文件"))->trigger();
    QCOMPARE(model(t)->tests(), tests);
    QVERIFY(settled(t));
    QCOMPARE(title(t), QStringLiteral("测试用例 (通过 2/2)"));

    // A file that is no tests file is refused with its reason, and nothing changes.
    writeFile(path, "{\"patterns\": 3}");
    t.dialogs.files.push_back(path);
    t.action(QStringLiteral("测试右键菜单"), QStringLiteral("导入测试文件"))->trigger();
    QCOMPARE(t.dialogs.asked.last().kind, QStringLiteral("tell"));
    QVERIFY(t.dialogs.asked.last().text.contains(QStringLiteral("patterns")));
    QCOMPARE(model(t)->tests(), tests);
}

void TestTestsPage::boxTestsAreLoadedAndSaved() {
    TestsFile file;
    TestedPattern entry;
    entry.pattern = QStringLiteral("\\d+");
    entry.tests = {test(QStringLiteral("12")), test(QStringLiteral("ab"), Expectation::NoMatch)};
    entry.unknown.insert(QStringLiteral("note"), QStringLiteral("kept"));
    file.patterns.append(entry);
    TestWindow t([&](const QString &dir) {
        writeFile(QDir(dir).filePath(QStringLiteral("bds.txt")), "\\d+");
        writeFile(QDir(dir).filePath(QStringLiteral("bds.tests.json")), serializeTests(file));
    });
    QCOMPARE(model(t)->tests(), entry.tests);
    QVERIFY(settled(t));
    QCOMPARE(title(t), QStringLiteral("测试用例 (通过 2/2)"));

    model(t)->append({test(QStringLiteral("3"))});
    QVERIFY(closeWithYes(t));
    const TestsParse saved = parseTests(readFile(QDir(t.programDir.path()).filePath(QStringLiteral("bds.tests.json"))));
    QVERIFY2(saved.ok(), qPrintable(saved.error));
    QCOMPARE(saved.file.patterns.size(), 1);
    QCOMPARE(saved.file.patterns[0].tests.size(), 3);
    QCOMPARE(saved.file.patterns[0].pattern, QStringLiteral("\\d+"));
    QCOMPARE(saved.file.patterns[0].unknown.value(QStringLiteral("note")).toString(), QStringLiteral("kept"));
}

void TestTestsPage::damagedTestsFileIsPutAside() {
    const QByteArray damaged = "{\"version\": 1, \"patterns\": [{\"pattern\": \"a\", \"tests\": [{\"sam";
    TestWindow t([&](const QString &dir) {
        writeFile(QDir(dir).filePath(QStringLiteral("bds.txt")), "abc");
        writeFile(QDir(dir).filePath(QStringLiteral("gz.txt")), rw::toGb18030(QStringLiteral("甲----a\r\n")));
        writeFile(QDir(dir).filePath(QStringLiteral("gz.tests.json")), damaged);
    });
    const QDir dir(t.programDir.path());
    // Everything else loads; the message names the file and what is wrong with it.
    QCOMPARE(t.window().ui().expression->toPlainText(), QStringLiteral("abc"));
    QCOMPARE(t.window().ui().rulesList->model()->rowCount(), 1);
    QTRY_VERIFY(!t.dialogs.asked.isEmpty());
    QCOMPARE(t.dialogs.asked.last().kind, QStringLiteral("tell"));
    QVERIFY(t.dialogs.asked.last().text.contains(QStringLiteral("gz.tests.json")));
    QVERIFY(t.dialogs.asked.last().text.contains(QStringLiteral("gz.tests.json.damaged")));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("gz.tests.json.damaged"))), damaged);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("gz.tests.json"))));

    // A save writes no empty file in its place; the damaged one stays aside.
    QVERIFY(closeWithYes(t));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("gz.tests.json"))));
    QCOMPARE(readFile(dir.filePath(QStringLiteral("gz.tests.json.damaged"))), damaged);
}

void TestTestsPage::ruleTestsTravelWithTheRule() {
    TestsFile file;
    TestedPattern entry;
    entry.name = QStringLiteral("年月");
    entry.pattern = QStringLiteral("(\\d{4})-(\\d+)");
    entry.options.global = false;
    entry.tests = {groupTest(QStringLiteral("2026-12"), 1, QStringLiteral("2026")),
                   groupTest(QStringLiteral("2026-12"), 2, QStringLiteral("1"))};
    file.patterns.append(entry);
    TestWindow t([&](const QString &dir) {
        writeFile(QDir(dir).filePath(QStringLiteral("gz.txt")),
                  rw::toGb18030(QStringLiteral("数字----\\d+\r\n年月----(\\d{4})-(\\d+)----年和月\r\n")));
        writeFile(QDir(dir).filePath(QStringLiteral("gz.tests.json")), serializeTests(file));
    });
    QAbstractItemModel *rules = t.window().ui().rulesList->model();
    // The rule with a failing test shows it; the rule without tests shows nothing.
    QTRY_COMPARE(rules->index(1, 2).data(Qt::ToolTipRole).toString(), QStringLiteral("测试: 通过 1/2"));
    QVERIFY(!rules->index(1, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    QVERIFY(!rules->index(0, 0).data(Qt::ToolTipRole).isValid());
    QVERIFY(!rules->index(0, 0).data(Qt::DecorationRole).isValid());

    // Into the box: the pattern, its options and its tests.
    t.window().ui().rulesList->setCurrentIndex(rules->index(1, 0));
    t.action(QStringLiteral("规则右键菜单"), QStringLiteral("填入表达式框"))->trigger();
    QCOMPARE(t.window().ui().expression->toPlainText(), entry.pattern);
    QVERIFY(!t.window().ui().checkGlobal->isChecked());
    QCOMPARE(model(t)->tests(), entry.tests);
    QVERIFY(settled(t));
    QCOMPARE(title(t), QStringLiteral("测试用例 (通过 1/2)"));

    // Mended in the box, written back to the rule: the rule passes.
    model(t)->setData(model(t)->index(1, TestsModel::ExpectColumn),
                      QVariant::fromValue(groupTest({}, 2, QStringLiteral("12"))));
    // The rule's own tests are replaced only once the user says so.
    t.dialogs.yesNo.push_back(false);
    t.action(QStringLiteral("规则右键菜单"), QStringLiteral("用表达式框更新此规则"))->trigger();
    QCOMPARE(t.dialogs.asked.last().kind, QStringLiteral("yesno"));
    QCOMPARE(rules->index(1, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("测试: 通过 1/2"));
    t.dialogs.yesNo.push_back(true);
    t.action(QStringLiteral("规则右键菜单"), QStringLiteral("用表达式框更新此规则"))->trigger();
    QTRY_COMPARE(rules->index(1, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("测试: 通过 2/2"));
    QVERIFY(!rules->index(1, 0).data(Qt::DecorationRole).isValid());

    // A new rule from the box takes the tests too.
    t.dialogs.texts.push_back(QStringLiteral("年月2"));
    t.action(QStringLiteral("规则右键菜单"), QStringLiteral("将表达式框添加为规则"))->trigger();
    QCOMPARE(rules->rowCount(), 3);
    QCOMPARE(rules->index(2, 0).data().toString(), QStringLiteral("年月2"));
    QTRY_COMPARE(rules->index(2, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("测试: 通过 2/2"));

    // Editing a rule's expression keeps its tests and runs them again.
    rules->setData(rules->index(2, 1), QStringLiteral("(\\d{4})-(\\d)"));
    QTRY_COMPARE(rules->index(2, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("测试: 通过 1/2"));

    // Putting another rule in asks first: the box's tests would be replaced.
    t.window().ui().rulesList->setCurrentIndex(rules->index(0, 0));
    t.dialogs.yesNo.push_back(false);
    t.action(QStringLiteral("规则右键菜单"), QStringLiteral("填入表达式框"))->trigger();
    QCOMPARE(t.window().ui().expression->toPlainText(), entry.pattern);
    QCOMPARE(model(t)->rowCount(), 2);

    // gz.txt keeps its format; gz.tests.json holds each rule's tests under its name and pattern.
    const QByteArray rulesBefore = readFile(QDir(t.programDir.path()).filePath(QStringLiteral("gz.txt")));
    QVERIFY(closeWithYes(t));
    const TestsParse saved =
        parseTests(readFile(QDir(t.programDir.path()).filePath(QStringLiteral("gz.tests.json"))));
    QVERIFY2(saved.ok(), qPrintable(saved.error));
    QCOMPARE(saved.file.patterns.size(), 2);
    QCOMPARE(saved.file.patterns[0].name, QStringLiteral("年月"));
    QCOMPARE(saved.file.patterns[1].name, QStringLiteral("年月2"));
    QCOMPARE(saved.file.patterns[1].pattern, QStringLiteral("(\\d{4})-(\\d)"));
    QCOMPARE(saved.file.patterns[1].tests.size(), 2);
    QCOMPARE(readFile(QDir(t.programDir.path()).filePath(QStringLiteral("gz.txt"))),
             rulesBefore + rw::toGb18030(QStringLiteral("年月2----(\\d{4})-(\\d)\r\n")));
}

void TestTestsPage::runAllTestsReports() {
    TestsFile file;
    for (const char *name : {"甲", "乙"}) {
        TestedPattern entry;
        entry.name = QString::fromUtf8(name);
        entry.pattern = QStringLiteral("a");
        entry.tests = {test(QStringLiteral("a")), test(QStringLiteral("b"), Expectation::NoMatch)};
        file.patterns.append(entry);
    }
    TestWindow t([&](const QString &dir) {
        writeFile(QDir(dir).filePath(QStringLiteral("gz.txt")), rw::toGb18030(QStringLiteral("甲----a\r\n乙----a\r\n")));
        writeFile(QDir(dir).filePath(QStringLiteral("gz.tests.json")), serializeTests(file));
    });
    QAction *runAll = t.action(QStringLiteral("规则右键菜单"), QStringLiteral("运行全部测试"));
    runAll->trigger();
    QTRY_COMPARE(t.dialogs.asked.size(), 1);
    QCOMPARE(t.dialogs.asked.last().text, QStringLiteral("全部 2 条规则的 4 个测试通过"));

    QAbstractItemModel *rules = t.window().ui().rulesList->model();
    rules->setData(rules->index(1, 1), QStringLiteral("b"));
    runAll->trigger();
    QTRY_COMPARE(t.dialogs.asked.size(), 2);
    QCOMPARE(t.dialogs.asked.last().text, QStringLiteral("以下规则的测试未通过:\n乙: 通过 0/2"));
    QCOMPARE(t.dialogs.asked.last().icon, Dialogs::Icon::Warning);
}

QTEST_MAIN(TestTestsPage)
#include "tst_testspage.moc"
