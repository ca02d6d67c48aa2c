#include "TestWindow.h"
#include "app/MainWindowUi.h"
#include "core/search/KeywordHits.h"
#include "search/KeywordMarks.h"
#include "search/KeywordSearch.h"
#include "textbox/TextEditor.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

using namespace rw;

namespace {

const QColor kOrange(255, 128, 0);
const QColor kBlue(0, 136, 255);
const QString kNoMore = QStringLiteral("没有啦");

// The colour the search gave the character at pos: o orange (found), b blue (visited), . none.
QChar colourAt(TextEditor *box, qsizetype pos) {
    for (const MarkList::Mark &m : box->marks(KeywordMarks::kLayer).overlapping(pos, pos + 1))
        return QLatin1Char(m.kind == MarkList::Kind::Found ? 'o' : 'b');
    return QLatin1Char('.');
}

// One colour letter per character; a line break shows none.
QString colours(TextEditor *box) {
    const QString text = box->toPlainText();
    QString out;
    for (qsizetype pos = 0; pos < text.size(); ++pos)
        out += text[pos] == QLatin1Char('\n') ? QLatin1Char('.') : colourAt(box, pos);
    return out;
}

// How many pixels of the box's drawing of [from, to) are near colour.
int pixelsNear(TextEditor *box, qsizetype from, qsizetype to, const QColor &colour) {
    const QImage image = box->viewport()->grab().toImage();
    const qreal ratio = image.devicePixelRatio();
    int n = 0;
    box->visitRows(from, to, [&](qsizetype, qsizetype, const QRectF &rect) {
        const QRect pixels((rect.topLeft() * ratio).toPoint(), (rect.bottomRight() * ratio).toPoint());
        for (int y = pixels.top(); y <= pixels.bottom(); ++y)
            for (int x = pixels.left(); x <= pixels.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                         std::abs(c.blue() - colour.blue()) <
                     90;
            }
        return true;
    });
    return n;
}

class Fixture {
public:
    TestWindow t;
    TextEditor *box = t.find<TextEditor>("编辑框_源文本");
    QLineEdit *keyword = t.find<QLineEdit>("编辑框_关键字");
    QPushButton *button = t.find<QPushButton>("按钮_搜索关键字");
    KeywordSearch *search = t.window().keywordSearch();

    // Presses the search button and waits until that search (and any before it) has ended.
    bool press() {
        QTest::mouseClick(button, Qt::LeftButton);
        return QTest::qWaitFor([this] { return !search->isBusy(); }, 20000);
    }
    int noMoreCount() const {
        int n = 0;
        for (const auto &a : t.dialogs.asked)
            n += a.kind == QLatin1String("tell") && a.text == kNoMore;
        return n;
    }
};

} // namespace

class TestSearch final : public QObject {
    Q_OBJECT
private slots:
    void stepsThroughHits_data();
    void stepsThroughHits();
    void noMoreMessage();
    void enterStartsSearch_data();
    void enterStartsSearch();
    void emptyKeyword();
    void sameKeywordAfterEditKeepsTotal();
    void newKeywordReplacesMarks();
    void marksFollowEdits_data();
    void marksFollowEdits();
    void markingLeavesTextAndUndo();
    void searchesWaitForEachOther();
    void changeDuringCountCountsTheNewText_data();
    void changeDuringCountCountsTheNewText();
    void enterStepsOnAndNeverTypes();
    void stepsOverAnEditedText_data();
    void stepsOverAnEditedText();
    void editDuringALongStep_data();
    void editDuringALongStep();
    void marksShowInTheirColours();
};

void TestSearch::stepsThroughHits_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QList<int>>("hits");
    QTest::addColumn<int>("total");
    // Colours after the first search, before the first hit turns blue.
    QTest::addColumn<QString>("marked");

    QTest::newRow("xAyA") << "xAyA"
                          << "A" << QList<int>{1, 3} << 2 << ".o.o";
    QTest::newRow("keyword at the start") << "Ax"
                                          << "A" << QList<int>{0} << 1 << "o.";
    QTest::newRow("overlapping: counted once, visited twice") << "AAA"
                                                              << "AA" << QList<int>{0, 1} << 1 << "oo.";
    QTest::newRow("empty text") << ""
                                << "A" << QList<int>{} << 0 << "";
    QTest::newRow("not in the text") << "xyz"
                                     << "A" << QList<int>{} << 0 << "...";
    QTest::newRow("two Chinese characters") << "这是中文，中文。"
                                            << "中文" << QList<int>{2, 5} << 2 << "..oo.oo.";
    QTest::newRow("full-width punctuation") << "你好！说你好！"
                                            << "你好！" << QList<int>{0, 4} << 2 << "ooo.ooo";
    QTest::newRow("case-sensitive") << "aAa"
                                    << "A" << QList<int>{1} << 1 << ".o.";
    QTest::newRow("line breaks count one position") << "ab\r\nA\r\n\r\nxA"
                                                    << "A" << QList<int>{3, 7} << 2 << "...o...o";
    // The box's own text, as Match reads it: a non-breaking space is not a space.
    QTest::newRow("non-breaking space finds only itself")
        << QStringLiteral("a\u00A0b a b") << QStringLiteral("a\u00A0b") << QList<int>{0} << 1 << "ooo....";
    QTest::newRow("space does not find a non-breaking space")
        << QStringLiteral("a\u00A0b a b") << QStringLiteral("a b") << QList<int>{4} << 1 << "....ooo";
}

void TestSearch::stepsThroughHits() {
    QFETCH(QString, text);
    QFETCH(QString, keyword);
    QFETCH(QList<int>, hits);
    QFETCH(int, total);
    QFETCH(QString, marked);

    Fixture f;
    f.box->setPlainText(text);
    f.keyword->setText(keyword);
    f.t.window().ui().setStatus(QStringLiteral("before"));
    const QString plain = f.box->toPlainText();

    for (int i = 0; i < hits.size(); ++i) {
        QVERIFY(f.press());
        QCOMPARE(f.t.status(), QStringLiteral("搜索结果 %1/%2").arg(i + 1).arg(total));
        QCOMPARE(f.box->selectionStart(), hits[i]);
        // Exactly the keyword's characters, whatever they are.
        QCOMPARE(f.box->selectedText(), keyword);
        QCOMPARE(colourAt(f.box, hits[i]), QLatin1Char('b'));
        QCOMPARE(f.search->total(), qsizetype(total));
        QCOMPARE(f.noMoreCount(), 0);
    }
    QVERIFY(f.press());
    QCOMPARE(f.noMoreCount(), 1);
    if (hits.isEmpty())
        QCOMPARE(f.t.status(), QStringLiteral("before"));
    QCOMPARE(f.box->toPlainText(), plain);

    // Visited hits are blue, the rest of the occurrences stay orange.
    QString expected = marked;
    for (int hit : hits)
        for (int k = 0; k < keyword.size(); ++k)
            expected[hit + k] = QLatin1Char('b');
    QCOMPARE(colours(f.box), expected);
}

void TestSearch::noMoreMessage() {
    Fixture f;
    f.box->setPlainText(QStringLiteral("xAyA"));
    f.keyword->setText(QStringLiteral("A"));
    for (int i = 0; i < 2; ++i)
        QVERIFY(f.press());
    QVERIFY(f.press());
    QCOMPARE(f.t.dialogs.asked.size(), 1);
    const auto asked = f.t.dialogs.asked.constLast();
    QCOMPARE(asked.kind, QStringLiteral("tell"));
    QCOMPARE(asked.text, kNoMore);
    QCOMPARE(asked.caption, QStringLiteral("信息："));
    QCOMPARE(asked.icon, Dialogs::Icon::None);
    // The state stays behind the last hit: the same keyword keeps saying so.
    QVERIFY(f.press());
    QCOMPARE(f.noMoreCount(), 2);
    QCOMPARE(f.search->nextStart(), qsizetype(4));
    // Another keyword in between starts the old one over.
    f.keyword->setText(QStringLiteral("y"));
    QVERIFY(f.press());
    f.keyword->setText(QStringLiteral("A"));
    QVERIFY(f.press());
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 1/2"));
    QTRY_VERIFY(f.keyword->hasFocus());
}

void TestSearch::enterStartsSearch_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Return") << int(Qt::Key_Return) << Qt::KeyboardModifiers();
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier);
}

void TestSearch::enterStartsSearch() {
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    Fixture f;
    f.box->setPlainText(QStringLiteral("xAyA"));
    f.keyword->setText(QStringLiteral("A"));
    QTest::keyClick(f.keyword, Qt::Key_X, Qt::NoModifier);
    QCOMPARE(f.t.status(), QString());
    f.keyword->setText(QStringLiteral("A"));
    QTest::keyClick(f.keyword, Qt::Key(key), modifiers);
    QTRY_COMPARE_WITH_TIMEOUT(f.t.status(), QStringLiteral("搜索结果 1/2"), 20000);
}

void TestSearch::emptyKeyword() {
    Fixture f;
    f.box->setPlainText(QStringLiteral("some text"));
    QVERIFY(f.press());
    QCOMPARE(f.noMoreCount(), 1);
    // After a real keyword, an empty one starts over and clears the marks.
    f.keyword->setText(QStringLiteral("e"));
    QVERIFY(f.press());
    f.keyword->clear();
    QVERIFY(f.press());
    QCOMPARE(f.noMoreCount(), 2);
    QCOMPARE(colours(f.box), QStringLiteral("........."));
}

void TestSearch::sameKeywordAfterEditKeepsTotal() {
    Fixture f;
    f.box->setPlainText(QStringLiteral("A-A"));
    f.keyword->setText(QStringLiteral("A"));
    QVERIFY(f.press());
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 1/2"));

    // The user types two more occurrences in front of the second one.
    f.box->setCursorPosition(2);
    f.box->insertPlainText(QStringLiteral("AA"));
    QCOMPARE(f.box->toPlainText(), QStringLiteral("A-AAA"));
    // The marks moved with the text they were on.
    QCOMPARE(colours(f.box), QStringLiteral("b...o"));

    QVERIFY(f.press());
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 2/2"));
    QCOMPARE(f.box->selectionStart(), 2);
    QVERIFY(f.press());
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 3/2"));
    QCOMPARE(f.search->total(), qsizetype(2));
}

void TestSearch::newKeywordReplacesMarks() {
    Fixture f;
    f.box->setPlainText(QStringLiteral("ab ab b"));
    f.keyword->setText(QStringLiteral("ab"));
    QVERIFY(f.press());
    QCOMPARE(colours(f.box), QStringLiteral("bb.oo.."));
    f.keyword->setText(QStringLiteral("b"));
    QVERIFY(f.press());
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 1/3"));
    QCOMPARE(colours(f.box), QStringLiteral(".b..o.o"));
}

void TestSearch::marksFollowEdits_data() {
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<QString>("expected");

    // "ab-ab-ab" searched once for "ab": the first is blue, the others orange.
    QTest::newRow("typed before a mark") << 3 << 0 << "xy"
                                         << "bb...oo.oo";
    QTest::newRow("typed inside a mark") << 4 << 0 << "x"
                                         << "bb.ooo.oo";
    QTest::newRow("typed right after a mark") << 5 << 0 << "x"
                                              << "bb.oo..oo";
    QTest::newRow("part of a mark removed") << 4 << 2 << ""
                                            << "bb.ooo";
    QTest::newRow("a whole mark removed") << 2 << 4 << ""
                                          << "bboo";
    QTest::newRow("line break typed inside a mark") << 1 << 0 << "\n"
                                                    << "b.b.oo.oo";
    QTest::newRow("line break typed before a mark") << 0 << 0 << "\n"
                                                    << ".bb.oo.oo";
}

void TestSearch::marksFollowEdits() {
    QFETCH(int, at);
    QFETCH(int, removed);
    QFETCH(QString, inserted);
    QFETCH(QString, expected);
    Fixture f;
    f.box->setPlainText(QStringLiteral("ab-ab-ab"));
    f.keyword->setText(QStringLiteral("ab"));
    QVERIFY(f.press());
    f.box->replaceRange(at, removed, inserted);
    QCOMPARE(colours(f.box), expected);
}

void TestSearch::markingLeavesTextAndUndo() {
    Fixture f;
    f.box->setFocus();
    QTest::keyClicks(f.box, QStringLiteral("one two one"));
    const quint64 revision = f.box->revision();
    QVERIFY(f.box->isUndoAvailable());

    f.keyword->setText(QStringLiteral("one"));
    QVERIFY(f.press());
    QVERIFY(f.press());
    QCOMPARE(colours(f.box), QStringLiteral("bbb.....bbb"));
    QCOMPARE(f.box->toPlainText(), QStringLiteral("one two one"));
    QCOMPARE(f.box->revision(), revision);
    QVERIFY(!f.box->isRedoAvailable());

    // Undo still takes back the typing, not some step of the search.
    f.box->undo();
    QVERIFY(f.box->toPlainText() != QStringLiteral("one two one"));
}

void TestSearch::searchesWaitForEachOther() {
    Fixture f;
    QString text;
    for (int i = 0; i < 20000; ++i)
        text += QStringLiteral("line %1 needle\n").arg(i);
    f.box->setPlainText(text);
    f.keyword->setText(QStringLiteral("needle"));
    // Three presses before the first count can be back.
    QTest::mouseClick(f.button, Qt::LeftButton);
    QTest::mouseClick(f.button, Qt::LeftButton);
    QTest::keyClick(f.keyword, Qt::Key_Return);
    QVERIFY(QTest::qWaitFor([&] { return !f.search->isBusy(); }, 30000));
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 3/20000"));
    QCOMPARE(f.search->hitNumber(), qsizetype(3));
    QCOMPARE(f.box->selectedText(), QStringLiteral("needle"));
    const int third = text.indexOf(QStringLiteral("line 2 needle")) + 7;
    QCOMPARE(f.box->selectionStart(), third);
    // Every occurrence is marked.
    QCOMPARE(f.box->marks(KeywordMarks::kLayer).size(), 20000);
    QCOMPARE(colourAt(f.box, text.lastIndexOf(QStringLiteral("needle"))), QLatin1Char('o'));
    QCOMPARE(colourAt(f.box, text.indexOf(QStringLiteral("needle"), 10000 * 18)), QLatin1Char('o'));
    QCOMPARE(colourAt(f.box, 0), QLatin1Char('.'));
}

void TestSearch::changeDuringCountCountsTheNewText_data() {
    QTest::addColumn<bool>("newText");
    QTest::newRow("typed into the box") << false;
    QTest::newRow("another text shown") << true;
}

void TestSearch::changeDuringCountCountsTheNewText() {
    QFETCH(bool, newText);
    Fixture f;
    const QString line = QStringLiteral("line needle\n");
    f.box->setPlainText(line.repeated(20000));
    f.keyword->setText(QStringLiteral("needle"));
    // The count is on a worker; its result can't arrive before the change, made before the event loop runs.
    QTest::mouseClick(f.button, Qt::LeftButton);
    QVERIFY(f.search->isBusy());
    const QString changed = QStringLiteral("needle ") + line.repeated(30000);
    if (newText) {
        f.box->setStore(TextStore(changed));
    } else {
        f.box->replaceRange(0, 0, QStringLiteral("needle "));
        f.box->replaceRange(f.box->size(), 0, line.repeated(10000));
    }
    QVERIFY(QTest::qWaitFor([&] { return !f.search->isBusy(); }, 30000));
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 1/30001"));
    QCOMPARE(f.box->selectionStart(), 0);
    QCOMPARE(colourAt(f.box, changed.lastIndexOf(QStringLiteral("needle"))), QLatin1Char('o'));
    QCOMPARE(colourAt(f.box, 7 + 5), QLatin1Char('o'));
    QCOMPARE(colourAt(f.box, 7), QLatin1Char('.'));
}

void TestSearch::enterStepsOnAndNeverTypes() {
    Fixture f;
    // The second hit lies far below the first screen.
    const QString text = QStringLiteral("GNU needle\n") + QStringLiteral("filler\n").repeated(400) +
                         QStringLiteral("needle end");
    f.box->setPlainText(text);
    const quint64 revision = f.box->revision();
    // Every key goes where the keyboard focus is, as a user's would.
    const auto press = [](auto key) { QTest::keyClick(QApplication::focusWidget(), key); };
    const auto searched = [&f] { return QTest::qWaitFor([&f] { return !f.search->isBusy(); }, 20000); };

    f.keyword->setFocus();
    QTRY_VERIFY(f.keyword->hasFocus());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("needle"));
    press(Qt::Key_Return);
    QVERIFY(searched());
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 1/2"));
    QCOMPARE(f.box->selectionStart(), 4);
    QCOMPARE(QApplication::focusWidget(), f.keyword);
    QCOMPARE(f.box->verticalScrollBar()->value(), 0);

    press(Qt::Key_Return);
    QVERIFY(searched());
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 2/2"));
    QCOMPARE(f.box->selectedText(), QStringLiteral("needle"));
    QCOMPARE(QApplication::focusWidget(), f.keyword);
    // The box scrolled to the hit.
    QVERIFY(f.box->verticalScrollBar()->value() > 0);
    QVERIFY(f.box->viewport()->rect().contains(f.box->cursorRect()));

    press(Qt::Key_Return);
    QVERIFY(searched());
    QCOMPARE(f.noMoreCount(), 1);
    QCOMPARE(QApplication::focusWidget(), f.keyword);

    // A click on the button leaves the focus in the keyword box too; a new keyword starts over.
    f.keyword->setText(QStringLiteral("GNU"));
    QTest::mouseClick(f.button, Qt::LeftButton);
    QVERIFY(searched());
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 1/1"));
    QTRY_COMPARE(QApplication::focusWidget(), f.keyword);
    press(Qt::Key_Enter);
    QVERIFY(searched());
    QCOMPARE(f.noMoreCount(), 2);

    QCOMPARE(f.box->toPlainText(), text);
    QCOMPARE(f.box->revision(), revision);
    QVERIFY(!f.box->isUndoAvailable());
}

void TestSearch::stepsOverAnEditedText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("keyword");
    // An edit after the first hit (at 0): replaces removed characters at `at` by inserted.
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("inserted");
    // The hits of the steps after the edit, and the total counted before it.
    QTest::addColumn<QList<int>>("hits");
    QTest::addColumn<int>("total");

    QTest::newRow("an edit makes an overlapping occurrence") << "AAx"
                                                             << "AA" << 2 << 1 << "A" << QList<int>{1} << 1;
    QTest::newRow("an occurrence ahead is cut") << "A-A-A"
                                                << "A" << 2 << 1 << "" << QList<int>{3} << 3;
    QTest::newRow("a line break typed into an occurrence") << "ab ab"
                                                           << "ab" << 4 << 0 << "\n"
                                                           << QList<int>{} << 2;
    // Far beyond what one step reads in one turn of the event loop.
    const int far = int(5 * kKeywordWindow);
    QTest::newRow("occurrences typed far ahead")
        << QStringLiteral("A") + QString(far, QLatin1Char('.')) << "A" << far + 1 << 0 << "AA"
        << QList<int>{far + 1, far + 2} << 1;
}

void TestSearch::stepsOverAnEditedText() {
    QFETCH(QString, text);
    QFETCH(QString, keyword);
    QFETCH(int, at);
    QFETCH(int, removed);
    QFETCH(QString, inserted);
    QFETCH(QList<int>, hits);
    QFETCH(int, total);

    Fixture f;
    f.box->setPlainText(text);
    f.keyword->setText(keyword);
    QVERIFY(f.press());
    QCOMPARE(f.box->selectionStart(), 0);
    f.box->replaceRange(at, removed, inserted);
    const QString edited = f.box->toPlainText();

    for (int i = 0; i < hits.size(); ++i) {
        QVERIFY(f.press());
        QCOMPARE(f.t.status(), QStringLiteral("搜索结果 %1/%2").arg(i + 2).arg(total));
        QCOMPARE(f.box->selectionStart(), hits[i]);
        QCOMPARE(f.box->selectedText(), keyword);
        QCOMPARE(colourAt(f.box, hits[i]), QLatin1Char('b'));
    }
    QVERIFY(f.press());
    QCOMPARE(f.noMoreCount(), 1);
    QCOMPARE(f.box->toPlainText(), edited);
}

void TestSearch::editDuringALongStep_data() {
    QTest::addColumn<int>("at");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<int>("hit"); // -1: "没有啦"

    // In "needle <filler>needle!", the step from the first needle has read some way into the filler.
    QTest::newRow("occurrence typed behind the reading") << 100 << 0 << "needle" << 100;
    QTest::newRow("occurrence typed in front of the previous hit") << 0 << 0 << "needle" << 6;
    QTest::newRow("occurrence typed ahead of the reading") << 8'000'000 << 0 << "needle" << 8'000'000;
    QTest::newRow("the occurrence ahead cut") << 9'100'007 << 6 << "" << -1;
}

void TestSearch::editDuringALongStep() {
    QFETCH(int, at);
    QFETCH(int, removed);
    QFETCH(QString, inserted);
    QFETCH(int, hit);

    Fixture f;
    const QString filler = QStringLiteral("filler\n").repeated(1'300'000);
    QCOMPARE(filler.size(), 9'100'000);
    f.box->setPlainText(QStringLiteral("needle ") + filler + QStringLiteral("needle"));
    f.keyword->setText(QStringLiteral("needle"));
    QVERIFY(f.press());
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 1/2"));
    // After an edit the counted occurrences no longer tell where the next one is: the step reads the text.
    f.box->replaceRange(f.box->size(), 0, QStringLiteral("!"));

    QTest::mouseClick(f.button, Qt::LeftButton);
    QVERIFY(f.search->isBusy());
    f.box->replaceRange(at, removed, inserted);
    QVERIFY(QTest::qWaitFor([&] { return !f.search->isBusy(); }, 20000));
    if (hit < 0) {
        QCOMPARE(f.noMoreCount(), 1);
        return;
    }
    QCOMPARE(f.noMoreCount(), 0);
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 2/2"));
    QCOMPARE(f.box->selectionStart(), hit);
    QCOMPARE(f.box->selectedText(), QStringLiteral("needle"));
}

void TestSearch::marksShowInTheirColours() {
    Fixture f;
    f.box->setPlainText(QStringLiteral("MW MW MW"));
    f.keyword->setText(QStringLiteral("MW"));
    QVERIFY(f.press());
    QVERIFY(f.press());
    QCOMPARE(colours(f.box), QStringLiteral("bb.bb.oo"));
    // The first hit shows blue, the third orange (the second is selected).
    QTRY_VERIFY(pixelsNear(f.box, 0, 2, kBlue) > 0);
    QCOMPARE(pixelsNear(f.box, 0, 2, kOrange), 0);
    QVERIFY(pixelsNear(f.box, 6, 8, kOrange) > 0);
    QCOMPARE(pixelsNear(f.box, 6, 8, kBlue), 0);
    QCOMPARE(pixelsNear(f.box, 2, 3, kOrange) + pixelsNear(f.box, 2, 3, kBlue), 0);
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
