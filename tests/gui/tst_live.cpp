#include "TestWindow.h"
#include "app/MainWindowUi.h"
#include "core/textbox/TextStore.h"
#include "live/LiveController.h"
#include "live/LiveMarks.h"
#include "live/SourcePositions.h"
#include "match/MatchController.h"
#include "pattern/PatternOwner.h"
#include "results/ResultsView.h"
#include "textbox/TextEditor.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>

using namespace rw;

namespace {

using Marks = QList<QPair<qsizetype, qsizetype>>; // (box position, length)

struct Live {
    explicit Live(TestWindow &t)
        : t(t), controller(t.window().liveController()), label(t.find<QLabel>("标签_实时")),
          toggle(t.find<QCheckBox>("选择框_实时")), expression(t.find<QPlainTextEdit>("编辑框_表达式")),
          source(t.find<TextEditor>("编辑框_源文本")) {
        // The marks are painted in the source box, which is on the second page.
        t.find<QTabWidget>("高级选择夹2")->setCurrentIndex(1);
    }

    // Puts the texts into the boxes and waits for the live run that follows; false on time-out.
    bool type(const QString &pattern, const QString &text) {
        QSignalSpy done(controller, &LiveController::finished);
        t.setInputs(pattern, text);
        return done.wait(20000);
    }
    bool typePattern(const QString &pattern) {
        QSignalSpy done(controller, &LiveController::finished);
        expression->setPlainText(pattern);
        return done.wait(20000);
    }

    Marks marks() const {
        Marks out;
        for (const LiveMarks::Mark &m : controller->marks().visibleMarks())
            out.append({m.position, m.length});
        return out;
    }

    TestWindow &t;
    LiveController *controller;
    QLabel *label;
    QCheckBox *toggle;
    QPlainTextEdit *expression;
    TextEditor *source;
};

QString countText(int n) {
    return QStringLiteral("实时: %1 个匹配").arg(n);
}

} // namespace

class TestLive final : public QObject {
    Q_OBJECT
private slots:
    void boxPositionsAndEngineOffsetsCorrespond_data();
    void boxPositionsAndEngineOffsetsCorrespond();
    void countsAndMarksTheMatchesInView_data();
    void countsAndMarksTheMatchesInView();
    void tooltipNamesNumberPlaceAndGroups();
    void marksALongLineAcrossItsPieces_data();
    void marksALongLineAcrossItsPieces();
    void editingTheSourceDropsTheMarksAtOnce_data();
    void editingTheSourceDropsTheMarksAtOnce();
    void newKeystrokeAbandonsASlowRun();
    void failingPatternIsUnderlinedWhereItFails_data();
    void failingPatternIsUnderlinedWhereItFails();
    void untickClearsEverythingAndStopsRuns();
    void resultsListAndStatusStayAsMatchLeftThem();
    void keywordColoursStayOverLiveMarks();
    void scrollingMarksTheLinesComingIntoView();
    void settingIsRememberedAcrossWindows_data();
    void settingIsRememberedAcrossWindows();
    void matchListsWhatTheLiveSearchFound_data();
    void matchListsWhatTheLiveSearchFound();
    void matchJoinsTheLiveSearchUnderWay_data();
    void matchJoinsTheLiveSearchUnderWay();
};

void TestLive::boxPositionsAndEngineOffsetsCorrespond_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("one line") << "abc";
    QTest::newRow("two lines") << "ab\ncd";
    QTest::newRow("empty lines and a final break") << "\n\nab\n\n";
    QTest::newRow("characters outside the BMP") << "😀\n😀😀\n";
    QTest::newRow("breaks of every kind coming in") << "a\r\nb\rc\n\r\n";
    QTest::newRow("many chunks") << QStringLiteral("a line\n").repeated(20000) + QStringLiteral("end");
}

// Against the engine's text itself: walking the box's text and the "\r\n" text side by side.
void TestLive::boxPositionsAndEngineOffsetsCorrespond() {
    QFETCH(QString, text);
    const TextStore store(text);
    const QString plain = store.toPlain();
    const QString crlf = store.snapshot().toCrLf();
    const SourcePositions positions(store);

    std::vector<qsizetype> engineOf(plain.size() + 1);
    qsizetype j = 0;
    for (qsizetype i = 0; i < plain.size(); ++i) {
        engineOf[i] = j;
        if (plain[i] == u'\n') {
            QCOMPARE(crlf.mid(j, 2), QStringLiteral("\r\n"));
            j += 2;
        } else {
            QCOMPARE(crlf[j], plain[i]);
            ++j;
        }
    }
    engineOf[plain.size()] = j;
    QCOMPARE(j, crlf.size());

    qsizetype i = 0;
    qsizetype line = 0; // the "\n" before offset
    for (qsizetype offset = 0; offset <= crlf.size(); ++offset) {
        if (offset > 0 && crlf[offset - 1] == u'\n')
            ++line;
        while (i < plain.size() && engineOf[i + 1] <= offset)
            ++i;
        // An offset between "\r" and "\n" is the end of the line the break ends.
        const bool insideBreak =
            offset > 0 && crlf[offset - 1] == u'\r' && offset < crlf.size() && crlf[offset] == u'\n';
        QVERIFY(engineOf[i] == offset || insideBreak);
        if (positions.toBox(offset) != i || positions.lineOf(offset) != line)
            QFAIL(qPrintable(QStringLiteral("engine offset %1: box position %2, line %3; wanted %4, line %5")
                                 .arg(offset)
                                 .arg(positions.toBox(offset))
                                 .arg(positions.lineOf(offset))
                                 .arg(i)
                                 .arg(line)));
    }
    for (qsizetype p = 0; p <= plain.size(); ++p) {
        if (positions.toEngine(p) != engineOf[p])
            QFAIL(qPrintable(QStringLiteral("box position %1: engine offset %2, wanted %3")
                                 .arg(p)
                                 .arg(positions.toEngine(p))
                                 .arg(engineOf[p])));
    }
}

void TestLive::countsAndMarksTheMatchesInView_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("global");
    QTest::addColumn<QString>("label");
    QTest::addColumn<Marks>("marks");

    QTest::newRow("words") << "\\w+"
                           << "ab cd" << true << countText(2) << Marks{{0, 2}, {3, 2}};
    // The engine sees "\r\n" where the box has one position: later lines must not drift.
    QTest::newRow("lines further down")
        << "b+"
        << "abb\nbb\nxb" << true << countText(3) << Marks{{1, 2}, {4, 2}, {8, 1}};
    QTest::newRow("a match over a line break is marked on both lines")
        << "b\\r\\nc"
        << "ab\ncd" << true << countText(1) << Marks{{1, 1}, {3, 1}};
    QTest::newRow("a match beginning in a line break shows on the next line")
        << "\\n\\w"
        << "ab\ncd" << true << countText(1) << Marks{{3, 1}};
    QTest::newRow("a match of only a line break shows nothing")
        << "\\r\\n"
        << "ab\ncd" << true << countText(1) << Marks{};
    QTest::newRow("empty matches are thin marks")
        << "x*"
        << "ab" << true << countText(3) << Marks{{0, 0}, {1, 0}, {2, 0}};
    QTest::newRow("a character outside the BMP counts two")
        << "b"
        << "😀b\n😀😀b" << true << countText(2) << Marks{{2, 1}, {8, 1}};
    QTest::newRow("without global only the first") << "\\d"
                                                   << "1 2 3" << false << countText(1) << Marks{{0, 1}};
    QTest::newRow("no match") << "z"
                              << "abc" << true << countText(0) << Marks{};
}

void TestLive::countsAndMarksTheMatchesInView() {
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, global);
    TestWindow t;
    Live live(t);
    t.find<QCheckBox>("选择框_全局匹配")->setChecked(global);
    QVERIFY(live.type(pattern, text));
    QTEST(live.label->text(), "label");
    QTEST(live.marks(), "marks");
}

void TestLive::tooltipNamesNumberPlaceAndGroups() {
    TestWindow t;
    Live live(t);
    QVERIFY(live.type("(a)(\\d)?", "x\nab a1"));
    auto pointAt = [&](qsizetype position) {
        return live.source->cursorRect(position).center() + QPoint(3, 0);
    };
    QCOMPARE(live.controller->marks().toolTipAt(pointAt(6)),
             QStringLiteral("第 2 个匹配  第 2 行 第 4 列\n子匹配文本1: a\n子匹配文本2: 1"));
    QCOMPARE(live.controller->marks().toolTipAt(pointAt(2)),
             QStringLiteral("第 1 个匹配  第 2 行 第 1 列\n子匹配文本1: a\n子匹配文本2: (未参与)"));
    QCOMPARE(live.controller->marks().toolTipAt(pointAt(3)), QString()); // "b" is no match
}

// A line this long is laid out in pieces of TextEditor::kPieceLength, each starting a row. The line is the
// second; "yyyy" stands across the boundary of its sixth and seventh pieces.
constexpr qsizetype kLongLine = 40000;
constexpr qsizetype kLongStart = 6; // after "first\n"
constexpr qsizetype kBoundary = 6 * TextEditor::kPieceLength;
constexpr qsizetype kYs = kBoundary - 2;

void TestLive::marksALongLineAcrossItsPieces_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<Marks>("marks");
    QTest::addColumn<QString>("tip"); // its first line, for a point on the last mark
    QTest::newRow("a match across a boundary")
        << "y+" << Marks{{kLongStart + kYs, 2}, {kLongStart + kBoundary, 2}}
        << QStringLiteral("第 1 个匹配  第 2 行 第 %1 列").arg(kYs + 1);
    QTest::newRow("an empty match at a boundary is one bar")
        << "(?=yyx)" << Marks{{kLongStart + kBoundary, 0}}
        << QStringLiteral("第 1 个匹配  第 2 行 第 %1 列").arg(kBoundary + 1);
}

void TestLive::marksALongLineAcrossItsPieces() {
    QFETCH(QString, pattern);
    QFETCH(QString, tip);
    static_assert(kLongLine > TextEditor::kWholeLine);
    TestWindow t;
    Live live(t);
    QString line(kLongLine, QLatin1Char('x'));
    line.replace(kYs, 4, QStringLiteral("yyyy"));
    QVERIFY(live.type(pattern, QStringLiteral("first\n") + line));
    QCOMPARE(live.label->text(), countText(1));
    live.source->scrollToTop(kLongStart + kYs - 200);
    QTEST(live.marks(), "marks");
    const qsizetype at = live.marks().last().first;
    const QString shown =
        live.controller->marks().toolTipAt(live.source->cursorRect(at).center() + QPoint(1, 0));
    QCOMPARE(shown.section(QLatin1Char('\n'), 0, 0), tip);

    // A search of the view looks at the part of the line in view, not at the whole line.
    const qsizetype lineOffset = kLongStart + 1; // the engine's offset of the line
    const auto [from, to] = live.controller->marks().visibleRange();
    QVERIFY(from > lineOffset + TextEditor::kWholeLine);
    QVERIFY(to < lineOffset + kLongLine - TextEditor::kWholeLine);
    QVERIFY(from <= lineOffset + kYs && lineOffset + kYs + 4 <= to);
}

void TestLive::editingTheSourceDropsTheMarksAtOnce_data() {
    QTest::addColumn<bool>("whole"); // a new text put in as a whole, as loading a file does; else typing
    QTest::addColumn<QString>("text");
    QTest::addColumn<Marks>("marks");
    QTest::newRow("typing") << false << "xx" << Marks{{3, 1}, {5, 1}};
    QTest::newRow("a new text") << true << "b\nb\nb" << Marks{{0, 1}, {2, 1}, {4, 1}};
}

void TestLive::editingTheSourceDropsTheMarksAtOnce() {
    QFETCH(bool, whole);
    QFETCH(QString, text);
    QFETCH(Marks, marks);
    TestWindow t;
    Live live(t);
    QVERIFY(live.type(QStringLiteral("b"), QStringLiteral("abab")));
    QCOMPARE(live.marks(), (Marks{{1, 1}, {3, 1}}));

    QSignalSpy done(live.controller, &LiveController::finished);
    if (whole) {
        live.source->setStore(TextStore(text));
    } else {
        live.source->setCursorPosition(0);
        live.source->insertPlainText(text);
    }
    // The offsets found belong to the old text.
    QVERIFY(live.marks().isEmpty());
    QVERIFY(done.wait(20000));
    QCOMPARE(live.marks(), marks);
    QCOMPARE(live.label->text(), countText(int(marks.size())));
}

void TestLive::newKeystrokeAbandonsASlowRun() {
    TestWindow t;
    Live live(t);
    // Each line of a's makes a*a*a*c try hard before it fails; the "c" lines keep the engine polling, so
    // that the abandoned run notices soon.
    const QString line = QString(600, QLatin1Char('a')) + QStringLiteral("b\nc\n");
    live.source->setPlainText(line.repeated(400));
    QList<Marks> shown;
    connect(&live.controller->marks(), &LiveMarks::changed, this, [&] { shown.append(live.marks()); });

    QSignalSpy running(&live.controller->runState(), &RunState::runningChanged);
    live.expression->setPlainText(QStringLiteral("a*a*a*c"));
    QVERIFY(running.wait(5000));
    QVERIFY(live.controller->runState().isRunning());
    QVERIFY(live.typePattern(QStringLiteral("b")));

    QCOMPARE(live.label->text(), countText(400));
    // Nothing of the slow run ever showed: every mark shown is one of the b's.
    QVERIFY(!shown.isEmpty());
    for (const Marks &marks : shown) {
        for (const auto &mark : marks)
            QCOMPARE(mark, (QPair<qsizetype, qsizetype>(qsizetype(mark.first / 604 * 604 + 600), 1)));
    }
    QCOMPARE(live.marks().first(), (QPair<qsizetype, qsizetype>(600, 1)));
}

void TestLive::failingPatternIsUnderlinedWhereItFails_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("position"); // in the box
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("character"); // as the tooltip counts

    QTest::newRow("unclosed group") << "(ab" << 2 << 1 << 4;
    QTest::newRow("unclosed class") << "[abc" << 3 << 1 << 5;
    QTest::newRow("trailing backslash") << "ab\\" << 2 << 1 << 3;
    QTest::newRow("on the second line") << "a\n(b" << 3 << 1 << 5;
    QTest::newRow("last character outside the BMP") << "(😀" << 1 << 2 << 3;
}

void TestLive::failingPatternIsUnderlinedWhereItFails() {
    QFETCH(QString, pattern);
    QFETCH(int, position);
    QFETCH(int, length);
    QFETCH(int, character);
    TestWindow t;
    Live live(t);
    QVERIFY(live.type(QStringLiteral("a"), QStringLiteral("a a")));
    QVERIFY(!live.marks().isEmpty());

    QVERIFY(live.typePattern(pattern));
    QCOMPARE(live.label->text(), QStringLiteral("实时: 表达式错误"));
    QVERIFY(live.marks().isEmpty());
    const QList<QTextEdit::ExtraSelection> selections = live.expression->extraSelections();
    QCOMPARE(selections.size(), 1);
    QCOMPARE(selections[0].cursor.selectionStart(), position);
    QCOMPARE(selections[0].cursor.selectionEnd() - selections[0].cursor.selectionStart(), length);
    QCOMPARE(selections[0].format.underlineStyle(), QTextCharFormat::WaveUnderline);
    QVERIFY(live.expression->toolTip().startsWith(QStringLiteral("正则创建失败: ")));
    QVERIFY(live.expression->toolTip().endsWith(QStringLiteral("(第 %1 个字符)").arg(character)));

    // Once the pattern compiles the mark goes.
    QVERIFY(live.typePattern(QStringLiteral("a")));
    QVERIFY(live.expression->extraSelections().isEmpty());
    QCOMPARE(live.expression->toolTip(), QString());
    QCOMPARE(live.label->text(), countText(2));
}

void TestLive::untickClearsEverythingAndStopsRuns() {
    TestWindow t;
    Live live(t);
    QVERIFY(live.type(QStringLiteral("(a"), QStringLiteral("a a")));
    QVERIFY(!live.expression->extraSelections().isEmpty());
    QVERIFY(live.typePattern(QStringLiteral("a")));
    QCOMPARE(live.marks().size(), 2);
    QVERIFY(live.typePattern(QStringLiteral("(a")));

    live.toggle->setChecked(false);
    QVERIFY(live.marks().isEmpty());
    QCOMPARE(live.label->text(), QString());
    QVERIFY(live.expression->extraSelections().isEmpty());
    QCOMPARE(live.expression->toolTip(), QString());

    // Unticked, changes start nothing.
    QSignalSpy running(&live.controller->runState(), &RunState::runningChanged);
    t.setInputs(QStringLiteral("a"), QStringLiteral("aaa"));
    QTest::qWait(PatternOwner::pauseMillis * 3);
    QCOMPARE(running.count(), 0);
    QVERIFY(live.marks().isEmpty());

    QSignalSpy done(live.controller, &LiveController::finished);
    live.toggle->setChecked(true);
    QVERIFY(done.wait(20000));
    QCOMPARE(live.label->text(), countText(3));

    // An empty pattern empties the label as well.
    live.expression->clear();
    QTRY_COMPARE(live.label->text(), QString());
    QVERIFY(live.marks().isEmpty());
}

void TestLive::resultsListAndStatusStayAsMatchLeftThem() {
    TestWindow t;
    Live live(t);
    QVERIFY(live.type(QStringLiteral("b"), QStringLiteral("abba")));
    QVERIFY(t.clickAndWait(QStringLiteral("按钮_匹配"), QStringLiteral("匹配")));
    QAbstractItemModel *model = t.find<ResultsView>("超级列表框_结果")->model();
    QCOMPARE(model->rowCount(), 2);
    const QString status = t.status();
    const int page = t.find<QTabWidget>("高级选择夹2")->currentIndex();

    QVERIFY(live.typePattern(QStringLiteral("(a)")));
    QVERIFY(live.typePattern(QStringLiteral("(")));
    QVERIFY(live.typePattern(QStringLiteral("a")));
    QCOMPARE(live.label->text(), countText(2));
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->columnCount(), 2);
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("b"));
    QCOMPARE(t.status(), status);
    QCOMPARE(t.find<QTabWidget>("高级选择夹2")->currentIndex(), page);
}

void TestLive::keywordColoursStayOverLiveMarks() {
    TestWindow t;
    Live live(t);
    QVERIFY(live.type(QStringLiteral("key"), QStringLiteral("key key")));
    const QRect second = live.source->cursorRect(4);
    auto count = [&](auto &&wanted) {
        const QImage image = live.source->viewport()->grab().toImage();
        int n = 0;
        for (int y = second.top(); y <= second.bottom(); ++y)
            for (int x = second.left(); x < second.left() + 3 * second.height(); ++x)
                n += wanted(QColor(image.pixel(x, y))) ? 1 : 0;
        return n;
    };
    auto liveBackground = [](const QColor &c) {
        return c == QColor(255, 236, 160) || c == QColor(196, 232, 255);
    };
    auto orange = [](const QColor &c) {
        return c.red() > 200 && c.green() > 80 && c.green() < 170 && c.blue() < 90;
    };
    QVERIFY(count(liveBackground) > 0);
    QCOMPARE(count(orange), 0);

    t.find<QLineEdit>("编辑框_关键字")->setText(QStringLiteral("key"));
    QTest::mouseClick(t.find<QPushButton>("按钮_搜索关键字"), Qt::LeftButton);
    // The second "key" is the found, not the visited one: orange letters, still on the live background.
    QTRY_VERIFY_WITH_TIMEOUT(count(orange) > 0, 10000);
    QVERIFY(count(liveBackground) > 0);
    QCOMPARE(live.marks().size(), 2);
}

void TestLive::scrollingMarksTheLinesComingIntoView() {
    TestWindow t;
    Live live(t);
    QVERIFY(live.type(QStringLiteral("\\d+"), QStringLiteral("line 7\n").repeated(5000)));
    QCOMPARE(live.label->text(), countText(5000));
    const TextStore &store = live.source->store();
    auto topLine = [&] { return store.lineAt(live.source->visibleRange().first); };
    auto inView = [&] {
        const Marks marks = live.marks();
        return !marks.isEmpty() && marks.first() == qMakePair(store.lineStart(topLine()) + 5, qsizetype(1));
    };
    QVERIFY(inView());
    live.source->verticalScrollBar()->setValue(live.source->verticalScrollBar()->maximum() / 2);
    QVERIFY(topLine() > 1000);
    QVERIFY(inView());
}

void TestLive::settingIsRememberedAcrossWindows_data() {
    QTest::addColumn<QByteArray>("file"); // the settings file's content; null: no file, "/": a folder there
    QTest::addColumn<bool>("ticked");
    QTest::newRow("no file") << QByteArray() << true;
    QTest::newRow("a folder in its place") << QByteArray("/") << true;
    QTest::newRow("something else in it") << QByteArray("[live]\nhighlight=maybe\n") << true;
}

void TestLive::settingIsRememberedAcrossWindows() {
    QFETCH(QByteArray, file);
    QFETCH(bool, ticked);
    auto prepare = [&](const QString &dir) {
        const QString path = QDir(dir).filePath(QStringLiteral("settings.ini"));
        if (file == "/")
            QDir(dir).mkdir(QStringLiteral("settings.ini"));
        else if (!file.isNull()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(file);
        }
    };
    QByteArray kept;
    {
        TestWindow first(prepare);
        QCOMPARE(Live(first).toggle->isChecked(), ticked);
        if (file == "/")
            return;
        Live(first).toggle->setChecked(false);
        QFile f(QDir(first.programDir.path()).filePath(QStringLiteral("settings.ini")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        kept = f.readAll();
    }
    // The next start, with the file the first window left, starts unticked and ticks again when told.
    file = kept;
    TestWindow second(prepare);
    Live live(second);
    QVERIFY(!live.toggle->isChecked());
    QVERIFY(live.label->text().isEmpty());
    live.toggle->setChecked(true);
    file = QByteArray();
    TestWindow third([&](const QString &dir) {
        QFile::copy(QDir(second.programDir.path()).filePath(QStringLiteral("settings.ini")),
                    QDir(dir).filePath(QStringLiteral("settings.ini")));
    });
    QVERIFY(Live(third).toggle->isChecked());
}

QTEST_MAIN(TestLive)
namespace {
// Every cell of the results list, and the status, as a Match left them.
QStringList listed(TestWindow &t) {
    QAbstractItemModel *model = t.find<ResultsView>("超级列表框_结果")->model();
    QStringList out{t.status()};
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < model->columnCount(); ++c)
            row << model->index(r, c).data().toString();
        out << row.join(u'|');
    }
    for (int c = 0; c < model->columnCount(); ++c)
        out << model->headerData(c, Qt::Horizontal).toString();
    return out;
}
} // namespace

void TestLive::matchListsWhatTheLiveSearchFound_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("global");
    QTest::newRow("groups") << "(\\d+)-(\\d+)?" << "1-2 x 33- 5-6\n7-" << true;
    QTest::newRow("no match") << "z+" << "abc" << true;
    QTest::newRow("first only") << "\\w+" << "ab cd" << false;
    QTest::newRow("runaway stops at the limit") << "^(a+)+$" << QString(40, u'a') + "!" << true;
}

// With the live search's very inputs, Match lists what it found without searching again, and leaves
// exactly what a Match of its own leaves; after an edit or another option it searches for itself.
void TestLive::matchListsWhatTheLiveSearchFound() {
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    QFETCH(bool, global);
    TestWindow t;
    Live live(t);
    t.find<QCheckBox>("选择框_全局匹配")->setChecked(global);
    QVERIFY(live.type(pattern, text));
    MatchController *match = t.window().matchController();
    QSignalSpy took(match, &MatchController::tookFoundMatches);
    QVERIFY(t.clickAndWait("按钮_匹配", "匹配"));
    QCOMPARE(took.size(), 1);
    const QStringList reused = listed(t);

    // The same Match with the live search off searches for itself.
    live.toggle->setChecked(false);
    t.window().ui().setStatus(QString());
    QVERIFY(t.clickAndWait("按钮_匹配", "匹配"));
    QCOMPARE(took.size(), 1);
    QCOMPARE(listed(t), reused);

    // An edit after the live search: Match does not take what no longer fits the text, but the live
    // search of the edited text that it starts at once.
    live.toggle->setChecked(true);
    QVERIFY(live.type(pattern, text));
    live.source->setCursorPosition(0);
    live.source->insertPlainText(QStringLiteral("9-9 "));
    QVERIFY(t.clickAndWait("按钮_匹配", "匹配"));
    QCOMPARE(took.size(), 2);
    const QStringList edited = listed(t);
    live.toggle->setChecked(false);
    t.window().ui().setStatus(QString());
    QVERIFY(t.clickAndWait("按钮_匹配", "匹配"));
    QCOMPARE(took.size(), 2);
    QCOMPARE(listed(t), edited);
}

void TestLive::matchJoinsTheLiveSearchUnderWay_data() {
    QTest::addColumn<QString>("when");
    QTest::addColumn<int>("took");
    // Pressed while the live search still waits out its pause: that search starts at once.
    QTest::newRow("in its pause") << "pause" << 1;
    // Pressed while the live search goes through a long text.
    QTest::newRow("under way") << "running" << 1;
    // The pattern changes while Match waits: the live search it waited for is abandoned, and Match
    // searches its own inputs (those of the press) for itself.
    QTest::newRow("abandoned by an edit") << "edit" << 0;
}

// Match waits for the live search of its very inputs instead of searching beside it, and lists exactly
// what a Match of its own lists.
void TestLive::matchJoinsTheLiveSearchUnderWay() {
    QFETCH(QString, when);
    QFETCH(int, took);
    QString text;
    for (int i = 0; i < 150000; ++i)
        text += QStringLiteral("%1-%2 x ").arg(i).arg(i % 7);
    const QString pattern = QStringLiteral("(\\d+)-(\\d)");

    TestWindow own;
    Live(own).toggle->setChecked(false);
    own.setInputs(pattern, text);
    QVERIFY(own.clickAndWait("按钮_匹配", "匹配"));
    const QStringList expected = listed(own);
    QCOMPARE(expected.size(), 150000 + 1 + 4);

    TestWindow t;
    Live live(t);
    QSignalSpy took_(t.window().matchController(), &MatchController::tookFoundMatches);
    auto *button = t.find<QPushButton>("按钮_匹配");
    if (when == u"running") {
        // Pressed the moment the live search starts.
        bool pressed = false;
        connect(&live.controller->runState(), &RunState::runningChanged, this, [&](bool running) {
            if (running && !std::exchange(pressed, true))
                QTest::mouseClick(button, Qt::LeftButton);
        });
        t.setInputs(pattern, text);
        QTRY_VERIFY(pressed);
    } else {
        t.setInputs(pattern, text);
        QTest::mouseClick(button, Qt::LeftButton);
    }
    if (when == u"edit")
        live.expression->setPlainText(QStringLiteral("x"));
    QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("匹配"), 20000);
    QCOMPARE(took_.size(), took);
    QCOMPARE(listed(t), expected);
}

#include "tst_live.moc"
