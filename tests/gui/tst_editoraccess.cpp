// The text box as a screen reader sees it, through QAccessible: its role, its text, caret and selection,
// edits made through the editable-text interface, and the events that tell of typing and caret moves.
#include "textbox/TextEditor.h"
#include "textbox/TextEditorAccessible.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QTest>

using rw::TextEditor;

namespace {

struct Told {
    QAccessible::Event type = QAccessible::InvalidEvent;
    int position = -1; // the caret for caret moves, the change's start for text changes
    QString text;      // inserted text, or as many spaces as were removed
    int selectionStart = -1, selectionEnd = -1;
};

std::vector<Told> g_told;

void record(QAccessibleEvent *event) {
    Told t;
    t.type = event->type();
    switch (event->type()) {
    case QAccessible::TextInserted: {
        auto *e = static_cast<QAccessibleTextInsertEvent *>(event);
        t.position = e->changePosition();
        t.text = e->textInserted();
        break;
    }
    case QAccessible::TextRemoved: {
        auto *e = static_cast<QAccessibleTextRemoveEvent *>(event);
        t.position = e->changePosition();
        t.text = e->textRemoved();
        break;
    }
    case QAccessible::TextUpdated: {
        auto *e = static_cast<QAccessibleTextUpdateEvent *>(event);
        t.position = e->changePosition();
        t.text = e->textInserted();
        break;
    }
    case QAccessible::TextCaretMoved:
        t.position = static_cast<QAccessibleTextCursorEvent *>(event)->cursorPosition();
        break;
    case QAccessible::TextSelectionChanged: {
        auto *e = static_cast<QAccessibleTextSelectionEvent *>(event);
        t.position = e->cursorPosition();
        t.selectionStart = e->selectionStart();
        t.selectionEnd = e->selectionEnd();
        break;
    }
    default:
        return;
    }
    g_told.push_back(t);
}

bool told(QAccessible::Event type, int position, const QString &text = {}) {
    return std::any_of(g_told.begin(), g_told.end(), [&](const Told &t) {
        return t.type == type && t.position == position && (text.isNull() || t.text == text);
    });
}

} // namespace

class TestEditorAccess : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // The offscreen platform has no accessibility bridge: the events come straight here.
        rw::setAccessibleEventSink(record);
    }

    void init() { g_told.clear(); }

    void roleTextAndState() {
        TextEditor box;
        box.setPlainText(QStringLiteral("one two\nthree"));
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&box);
        QVERIFY(iface);
        QCOMPARE(iface->role(), QAccessible::EditableText);
        QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("one two\nthree"));
        QVERIFY(iface->state().editable);
        QVERIFY(iface->state().multiLine);
        QAccessibleTextInterface *text = iface->textInterface();
        QVERIFY(text);
        QVERIFY(iface->editableTextInterface());
        QCOMPARE(text->characterCount(), 13);
        QCOMPARE(text->text(4, 11), QStringLiteral("two\nthr"));

        box.setReadOnly(true);
        QVERIFY(iface->state().readOnly);
        QVERIFY(!iface->state().editable);
    }

    void caretAndSelection() {
        TextEditor box;
        box.setPlainText(QStringLiteral("abcdef"));
        QAccessibleTextInterface *text = QAccessible::queryAccessibleInterface(&box)->textInterface();
        box.setSelection(1, 4);
        QCOMPARE(text->selectionCount(), 1);
        int start = -1, end = -1;
        text->selection(0, &start, &end);
        QCOMPARE(start, 1);
        QCOMPARE(end, 4);
        QCOMPARE(text->cursorPosition(), 4);

        // A screen reader moves the caret and selects.
        text->setSelection(0, 5, 2);
        QCOMPARE(box.anchorPosition(), 5);
        QCOMPARE(box.cursorPosition(), 2);
        text->removeSelection(0);
        QVERIFY(!box.hasSelection());
        text->setCursorPosition(6);
        QCOMPARE(box.cursorPosition(), 6);
        QCOMPARE(text->selectionCount(), 0);
    }

    void boundaries_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("start");
        QTest::newRow("word") << int(QAccessible::WordBoundary) << 10 << QStringLiteral("beta") << 8;
        QTest::newRow("char, surrogate pair") << int(QAccessible::CharBoundary) << 18
                                              << QStringLiteral("😀") << 18;
        QTest::newRow("line") << int(QAccessible::LineBoundary) << 10 << QStringLiteral("  beta gamma😀\n") << 6;
        QTest::newRow("last line") << int(QAccessible::LineBoundary) << 22 << QStringLiteral("end") << 21;
    }
    void boundaries() {
        QFETCH(int, type);
        QFETCH(int, offset);
        QFETCH(QString, expected);
        QFETCH(int, start);
        TextEditor box;
        box.setPlainText(QStringLiteral("alpha\n  beta gamma😀\nend"));
        QAccessibleTextInterface *text = QAccessible::queryAccessibleInterface(&box)->textInterface();
        int s = -1, e = -1;
        QCOMPARE(text->textAtOffset(offset, QAccessible::TextBoundaryType(type), &s, &e), expected);
        QCOMPARE(s, start);
        QCOMPARE(e, start + int(expected.size()));
    }

    void editsThroughTheInterface() {
        TextEditor box;
        box.setPlainText(QStringLiteral("hello world"));
        QAccessibleEditableTextInterface *edit =
            QAccessible::queryAccessibleInterface(&box)->editableTextInterface();
        edit->insertText(5, QStringLiteral(","));
        QCOMPARE(box.toPlainText(), QStringLiteral("hello, world"));
        edit->replaceText(7, 12, QStringLiteral("there"));
        QCOMPARE(box.toPlainText(), QStringLiteral("hello, there"));
        edit->deleteText(0, 7);
        QCOMPARE(box.toPlainText(), QStringLiteral("there"));
        box.undo();
        QCOMPARE(box.toPlainText(), QStringLiteral("hello, there"));

        // A read-only box refuses them, as it refuses typing.
        box.setReadOnly(true);
        edit->deleteText(0, 5);
        edit->insertText(0, QStringLiteral("x"));
        QAccessible::queryAccessibleInterface(&box)->setText(QAccessible::Value, QStringLiteral("gone"));
        QCOMPARE(box.toPlainText(), QStringLiteral("hello, there"));
    }

    void typingIsTold() {
        TextEditor box;
        box.resize(300, 150);
        box.show();
        box.setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.setPlainText(QStringLiteral("ab"));
        box.setCursorPosition(2);
        g_told.clear();

        QTest::keyClicks(&box, QStringLiteral("c"));
        QCOMPARE(box.toPlainText(), QStringLiteral("abc"));
        QVERIFY(told(QAccessible::TextInserted, 2, QStringLiteral("c")));
        QVERIFY(told(QAccessible::TextCaretMoved, 3));

        QTest::keyClick(&box, Qt::Key_Backspace);
        QVERIFY(told(QAccessible::TextRemoved, 2, QStringLiteral(" ")));
        QVERIFY(told(QAccessible::TextCaretMoved, 2));

        g_told.clear();
        QTest::keyClick(&box, Qt::Key_Left, Qt::ShiftModifier);
        const auto selection = std::find_if(g_told.begin(), g_told.end(), [](const Told &t) {
            return t.type == QAccessible::TextSelectionChanged;
        });
        QVERIFY(selection != g_told.end());
        QCOMPARE(selection->selectionStart, 1);
        QCOMPARE(selection->selectionEnd, 2);
        QCOMPARE(selection->position, 1);

        // Typing over the selection replaces it: told as one change.
        g_told.clear();
        QTest::keyClicks(&box, QStringLiteral("X"));
        QCOMPARE(box.toPlainText(), QStringLiteral("aX"));
        QVERIFY(told(QAccessible::TextUpdated, 1, QStringLiteral("X")));
    }

    void geometry() {
        TextEditor box;
        box.resize(300, 150);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.setPlainText(QStringLiteral("wide words\nnext"));
        QAccessibleTextInterface *text = QAccessible::queryAccessibleInterface(&box)->textInterface();
        for (int offset : {0, 3, 11, 13}) {
            const QRect rect = text->characterRect(offset);
            QVERIFY2(rect.isValid() && rect.width() > 0, qPrintable(QString::number(offset)));
            QCOMPARE(text->offsetAtPoint(rect.topLeft() + QPoint(1, rect.height() / 2)), offset);
        }
    }
};

QTEST_MAIN(TestEditorAccess)
#include "tst_editoraccess.moc"
