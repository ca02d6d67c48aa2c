#include "TestWindow.h"
#include "live/LiveController.h"
#include "live/LiveMarks.h"
#include "match/MatchController.h"
#include "results/ResultsView.h"
#include "textbox/TextEditor.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>

using namespace rw;

namespace {

const QString kPerLine = QStringLiteral("选择框_逐行匹配");

// Clicks a check box until it shows ticked (a click on its caption, as a user gives it).
void tick(TestWindow &t, const QString &name, bool ticked) {
    auto *box = t.find<QCheckBox>(name);
    if (box->isChecked() != ticked)
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() / 2, box->height() / 2));
}

// Every row of the results list, cells joined by "|", then the headers.
QStringList listed(TestWindow &t) {
    QAbstractItemModel *model = t.find<ResultsView>("超级列表框_结果")->model();
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < model->columnCount(); ++c)
            row << model->index(r, c).data().toString();
        out << row.join(u'|');
    }
    QStringList headers;
    for (int c = 0; c < model->columnCount(); ++c)
        headers << model->headerData(c, Qt::Horizontal).toString();
    out << headers.join(u'|');
    return out;
}

QString settingsFile(const QString &dir) {
    return QDir(dir).filePath(QStringLiteral("settings.ini"));
}

} // namespace

class TestPerLine final : public QObject {
    Q_OBJECT
private slots:
    void matchListsLineNumbersLast_data();
    void matchListsLineNumbersLast();
    void replaceGoesLineByLine_data();
    void replaceGoesLineByLine();
    void liveHighlightMarksEachLine();
    void settingSurvivesARestart();
};

void TestPerLine::matchListsLineNumbersLast_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("global");
    QTest::addColumn<QStringList>("perLine"); // rows and headers with the box ticked
    QTest::addColumn<QStringList>("whole");   // and without it: the list as it always was

    QTest::newRow("groups, numbered on through the lines")
        << "(\\w)(\\d)"
        << "a1 b2\nc3\n\nd4" << true
        << QStringList{"1|a1|a|1|1", "2|b2|b|2|1", "3|c3|c|3|2", "4|d4|d|4|4",
                       "序号|匹配文本|子匹配文本1|子匹配文本2|行号"}
        << QStringList{"1|a1|a|1", "2|b2|b|2", "3|c3|c|3", "4|d4|d|4",
                       "序号|匹配文本|子匹配文本1|子匹配文本2"};
    QTest::newRow("not global: the first of each line")
        << "\\d"
        << "1 2\n3 4\n\n5" << false << QStringList{"1|1|1", "2|3|2", "3|5|4", "序号|匹配文本|行号"}
        << QStringList{"1|1", "序号|匹配文本"};
    QTest::newRow("anchors at each line")
        << "^\\w+$"
        << "ab\ncd\n"
        << true << QStringList{"1|ab|1", "2|cd|2", "序号|匹配文本|行号"} << QStringList{"序号|匹配文本"};
    QTest::newRow("nothing reaches over a break")
        << "b\\s+c"
        << "ab\ncd" << true << QStringList{"序号|匹配文本|行号"} << QStringList{"1|b↵c", "序号|匹配文本"};
}

// With the box ticked each line is matched alone and 行号 comes last; unticked, the same window lists what
// it always listed. Both with the live search on (Match lists what it found) and off (Match searches).
void TestPerLine::matchListsLineNumbersLast() {
    QFETCH(QString, expression);
    QFETCH(QString, source);
    QFETCH(bool, global);
    QFETCH(QStringList, perLine);
    QFETCH(QStringList, whole);

    for (const bool live : {false, true}) {
        TestWindow t;
        tick(t, QStringLiteral("选择框_实时"), live);
        tick(t, QStringLiteral("选择框_全局匹配"), global);
        tick(t, kPerLine, true);
        QVERIFY(t.find<QCheckBox>(kPerLine)->isChecked());
        t.setInputs(expression, source);
        QSignalSpy took(t.window().matchController(), &MatchController::tookFoundMatches);
        // The line column stays last while the group columns come in before it.
        QAbstractItemModelTester tester(t.find<ResultsView>("超级列表框_结果")->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        if (live)
            QVERIFY(QSignalSpy(t.window().liveController(), &LiveController::finished).wait(20000));
        QVERIFY(t.clickAndWait(QStringLiteral("按钮_匹配"), QStringLiteral("匹配")));
        QCOMPARE(took.size(), live ? 1 : 0);
        QCOMPARE(listed(t), perLine);
        const int rows = int(perLine.size()) - 1;
        const int groups = expression.count(u'(');
        QCOMPARE(
            t.status(),
            QStringLiteral("正则匹配成功,匹配数量: %1 -子匹配数量: %2").arg(rows).arg(rows > 0 ? groups : 0));

        tick(t, kPerLine, false);
        if (live)
            QVERIFY(QSignalSpy(t.window().liveController(), &LiveController::finished).wait(20000));
        QVERIFY(t.clickAndWait(QStringLiteral("按钮_匹配"), QStringLiteral("匹配")));
        QCOMPARE(listed(t), whole);
    }
}

void TestPerLine::replaceGoesLineByLine_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("perLine");
    QTest::addColumn<QString>("whole");

    QTest::newRow("anything, each line alone") << "[\\s\\S]+"
                                               << "ab\ncd\n\nef"
                                               << "x"
                                               << "x\nx\n\nx"
                                               << "x";
    // Over the whole text, a line start is also found between the "\r" and the "\n" of a break.
    QTest::newRow("line starts") << "^"
                                 << "ab\ncd"
                                 << "> "
                                 << "> ab\n> cd"
                                 << "> ab\n> \n> cd";
    QTest::newRow("white space, not the breaks") << "\\s+"
                                                 << "a b \n c"
                                                 << "_"
                                                 << "a_b_\n_c"
                                                 << "a_b_c";
    QTest::newRow("before and after within the line") << "b"
                                                      << "abc\nb"
                                                      << "[$`$']"
                                                      << "a[ac]c\n[]"
                                                      << "a[ac\nb]c\n[abc\n]";
}

// Replace keeps its own options whatever the three boxes say, but goes line by line with the box ticked,
// leaving the line breaks as they are.
void TestPerLine::replaceGoesLineByLine() {
    QFETCH(QString, expression);
    QFETCH(QString, source);
    QFETCH(QString, replacement);
    QFETCH(QString, perLine);
    QFETCH(QString, whole);

    TestWindow t;
    tick(t, QStringLiteral("选择框_全局匹配"), false);
    tick(t, QStringLiteral("选择框_区分大小写"), true);
    t.setInputs(expression, source);
    auto *result = t.find<TextEditor>("编辑框_替换结果");
    for (const bool ticked : {true, false}) {
        tick(t, kPerLine, ticked);
        t.dialogs.texts.push_back(replacement);
        QVERIFY(t.clickAndWait(QStringLiteral("按钮_替换"), QStringLiteral("替换")));
        QCOMPARE(t.status(), QStringLiteral("替换完毕"));
        QCOMPARE(result->toPlainText(), ticked ? perLine : whole);
    }
}

// The live marks and count follow the box: each line's start is a text start.
void TestPerLine::liveHighlightMarksEachLine() {
    TestWindow t;
    t.find<QTabWidget>("高级选择夹2")->setCurrentIndex(1);
    LiveController *live = t.window().liveController();
    auto marks = [&] {
        QList<QPair<qsizetype, qsizetype>> out;
        for (const LiveMarks::Mark &m : live->marks().visibleMarks())
            out.append({m.position, m.length});
        return out;
    };
    QSignalSpy done(live, &LiveController::finished);
    t.setInputs(QStringLiteral("^\\w"), QStringLiteral("ab\n\ncd\n😀e"));
    QVERIFY(done.wait(20000));
    QCOMPARE(marks(), (QList<QPair<qsizetype, qsizetype>>{{0, 1}}));

    tick(t, kPerLine, true);
    QVERIFY(done.wait(20000));
    QCOMPARE(marks(), (QList<QPair<qsizetype, qsizetype>>{{0, 1}, {4, 1}}));
    QCOMPARE(t.find<QLabel>("标签_实时")->text(), QStringLiteral("实时: 2 个匹配"));
}

// Unticked at the first start; each change is in settings.ini at once, and the next start begins with it,
// its first Match already line by line. The live highlight's own setting stays as it was.
void TestPerLine::settingSurvivesARestart() {
    QByteArray kept;
    auto keptFrom = [&](TestWindow &t) {
        QFile f(settingsFile(t.programDir.path()));
        kept = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    auto prepare = [&](const QString &dir) {
        QFile f(settingsFile(dir));
        if (f.open(QIODevice::WriteOnly))
            f.write(kept);
    };
    {
        TestWindow first;
        QVERIFY(!first.find<QCheckBox>(kPerLine)->isChecked());
        tick(first, kPerLine, true);
        keptFrom(first);
        QVERIFY2(kept.contains("perLine=true"), kept.constData());
    }
    {
        TestWindow second(prepare);
        QVERIFY(second.find<QCheckBox>(kPerLine)->isChecked());
        QVERIFY(second.find<QCheckBox>("选择框_实时")->isChecked());
        tick(second, QStringLiteral("选择框_实时"), false);
        second.setInputs(QStringLiteral("^\\w"), QStringLiteral("ab\ncd"));
        QVERIFY(second.clickAndWait(QStringLiteral("按钮_匹配"), QStringLiteral("匹配")));
        QCOMPARE(listed(second), (QStringList{"1|a|1", "2|c|2", "序号|匹配文本|行号"}));
        tick(second, kPerLine, false);
        keptFrom(second);
    }
    TestWindow third(prepare);
    QVERIFY(!third.find<QCheckBox>(kPerLine)->isChecked());
    QVERIFY(!third.find<QCheckBox>("选择框_实时")->isChecked());
}

QTEST_MAIN(TestPerLine)
#include "tst_perline.moc"
