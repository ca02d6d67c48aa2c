#include "TestWindow.h"
#include "app/MainWindowUi.h"
#include "core/tasks/TaskPool.h"
#include "textbox/TextEditor.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include <optional>

using namespace rw;

namespace {
const QString kIdle = QStringLiteral("替换");
const QString kBusy = QStringLiteral("停止替换");
const QString kButton = QStringLiteral("按钮_替换");

// Clicks Replace with the given input-box answer and waits for the run to end.
bool replaceOnce(TestWindow &t, std::optional<QString> answer) {
    t.dialogs.texts.push_back(std::move(answer));
    return t.clickAndWait(kButton, kIdle);
}

// Lets every task, abandoned ones included, end and deliver what it still posts.
void drainTasks() {
    settleTasks(*TaskPool::current());
}
} // namespace

class TestReplace final : public QObject {
    Q_OBJECT
private slots:
    void replacesEveryMatch_data();
    void replacesEveryMatch();
    void replacementTextIsKeptAcrossRuns();
    void failureLeavesTheResultAlone_data();
    void failureLeavesTheResultAlone();
    void stopAbandonsTheRun();
};

void TestReplace::replacesEveryMatch_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<bool>("caseTicked");
    QTest::addColumn<bool>("globalTicked");
    QTest::addColumn<QString>("expected");

    QTest::newRow("check boxes ignored: case and global") << "a"
                                                          << "Aa"
                                                          << "x" << true << false << "xx";
    QTest::newRow("empty replacement removes") << "\\d"
                                               << "a1b2"
                                               << "" << false << true << "ab";
    QTest::newRow("group markers") << "(\\w)(\\d)"
                                   << "a1 b2"
                                   << "$2$1" << true << true << "1a 2b";
    QTest::newRow("whole match and dollar") << "\\d+"
                                            << "x12y3"
                                            << "[$&]$$" << true << true << "x[12]$y[3]$";
    QTest::newRow("no match copies the source") << "z"
                                                << "abc\nd"
                                                << "x" << false << true << "abc\nd";
    // The engine sees "\r\n" line breaks; the box gets its own back.
    QTest::newRow("line breaks reach the engine as CRLF") << "\\r\\n"
                                                          << "a\nb\nc"
                                                          << "," << false << true << "a,b,c";
    QTest::newRow("multi-line anchors by default") << "^\\w"
                                                   << "ab\ncd"
                                                   << "#" << false << false << "#b\n#d";
}

void TestReplace::replacesEveryMatch() {
    QFETCH(QString, expression);
    QFETCH(QString, source);
    QFETCH(QString, replacement);
    QFETCH(bool, caseTicked);
    QFETCH(bool, globalTicked);
    QFETCH(QString, expected);

    TestWindow t;
    MainWindowUi &ui = t.window().ui();
    t.setInputs(expression, source);
    ui.checkCase->setChecked(caseTicked);
    ui.checkGlobal->setChecked(globalTicked);
    ui.checkMultiline->setChecked(false);
    ui.replaceResult->setPlainText(QStringLiteral("earlier result"));
    ui.tabs2->setCurrentIndex(0);

    t.dialogs.texts.push_back(replacement);
    QTest::mouseClick(ui.replaceButton, Qt::LeftButton);
    QCOMPARE(ui.replaceButton->text(), kBusy);
    QVERIFY(t.waitForCaption(kButton, kIdle));

    QCOMPARE(ui.replaceResult->toPlainText(), expected);
    QCOMPARE(t.status(), QStringLiteral("替换完毕"));
    QCOMPARE(ui.tabs2->currentIndex(), 2);
    QCOMPARE(ui.sourceText->toPlainText(), source);
    QCOMPARE(t.dialogs.asked.size(), 1);
    QCOMPARE(t.dialogs.asked[0].kind, QStringLiteral("text"));
    QCOMPARE(t.dialogs.asked[0].caption, QStringLiteral("请填写用作替换内容"));
    QCOMPARE(t.dialogs.asked[0].text, QString());
}

void TestReplace::replacementTextIsKeptAcrossRuns() {
    TestWindow t;
    MainWindowUi &ui = t.window().ui();
    t.setInputs(QStringLiteral("\\d"), QStringLiteral("a1b2"));

    QVERIFY(replaceOnce(t, std::nullopt));
    QCOMPARE(ui.replaceResult->toPlainText(), QStringLiteral("ab"));

    QVERIFY(replaceOnce(t, QStringLiteral("<$&>")));
    QCOMPARE(ui.replaceResult->toPlainText(), QStringLiteral("a<1>b<2>"));

    ui.replaceResult->clear();
    QVERIFY(replaceOnce(t, std::nullopt));
    QCOMPARE(ui.replaceResult->toPlainText(), QStringLiteral("a<1>b<2>"));

    // A confirmed empty entry is an entry too.
    QVERIFY(replaceOnce(t, QString()));
    QCOMPARE(ui.replaceResult->toPlainText(), QStringLiteral("ab"));
    QCOMPARE(ui.sourceText->toPlainText(), QStringLiteral("a1b2"));
}

void TestReplace::failureLeavesTheResultAlone_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("expectedStatus");

    QTest::newRow("rejected: unbalanced") << "a(b"
                                          << "ab"
                                          << "正则创建失败: 缺少右括号 ) (第 4 个字符)";
    QTest::newRow("rejected: lookbehind") << "(?<=a)b"
                                          << "ab"
                                          << "正则创建失败: 不支持逆序环视 (?<= (第 1 个字符)";
    QTest::newRow("runaway backtracking")
        << "^(\\w+\\s?)*$" << QString(40, u'a') + u'!' << "匹配超出回溯上限,请简化表达式";
}

void TestReplace::failureLeavesTheResultAlone() {
    QFETCH(QString, expression);
    QFETCH(QString, source);
    QFETCH(QString, expectedStatus);

    TestWindow t;
    MainWindowUi &ui = t.window().ui();
    t.setInputs(expression, source);
    ui.replaceResult->setPlainText(QStringLiteral("earlier result"));
    ui.tabs2->setCurrentIndex(1);

    QVERIFY(replaceOnce(t, QStringLiteral("x")));
    QCOMPARE(t.status(), expectedStatus);
    QCOMPARE(ui.replaceResult->toPlainText(), QStringLiteral("earlier result"));
    QCOMPARE(ui.tabs2->currentIndex(), 1);
    QCOMPARE(ui.sourceText->toPlainText(), source);
}

void TestReplace::stopAbandonsTheRun() {
    TestWindow t;
    MainWindowUi &ui = t.window().ui();
    // Long enough that the run is still going when the second click comes.
    QString big;
    for (int i = 0; i < 400000; ++i)
        big += QStringLiteral("key%1=value\n").arg(i);
    t.setInputs(QStringLiteral("(\\w+)=(\\w+)"), big);
    ui.replaceResult->setPlainText(QStringLiteral("earlier result"));
    ui.tabs2->setCurrentIndex(1);
    ui.setStatus(QStringLiteral("before"));

    t.dialogs.texts.push_back(QStringLiteral("$2=$1"));
    QTest::mouseClick(ui.replaceButton, Qt::LeftButton);
    QCOMPARE(ui.replaceButton->text(), kBusy);
    QTest::mouseClick(ui.replaceButton, Qt::LeftButton);
    QCOMPARE(ui.replaceButton->text(), kIdle);
    QCOMPARE(t.dialogs.asked.size(), 1); // a stop asks nothing

    // A new run starts at once, beside the abandoned one still winding down.
    ui.sourceText->setPlainText(QStringLiteral("a=b"));
    QVERIFY(replaceOnce(t, std::nullopt));
    QCOMPARE(ui.replaceResult->toPlainText(), QStringLiteral("b=a"));
    QCOMPARE(t.status(), QStringLiteral("替换完毕"));

    // Nothing of the abandoned run ever shows.
    ui.replaceResult->setPlainText(QStringLiteral("second result"));
    ui.setStatus(QStringLiteral("after"));
    ui.tabs2->setCurrentIndex(0);
    drainTasks();
    QCOMPARE(ui.replaceResult->toPlainText(), QStringLiteral("second result"));
    QCOMPARE(t.status(), QStringLiteral("after"));
    QCOMPARE(ui.tabs2->currentIndex(), 0);
    QCOMPARE(ui.replaceButton->text(), kIdle);
    QCOMPARE(ui.sourceText->toPlainText(), QStringLiteral("a=b"));

    // Stopped before it delivers: the earlier box content stays.
    ui.sourceText->setPlainText(big);
    QTest::mouseClick(ui.replaceButton, Qt::LeftButton);
    QTest::mouseClick(ui.replaceButton, Qt::LeftButton);
    drainTasks();
    QCOMPARE(ui.replaceResult->toPlainText(), QStringLiteral("second result"));
    QCOMPARE(t.status(), QStringLiteral("after"));
    QCOMPARE(ui.sourceText->toPlainText(), big);
}

QTEST_MAIN(TestReplace)
#include "tst_replace.moc"
