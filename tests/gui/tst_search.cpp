#include "TestWindow.h"
#include "app/MainWindowUi.h"
#include "search/KeywordSearch.h"
#include "textbox/LargeText.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

using namespace rw;

namespace {

const QColor kOrange(255, 128, 0);
const QColor kBlue(0, 136, 255);
const QString kNoMore = QStringLiteral("没有啦");

// The colour the search gave the character at pos, or an invalid colour when it gave none.
QColor colourAt(QTextDocument *doc, int pos) {
    const QTextBlock block = doc->findBlock(pos);
    const int offset = pos - block.position();
    QColor colour;
    for (const QTextLayout::FormatRange &r : block.layout()->formats()) {
        if (offset >= r.start && offset < r.start + r.length)
            colour = r.format.foreground().color();
    }
    return colour;
}

// One colour letter per character: o orange, b blue, . none.
QString colours(QTextDocument *doc) {
    QString out;
    for (int pos = 0; pos < doc->characterCount() - 1; ++pos) {
        const QColor c = colourAt(doc, pos);
        out += QLatin1Char(c == kOrange ? 'o' : c == kBlue ? 'b' : c.isValid() ? '?' : '.');
    }
    return out;
}

class Fixture {
public:
    TestWindow t;
    QPlainTextEdit *box = t.find<QPlainTextEdit>("编辑框_源文本");
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
        const QTextCursor cursor = f.box->textCursor();
        QCOMPARE(cursor.selectionStart(), hits[i]);
        // Exactly the keyword's characters, whatever they are.
        QCOMPARE(cursor.selectedText(), keyword);
        QCOMPARE(colourAt(f.box->document(), hits[i]), kBlue);
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
    QCOMPARE(colours(f.box->document()), expected);
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
    QTRY_COMPARE(colours(f.box->document()), QStringLiteral("........."));
}

void TestSearch::sameKeywordAfterEditKeepsTotal() {
    Fixture f;
    f.box->setPlainText(QStringLiteral("A-A"));
    f.keyword->setText(QStringLiteral("A"));
    QVERIFY(f.press());
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 1/2"));

    // The user types two more occurrences in front of the second one.
    QTextCursor cursor(f.box->document());
    cursor.setPosition(2);
    cursor.insertText(QStringLiteral("AA"));
    QCOMPARE(f.box->toPlainText(), QStringLiteral("A-AAA"));
    // The marks moved with the text they were on.
    QCOMPARE(colours(f.box->document()), QStringLiteral("b...o"));

    QVERIFY(f.press());
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 2/2"));
    QCOMPARE(f.box->textCursor().selectionStart(), 2);
    QVERIFY(f.press());
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 3/2"));
    QCOMPARE(f.search->total(), qsizetype(2));
}

void TestSearch::newKeywordReplacesMarks() {
    Fixture f;
    f.box->setPlainText(QStringLiteral("ab ab b"));
    f.keyword->setText(QStringLiteral("ab"));
    QVERIFY(f.press());
    QCOMPARE(colours(f.box->document()), QStringLiteral("bb.oo.."));
    f.keyword->setText(QStringLiteral("b"));
    QVERIFY(f.press());
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 1/3"));
    QCOMPARE(colours(f.box->document()), QStringLiteral(".b..o.o"));
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
    QTextCursor edit(f.box->document());
    edit.setPosition(at);
    edit.setPosition(at + removed, QTextCursor::KeepAnchor);
    edit.insertText(inserted);
    QCOMPARE(colours(f.box->document()), expected);
}

void TestSearch::markingLeavesTextAndUndo() {
    Fixture f;
    f.box->setFocus();
    QTest::keyClicks(f.box, QStringLiteral("one two one"));
    QTextDocument *doc = f.box->document();
    const int undoSteps = doc->availableUndoSteps();
    const int revision = doc->revision();
    QVERIFY(undoSteps > 0);

    f.keyword->setText(QStringLiteral("one"));
    QVERIFY(f.press());
    QVERIFY(f.press());
    QCOMPARE(colours(doc), QStringLiteral("bbb.....bbb"));
    QCOMPARE(f.box->toPlainText(), QStringLiteral("one two one"));
    QCOMPARE(doc->availableUndoSteps(), undoSteps);
    QCOMPARE(doc->revision(), revision);
    // Character formats are untouched: the colours are the layout's, not the text's.
    QTextCursor c(doc);
    c.setPosition(1);
    QVERIFY(!c.charFormat().hasProperty(QTextFormat::ForegroundBrush));

    // Undo still takes back the typing.
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
    QCOMPARE(f.box->textCursor().selectedText(), QStringLiteral("needle"));
    const int third = text.indexOf(QStringLiteral("line 2 needle")) + 7;
    QCOMPARE(f.box->textCursor().selectionStart(), third);
    // Every occurrence is marked, however the work was spread over the event loop.
    QTextDocument *doc = f.box->document();
    QTRY_COMPARE(colourAt(doc, text.lastIndexOf(QStringLiteral("needle"))), kOrange);
    QCOMPARE(colourAt(doc, text.indexOf(QStringLiteral("needle"), 10000 * 18)), kOrange);
    QCOMPARE(colourAt(doc, 0), QColor());
}

void TestSearch::changeDuringCountCountsTheNewText_data() {
    QTest::addColumn<bool>("newDocument");
    QTest::newRow("typed into the box") << false;
    QTest::newRow("another document shown") << true;
}

void TestSearch::changeDuringCountCountsTheNewText() {
    QFETCH(bool, newDocument);
    Fixture f;
    const QString line = QStringLiteral("line needle\n");
    f.box->setPlainText(line.repeated(20000));
    f.keyword->setText(QStringLiteral("needle"));
    // The count is on a worker; its result can't arrive before the change, made before the event loop runs.
    QTest::mouseClick(f.button, Qt::LeftButton);
    QVERIFY(f.search->isBusy());
    const QString changed = QStringLiteral("needle ") + line.repeated(30000);
    if (newDocument) {
        showPlainDocument(f.box, buildPlainDocument(changed, plainDocumentSettings(f.box), f.box->thread()));
    } else {
        QTextCursor edit(f.box->document());
        edit.insertText(QStringLiteral("needle "));
        edit.movePosition(QTextCursor::End);
        edit.insertText(line.repeated(10000));
    }
    QVERIFY(QTest::qWaitFor([&] { return !f.search->isBusy(); }, 30000));
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 1/30001"));
    QCOMPARE(f.box->textCursor().selectionStart(), 0);
    QTextDocument *doc = f.box->document();
    QTRY_COMPARE(colourAt(doc, int(changed.lastIndexOf(QStringLiteral("needle")))), kOrange);
    QCOMPARE(colourAt(doc, 7 + 5), kOrange);
    QCOMPARE(colourAt(doc, 7), QColor());
}

void TestSearch::enterStepsOnAndNeverTypes() {
    Fixture f;
    // The second hit lies far below the first screen.
    const QString text = QStringLiteral("GNU needle\n") + QStringLiteral("filler\n").repeated(400) +
                         QStringLiteral("needle end");
    f.box->setPlainText(text);
    QTextDocument *doc = f.box->document();
    const int revision = doc->revision();
    const int undoSteps = doc->availableUndoSteps();
    // Every key goes where the keyboard focus is, as a user's would.
    const auto press = [](auto key) { QTest::keyClick(QApplication::focusWidget(), key); };
    const auto searched = [&f] { return QTest::qWaitFor([&f] { return !f.search->isBusy(); }, 20000); };

    f.keyword->setFocus();
    QTRY_VERIFY(f.keyword->hasFocus());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("needle"));
    press(Qt::Key_Return);
    QVERIFY(searched());
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 1/2"));
    QCOMPARE(f.box->textCursor().selectionStart(), 4);
    QCOMPARE(QApplication::focusWidget(), f.keyword);
    QCOMPARE(f.box->verticalScrollBar()->value(), 0);

    press(Qt::Key_Return);
    QVERIFY(searched());
    QCOMPARE(f.t.status(), QStringLiteral("搜索结果 2/2"));
    QCOMPARE(f.box->textCursor().selectedText(), QStringLiteral("needle"));
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
    QCOMPARE(doc->revision(), revision);
    QCOMPARE(doc->availableUndoSteps(), undoSteps);
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
