// The big-text box as a user drives it: keys, mouse, clipboard, undo, input methods, read-only, marks,
// and texts far beyond what a QPlainTextEdit shows (a 60 M-character line, two million lines).
#include "ShownEditor.h"
#include "textbox/MarkSource.h"
#include "textbox/TextEditor.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextCharFormat>
#include <QWheelEvent>

using rw::TextEditor;

namespace {

using Shown = rw::ShownEditor;

// Keys as a small script: "text" types it; "<Name>" presses a named key; "^x" is Ctrl+x; "+" before a
// named key adds Shift.
void play(QWidget *w, const QString &script) {
    static const QHash<QString, Qt::Key> named{
        {"Left", Qt::Key_Left},    {"Right", Qt::Key_Right}, {"Up", Qt::Key_Up},
        {"Down", Qt::Key_Down},    {"Home", Qt::Key_Home},   {"End", Qt::Key_End},
        {"BS", Qt::Key_Backspace}, {"Del", Qt::Key_Delete},  {"Enter", Qt::Key_Return},
        {"Tab", Qt::Key_Tab},      {"PgUp", Qt::Key_PageUp}, {"PgDn", Qt::Key_PageDown},
        {"Ins", Qt::Key_Insert}};
    for (qsizetype i = 0; i < script.size();) {
        if (script.at(i) == u'<') {
            const qsizetype close = script.indexOf(u'>', i);
            QString name = script.mid(i + 1, close - i - 1);
            Qt::KeyboardModifiers mods;
            while (name.startsWith(u'+') || name.startsWith(u'^')) {
                mods |= name.startsWith(u'+') ? Qt::ShiftModifier : Qt::ControlModifier;
                name.remove(0, 1);
            }
            QTest::keyClick(w, named.value(name), mods);
            i = close + 1;
        } else if (script.at(i) == u'^') {
            QTest::keyClick(w, script.at(i + 1).toLatin1(), Qt::ControlModifier);
            i += 2;
        } else if (script.at(i).unicode() < 128) {
            QTest::keyClicks(w, script.mid(i, 1));
            ++i;
        } else {
            // What a keyboard layout for the script sends: a key event carrying the text.
            const qsizetype n = script.at(i).isHighSurrogate() ? 2 : 1;
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, script.mid(i, n));
            QApplication::sendEvent(w, &press);
            i += n;
        }
    }
}

} // namespace

class TstTextEditor : public QObject {
    Q_OBJECT
private slots:
    void keys_data();
    void keys();
    void undoRedo();
    void undoOfDeletingEverythingInABigText();
    void clipboard();
    void mouse();
    void inputMethod();
    void wheelAndZoom();
    void pixelScrolling_data();
    void pixelScrolling();
    void markSourcesArePaintedBeneathTheText();
    void propertiesAndOverwrite();
    void oneWrappedLineTallerThanTheView();
    void readOnly();
    void signals_();
    void marksFollowEdits();
    void scrollingFollowsLineLengths_data();
    void scrollingFollowsLineLengths();
    void oneLineOfSixtyMillion();
    void twoMillionLines();
};

void TstTextEditor::keys_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("expectedCursor");
    QTest::newRow("typing") << "" << 0 << "abc"
                            << "abc" << 3;
    QTest::newRow("backspace") << "abc" << 3 << "<BS>"
                               << "ab" << 2;
    QTest::newRow("delete") << "abc" << 0 << "<Del>"
                            << "bc" << 0;
    QTest::newRow("enter splits the line") << "abc" << 1 << "<Enter>"
                                           << "a\nbc" << 2;
    QTest::newRow("backspace joins lines") << "a\nbc" << 2 << "<BS>"
                                           << "abc" << 1;
    QTest::newRow("backspace takes a whole surrogate pair") << QStringLiteral("a😀") << 3 << "<BS>"
                                                            << "a" << 1;
    QTest::newRow("left steps over a surrogate pair")
        << QStringLiteral("a😀b") << 3 << "<Left>x" << QStringLiteral("ax😀b") << 2;
    QTest::newRow("shift+home selects, typing replaces") << "abc def" << 7 << "<+Home>x"
                                                         << "x" << 1;
    QTest::newRow("shift+left then delete") << "abcdef" << 6 << "<+Left><+Left><Del>"
                                            << "abcd" << 4;
    QTest::newRow("left collapses a selection to its start") << "abcdef" << 4 << "<+Right><+Right><Left>z"
                                                             << "abcdzef" << 5;
    QTest::newRow("ctrl+backspace deletes a word") << "one two" << 7 << "<^BS>"
                                                   << "one " << 4;
    QTest::newRow("ctrl+left goes to the word's start") << "one two" << 7 << "<^Left>_"
                                                        << "one _two" << 5;
    QTest::newRow("down keeps the column") << "abcdef\nabcdef" << 2 << "<Down>X"
                                           << "abcdef\nabXcdef" << 10;
    QTest::newRow("up to a shorter line ends at its end") << "ab\nabcdef" << 8 << "<Up>X"
                                                          << "abX\nabcdef" << 3;
    QTest::newRow("end then home") << "abc\ndef" << 5 << "<End>1<Home>2"
                                   << "abc\n2def1" << 5;
    QTest::newRow("ctrl+end, ctrl+home") << "abc\ndef" << 1 << "<^End>1<^Home>2"
                                         << "2abc\ndef1" << 1;
    QTest::newRow("select all, type") << "abc\ndef" << 1 << "^ax"
                                      << "x" << 1;
    QTest::newRow("tab inserts a tab") << "ab" << 1 << "<Tab>"
                                       << "a\tb" << 2;
    QTest::newRow("chinese typed") << "" << 0 << QStringLiteral("中文") << QStringLiteral("中文") << 2;
}

void TstTextEditor::keys() {
    QFETCH(QString, text);
    QFETCH(int, cursor);
    QFETCH(QString, script);
    QFETCH(QString, expected);
    QFETCH(int, expectedCursor);
    Shown s;
    s.box.setPlainText(text);
    s.box.setCursorPosition(cursor);
    play(&s.box, script);
    QCOMPARE(s.box.toPlainText(), expected);
    QCOMPARE(s.box.cursorPosition(), expectedCursor);
}

void TstTextEditor::undoRedo() {
    Shown s;
    s.box.setPlainText("start");
    s.box.setCursorPosition(5);
    QVERIFY(!s.box.isUndoAvailable());
    play(&s.box, " one two");
    play(&s.box, "<Enter>three");
    QCOMPARE(s.box.toPlainText(), "start one two\nthree");
    // Undo steps as QPlainTextEdit has them: the typing after the break, the break, the typing before.
    play(&s.box, "^z");
    QCOMPARE(s.box.toPlainText(), "start one two\n");
    play(&s.box, "^z");
    QCOMPARE(s.box.toPlainText(), "start one two");
    play(&s.box, "^z");
    QCOMPARE(s.box.toPlainText(), "start");
    QCOMPARE(s.box.cursorPosition(), 5);
    QVERIFY(!s.box.isUndoAvailable());
    QTest::keyClick(&s.box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(s.box.toPlainText(), "start one two");
    s.box.redo();
    QCOMPARE(s.box.toPlainText(), "start one two\n");
    s.box.redo();
    QCOMPARE(s.box.toPlainText(), "start one two\nthree");
    QVERIFY(!s.box.isRedoAvailable());
    // A new edit after an undo drops what could be redone.
    s.box.undo();
    play(&s.box, "X");
    QVERIFY(!s.box.isRedoAvailable());
    QCOMPARE(s.box.toPlainText(), "start one two\nX");
    // An undone removal leaves the caret after the text that came back.
    s.box.setSelection(6, 9);
    play(&s.box, "<Del>");
    QCOMPARE(s.box.toPlainText(), "start  two\nX");
    s.box.undo();
    QCOMPARE(s.box.toPlainText(), "start one two\nX");
    QVERIFY(!s.box.hasSelection());
    QCOMPARE(s.box.cursorPosition(), 9);
}

void TstTextEditor::undoOfDeletingEverythingInABigText() {
    Shown s;
    QString text;
    for (int i = 0; i < 200000; ++i)
        text += QStringLiteral("line %1 中文 😀\n").arg(i);
    s.box.setPlainText(text);
    play(&s.box, "^a<Del>");
    QCOMPARE(s.box.size(), 0);
    QCOMPARE(s.box.store().lineCount(), 1);
    play(&s.box, "^z");
    QCOMPARE(s.box.toPlainText(), text);
    QCOMPARE(s.box.store().lineCount(), 200001);
    QCOMPARE(s.box.store().lineStart(123456), text.indexOf(QStringLiteral("line 123456 ")));
}

void TstTextEditor::clipboard() {
    Shown s;
    QClipboard *clip = QGuiApplication::clipboard();
    s.box.setPlainText("alpha\nbeta");
    s.box.setSelection(3, 8);
    play(&s.box, "^c");
    QCOMPARE(clip->text(), "ha\nbe");
    play(&s.box, "^x");
    QCOMPARE(s.box.toPlainText(), "alpta");
    s.box.setCursorPosition(0);
    clip->setText("x\r\ny\rz");
    play(&s.box, "^v");
    // Every kind of line break comes in as one.
    QCOMPARE(s.box.toPlainText(), "x\ny\nzalpta");
    QCOMPARE(s.box.store().lineCount(), 3);
    QCOMPARE(s.box.cursorPosition(), 5);
}

void TstTextEditor::mouse() {
    Shown s;
    s.box.setPlainText("first line\nsecond words here\nthird");
    // A click puts the cursor where the character under it is.
    const QRect at = s.box.cursorRect(14);
    QVERIFY(!at.isEmpty());
    QTest::mouseClick(s.box.viewport(), Qt::LeftButton, {}, at.center() + QPoint(1, 0));
    QCOMPARE(s.box.cursorPosition(), 14);
    // A drag selects.
    const QPoint from = s.box.cursorRect(11).center() + QPoint(1, 0);
    const QPoint to = s.box.cursorRect(17).center() + QPoint(1, 0);
    QTest::mousePress(s.box.viewport(), Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, s.box.viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(s.box.viewport(), &move);
    QTest::mouseRelease(s.box.viewport(), Qt::LeftButton, {}, to);
    QCOMPARE(s.box.selectedText(), "second");
    // A double click selects the word.
    QTest::mouseDClick(s.box.viewport(), Qt::LeftButton, {}, s.box.cursorRect(20).center() + QPoint(2, 0));
    QCOMPARE(s.box.selectedText(), "words");
    // A third click selects the line with its break.
    QTest::mouseClick(s.box.viewport(), Qt::LeftButton, {}, s.box.cursorRect(20).center() + QPoint(2, 0));
    QCOMPARE(s.box.selectedText(), "second words here\n");
    // Below the last line: the end.
    QTest::mouseClick(s.box.viewport(), Qt::LeftButton, {}, QPoint(300, 190));
    QCOMPARE(s.box.cursorPosition(), s.box.size());
}

void TstTextEditor::inputMethod() {
    Shown s;
    s.box.setPlainText("ab");
    s.box.setCursorPosition(1);
    QInputMethodEvent compose(QStringLiteral("zhong"), {});
    QApplication::sendEvent(&s.box, &compose);
    // Composing text shows but is not the text yet.
    QCOMPARE(s.box.toPlainText(), "ab");
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("中"));
    QApplication::sendEvent(&s.box, &commit);
    QCOMPARE(s.box.toPlainText(), QStringLiteral("a中b"));
    QCOMPARE(s.box.cursorPosition(), 2);
    QCOMPARE(s.box.inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("a中b"));
    QCOMPARE(s.box.inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);
    QVERIFY(s.box.inputMethodQuery(Qt::ImCursorRectangle).toRectF().isValid());
    // A replacement around the cursor (as some input methods correct the last word).
    QInputMethodEvent replace;
    replace.setCommitString(QStringLiteral("文"), -1, 1);
    QApplication::sendEvent(&s.box, &replace);
    QCOMPARE(s.box.toPlainText(), QStringLiteral("a文b"));
    // A preedit shows with its caret where the input method puts it, not always at its end.
    const int before = s.box.cursorRect().x();
    QInputMethodEvent atEnd(QStringLiteral("pinyin"), {{QInputMethodEvent::Cursor, 6, 1, QVariant()}});
    QApplication::sendEvent(&s.box, &atEnd);
    const int end = s.box.cursorRect().x();
    QTextCharFormat underline;
    underline.setFontUnderline(true);
    QInputMethodEvent inside(QStringLiteral("pinyin"), {{QInputMethodEvent::Cursor, 2, 1, QVariant()},
                                                        {QInputMethodEvent::TextFormat, 0, 6, underline}});
    QApplication::sendEvent(&s.box, &inside);
    const int middle = s.box.cursorRect().x();
    QVERIFY2(before < middle && middle < end, qPrintable(QStringLiteral("%1 %2 %3").arg(before).arg(middle).arg(end)));
    QCOMPARE(s.box.toPlainText(), QStringLiteral("a文b"));
}

void TstTextEditor::wheelAndZoom() {
    Shown s;
    QStringList lines;
    for (int i = 0; i < 200; ++i)
        lines << QStringLiteral("line %1").arg(i);
    s.box.setPlainText(lines.join(u'\n'));
    const auto wheel = [&](QPoint pixels, QPoint angle, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWheelEvent e(QPointF(50, 50), s.box.mapToGlobal(QPoint(50, 50)), pixels, angle, Qt::NoButton, mods,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(s.box.viewport(), &e);
    };
    const qsizetype top = s.box.visibleRange().first;
    // A touchpad's few pixels at a time add up to rows; none of them alone moves a whole row.
    const int row = QFontMetrics(s.box.font()).lineSpacing();
    wheel(QPoint(0, -row / 3), QPoint(0, -40));
    QCOMPARE(s.box.visibleRange().first, top);
    for (int i = 0; i < 8; ++i)
        wheel(QPoint(0, -row / 3), QPoint(0, -40));
    QVERIFY(s.box.visibleRange().first > top);
    QVERIFY(s.box.visibleRange().first < top + 4 * 8);
    // A high-resolution wheel's eighth of a notch neither.
    const qsizetype after = s.box.visibleRange().first;
    wheel(QPoint(), QPoint(0, -15));
    QCOMPARE(s.box.visibleRange().first, after);
    // Ctrl+wheel zooms by a point a notch.
    const qreal size = s.box.font().pointSizeF();
    wheel(QPoint(), QPoint(0, 240), Qt::ControlModifier);
    QCOMPARE(s.box.font().pointSizeF(), size + 2);
    QCOMPARE(s.box.visibleRange().first > 0, true);
    s.box.zoomOut(2);
    QCOMPARE(s.box.font().pointSizeF(), size);
}

void TstTextEditor::pixelScrolling_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("short lines") << QStringLiteral("line of text\n").repeated(300);
    QTest::newRow("one wrapped line") << QStringLiteral("word ").repeated(1500);
    QTest::newRow("a line of many pieces") << QString(200000, u'a');
}

void TstTextEditor::pixelScrolling() {
    QFETCH(QString, text);
    Shown s;
    s.box.setPlainText(text);
    const auto wheel = [&](int pixels) {
        QWheelEvent e(QPointF(50, 50), s.box.mapToGlobal(QPoint(50, 50)), QPoint(0, pixels), QPoint(0, pixels * 2),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(s.box.viewport(), &e);
    };
    const int row = QFontMetrics(s.box.font()).lineSpacing();
    // Rows' tops may fall between pixels: a rectangle is a pixel off at most.
    const auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
    // A position on the fourth row: every pixel the touchpad scrolls moves it by a pixel, the top row
    // showing in part.
    const qsizetype probe = s.box.positionAt(QPoint(20, 4 + 3 * row + row / 2));
    const int y = s.box.cursorRect(probe).y();
    for (int i = 0; i < 7; ++i)
        wheel(-3);
    QVERIFY2(near(s.box.cursorRect(probe).y(), y - 21), qPrintable(QString::number(s.box.cursorRect(probe).y())));
    QVERIFY(s.box.positionAt(QPoint(20, 4)) < probe);
    wheel(-row);
    QVERIFY(near(s.box.cursorRect(probe).y(), y - 21 - row));
    // The top row, half hidden, still counts as in view.
    const qsizetype top = s.box.visibleRange().first;
    QVERIFY(s.box.cursorRect(top).y() < 4);
    QVERIFY(s.box.cursorRect(top).y() + row > 4);
    // Back up past the start: the view stops at the top with nothing hidden.
    wheel(10 * row);
    QCOMPARE(s.box.cursorRect(probe).y(), y);
    QCOMPARE(s.box.visibleRange().first, 0);
    // A plain wheel's notch moves whole rows, as many as the platform says, and back again.
    const auto notch = [&](int angle) {
        QWheelEvent e(QPointF(50, 50), s.box.mapToGlobal(QPoint(50, 50)), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(s.box.viewport(), &e);
    };
    const qsizetype below = s.box.positionAt(QPoint(20, 4 + QApplication::wheelScrollLines() * row + row / 2));
    notch(-120);
    QCOMPARE(s.box.cursorRect(below).y(), 4);
    notch(120);
    QCOMPARE(s.box.cursorRect(probe).y(), y);
    // The scroll bar puts a whole row on top.
    wheel(-row / 2);
    QScrollBar *bar = s.box.verticalScrollBar();
    bar->setValue(2);
    QCOMPARE(s.box.cursorRect(s.box.visibleRange().first).y(), 4);
    // Down past the end: the last row at the bottom, again nothing cut.
    bar->setValue(bar->maximum());
    wheel(-1000 * row);
    QCOMPARE(s.box.visibleRange().second, s.box.size());
    QCOMPARE(s.box.cursorRect(s.box.visibleRange().first).y(), 4);
}

void TstTextEditor::markSourcesArePaintedBeneathTheText() {
    // Paints every "beta" in the stretch it is asked for, and notes what it was asked.
    struct Betas : rw::MarkSource {
        const TextEditor *box = nullptr;
        mutable QList<QPair<qsizetype, qsizetype>> asked;
        void marksIn(qsizetype from, qsizetype to, std::vector<Mark> &marks) const override {
            asked.append({from, to});
            const QString text = box->store().mid(from, to - from);
            for (qsizetype at = text.indexOf(u"beta"); at >= 0; at = text.indexOf(u"beta", at + 1))
                marks.push_back({from + at, from + at + 4, Qt::red, Mark::Shape::Fill, 0});
        }
    };
    Shown s;
    s.box.setPlainText(QStringLiteral("alpha beta gamma\n").repeated(500));
    Betas betas;
    betas.box = &s.box;
    s.box.addMarkSource(&betas);
    // Below the baseline of "beta": no glyph there.
    const auto redAt = [&](qsizetype position) {
        const QRect r = s.box.cursorRect(position);
        return s.box.viewport()->grab().toImage().pixel(r.x() + 2, r.bottom() - 1) == QColor(Qt::red).rgb();
    };
    const auto askedForTheView = [&] {
        const auto [first, last] = s.box.visibleRange();
        // Asked once a paint, for the rows in view: from the first one's start to the end of the last
        // one, which may show in part.
        return !betas.asked.isEmpty() && betas.asked.last().first == first && betas.asked.last().second >= last &&
               betas.asked.last().second <= last + 17;
    };
    QVERIFY(redAt(6));
    QVERIFY(!redAt(0));
    QVERIFY(askedForTheView());
    s.box.scrollToTop(17 * 300);
    betas.asked.clear();
    QVERIFY(redAt(17 * 300 + 6));
    QCOMPARE(betas.asked.size(), 1);
    QVERIFY(askedForTheView());
    s.box.removeMarkSource(&betas);
    QVERIFY(!redAt(17 * 300 + 6));
}

void TstTextEditor::oneWrappedLineTallerThanTheView() {
    Shown s;
    // One line of words, far more rows than the view holds: the scroll bar reaches all of them.
    s.box.setPlainText(QStringLiteral("word ").repeated(1500));
    QScrollBar *bar = s.box.verticalScrollBar();
    QVERIFY(bar->maximum() > 10);
    bar->setValue(bar->maximum());
    QCOMPARE(s.box.visibleRange().second, s.box.size());
    QVERIFY(s.box.visibleRange().first > 0);
    bar->setValue(bar->maximum() / 2);
    const auto [first, last] = s.box.visibleRange();
    QVERIFY(first > 0 && last < s.box.size());
    // The keys keep the caret in view through the rows of the one line.
    play(&s.box, "<^Home>");
    QCOMPARE(bar->value(), 0);
    play(&s.box, "<^End>");
    QCOMPARE(bar->value(), bar->maximum());
}

void TstTextEditor::propertiesAndOverwrite() {
    Shown s;
    // The properties QPlainTextEdit has, found by name as tools and tests look for them.
    QVERIFY(s.box.setProperty("plainText", QStringLiteral("abc\ndef")));
    QCOMPARE(s.box.toPlainText(), "abc\ndef");
    QCOMPARE(s.box.property("plainText").toString(), "abc\ndef");
    QVERIFY(s.box.setProperty("placeholderText", QStringLiteral("type here")));
    QCOMPARE(s.box.placeholderText(), "type here");
    QVERIFY(s.box.setProperty("tabChangesFocus", true));
    QVERIFY(s.box.tabChangesFocus());
    s.box.setTabChangesFocus(false);
    // Insert toggles overwrite: typing replaces characters but never a line break.
    s.box.setCursorPosition(1);
    play(&s.box, "<Ins>XYZ");
    QVERIFY(s.box.property("overwriteMode").toBool());
    QCOMPARE(s.box.toPlainText(), "aXYZ\ndef");
    play(&s.box, "<Ins>Q");
    QVERIFY(!s.box.overwriteMode());
    QCOMPARE(s.box.toPlainText(), "aXYZQ\ndef");
    QVERIFY(s.box.setProperty("readOnly", true));
    play(&s.box, "R");
    QCOMPARE(s.box.toPlainText(), "aXYZQ\ndef");
}

void TstTextEditor::readOnly() {
    Shown s;
    s.box.setPlainText("fixed");
    s.box.setReadOnly(true);
    QGuiApplication::clipboard()->setText("pasted");
    play(&s.box, "abc<BS><Del><Enter>^v^x");
    QCOMPARE(s.box.toPlainText(), "fixed");
    play(&s.box, "^a^c");
    QCOMPARE(QGuiApplication::clipboard()->text(), "fixed");
    QVERIFY(!s.box.inputMethodQuery(Qt::ImEnabled).toBool());
    // The program may still write into it.
    s.box.insertPlainText("!");
    QCOMPARE(s.box.toPlainText(), "!");
}

void TstTextEditor::signals_() {
    Shown s;
    s.box.setPlainText("abc");
    QSignalSpy changes(&s.box, &TextEditor::contentsChange);
    QSignalSpy texts(&s.box, &TextEditor::textChanged);
    const quint64 before = s.box.revision();
    s.box.setSelection(1, 2);
    QCOMPARE(s.box.revision(), before);
    play(&s.box, "XY");
    QCOMPARE(changes.size(), 2);
    QCOMPARE(changes.at(0), (QVariantList{qsizetype(1), qsizetype(1), qsizetype(1)}));
    QCOMPARE(changes.at(1), (QVariantList{qsizetype(2), qsizetype(0), qsizetype(1)}));
    QCOMPARE(texts.size(), 2);
    QVERIFY(s.box.revision() > before);
}

void TstTextEditor::marksFollowEdits() {
    Shown s;
    s.box.setPlainText("one two three");
    rw::MarkList &marks = s.box.marks(1);
    marks.assign({4, 8}, 3, rw::MarkList::Kind::Found);
    s.box.marksChanged();
    s.box.setCursorPosition(0);
    play(&s.box, "__");
    QCOMPARE(s.box.marks(1).all().front().start, 6);
    // Each row in view holding part of a stretch gives a rectangle.
    int rows = 0;
    s.box.visitRows(0, s.box.size(), [&](qsizetype from, qsizetype to, const QRectF &rect) {
        ++rows;
        return from == 0 && to == s.box.size() && rect.width() > 0;
    });
    QCOMPARE(rows, 1);
    s.box.viewport()->repaint();
}

void TstTextEditor::scrollingFollowsLineLengths_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("inserted");
    const QString longLine(20000, u'a');
    const QString lines = QStringLiteral("line\n").repeated(300);
    QTest::newRow("typing in a short line") << lines << 2 << 0 << "x";
    QTest::newRow("a long line shortened") << longLine + "\n" + lines << 100 << 15000 << "";
    QTest::newRow("a short line grown long") << lines << 2 << 0 << longLine;
    QTest::newRow("a break traded for a break next to a long line")
        << lines + longLine << int(lines.size()) - 3 << 3 << "\n" + longLine;
    QTest::newRow("a long line split") << lines + longLine << int(lines.size()) + 9000 << 0 << "\n";
}

void TstTextEditor::scrollingFollowsLineLengths() {
    QFETCH(QString, text);
    QFETCH(int, position);
    QFETCH(int, removed);
    QFETCH(QString, inserted);
    // The box edited scrolls as a box given the edited text from the start.
    Shown edited;
    edited.box.setPlainText(text);
    edited.box.replaceRange(position, removed, inserted);
    Shown fresh;
    fresh.box.setPlainText(edited.box.toPlainText());
    // The scroll bar that shows takes its width from the view once the layout has run.
    QCoreApplication::processEvents();
    QCOMPARE(edited.box.viewport()->size(), fresh.box.viewport()->size());
    QCOMPARE(edited.box.verticalScrollBar()->maximum(), fresh.box.verticalScrollBar()->maximum());
    for (Shown *s : {&edited, &fresh}) {
        s->box.verticalScrollBar()->setValue(0);
        s->box.verticalScrollBar()->setValue(s->box.verticalScrollBar()->maximum());
    }
    QCOMPARE(edited.box.visibleRange(), fresh.box.visibleRange());
    play(&edited.box, "<^End>");
    QCOMPARE(edited.box.visibleRange().second, edited.box.size());
}

void TstTextEditor::oneLineOfSixtyMillion() {
    Shown s;
    QString line(60'000'000, u'7');
    for (qsizetype i = 5; i < line.size(); i += 6)
        line[i] = u' ';
    s.box.setPlainText(line);
    line.clear();
    QCOMPARE(s.box.store().lineCount(), 1);
    const auto [first, last] = s.box.visibleRange();
    QCOMPARE(first, 0);
    QVERIFY(last > 100 && last < 100000);
    // Ctrl+End goes to the end and shows it; typing there works.
    play(&s.box, "<^End>!");
    QCOMPARE(s.box.size(), 60'000'001);
    QVERIFY(!s.box.cursorRect().isEmpty());
    QCOMPARE(s.box.visibleRange().second, s.box.size());
    QCOMPARE(s.box.store().at(60'000'000), u'!');
    // The scroll bar spans the line; its middle shows the middle.
    QScrollBar *bar = s.box.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    const qsizetype middle = s.box.visibleRange().first;
    QVERIFY(middle > 29'000'000 && middle < 31'000'000);
    // Page down moves on by about a page.
    s.box.setCursorPosition(middle);
    play(&s.box, "<PgDn>");
    QVERIFY(s.box.cursorPosition() > middle);
    QVERIFY(s.box.cursorPosition() - middle < 100000);
}

void TstTextEditor::twoMillionLines() {
    Shown s;
    QString text;
    text.reserve(2'000'000 * 8);
    for (int i = 0; i < 2'000'000; ++i)
        text += QStringLiteral("%1\n").arg(i, 7, 10, QLatin1Char('0'));
    s.box.setPlainText(text);
    QCOMPARE(s.box.store().lineCount(), 2'000'001);
    s.box.scrollToTop(s.box.store().lineStart(1'500'000));
    QCOMPARE(s.box.visibleRange().first, 1'500'000 * 8);
    const qsizetype at = s.box.positionAt(QPoint(20, 10));
    QCOMPARE(s.box.store().lineAt(at), 1'500'000);
    play(&s.box, "<^End>");
    QCOMPARE(s.box.verticalScrollBar()->value(), s.box.verticalScrollBar()->maximum());
    QCOMPARE(s.box.visibleRange().second, s.box.size());
}

QTEST_MAIN(TstTextEditor)
#include "tst_texteditor.moc"
