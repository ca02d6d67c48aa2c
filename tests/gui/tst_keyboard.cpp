#include "TestWindow.h"
#include "app/MainWindowUi.h"
#include "match/MatchController.h"
#include "results/ResultsView.h"
#include "textbox/TextEditor.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

using namespace rw;

class TestKeyboard final : public QObject {
    Q_OBJECT
private slots:
    void windowKeys_data();
    void windowKeys();
    void escStopsARunningMatchAndMatchKeysDoNot();
    void textBoxesKeepTheirOwnKeys_data();
    void textBoxesKeepTheirOwnKeys();
};

namespace {
// Shows the page of widget, gives it the focus and waits until it has it.
bool focusOn(TestWindow &t, QWidget *widget) {
    t.window().activateWindow();
    if (!QTest::qWaitForWindowActive(&t.window()))
        return false;
    for (QWidget *w = widget; w; w = w->parentWidget())
        if (auto *tabs =
                qobject_cast<QTabWidget *>(w->parentWidget() ? w->parentWidget()->parentWidget() : nullptr))
            tabs->setCurrentWidget(w);
    widget->setFocus();
    return QTest::qWaitFor([widget] { return widget->hasFocus(); });
}

void moveToEnd(QPlainTextEdit *edit) {
    edit->moveCursor(QTextCursor::End);
}
void moveToEnd(TextEditor *edit) {
    edit->setCursorPosition(edit->size());
}
QString selectedText(const QPlainTextEdit *edit) {
    return edit->textCursor().selectedText();
}
QString selectedText(const TextEditor *edit) {
    return edit->selectedText();
}

// Types, undoes and selects all with the keys in the focused box.
template <typename Box> void typeUndoAndSelectAll(TestWindow &t, Box *edit) {
    QVERIFY(edit);
    edit->setPlainText(QStringLiteral("abc"));
    QVERIFY(focusOn(t, edit));
    moveToEnd(edit);
    QTest::keyClicks(edit, QStringLiteral("xy"));
    QCOMPARE(edit->toPlainText(), QStringLiteral("abcxy"));
    QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(edit->toPlainText(), QStringLiteral("abc"));
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(selectedText(edit), QStringLiteral("abc"));
}
} // namespace

void TestKeyboard::windowKeys_data() {
    QTest::addColumn<QString>("focused");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("effect");
    const int ctrl = Qt::ControlModifier;
    const int keypadCtrl = Qt::ControlModifier | Qt::KeypadModifier;
    QTest::newRow("Ctrl+Return in the pattern box")
        << "编辑框_表达式" << int(Qt::Key_Return) << ctrl << "match";
    QTest::newRow("keypad Ctrl+Enter in the source box")
        << "编辑框_源文本" << int(Qt::Key_Enter) << keypadCtrl << "match";
    QTest::newRow("F5 in the keyword box") << "编辑框_关键字" << int(Qt::Key_F5) << 0 << "match";
    QTest::newRow("F5 on a check box") << "选择框_全局匹配" << int(Qt::Key_F5) << 0 << "match";
    QTest::newRow("Ctrl+Return in the notes") << "编辑框_记录" << int(Qt::Key_Return) << ctrl << "match";
    QTest::newRow("Ctrl+F in the pattern box") << "编辑框_表达式" << int(Qt::Key_F) << ctrl << "find";
    QTest::newRow("Ctrl+F in the results list") << "超级列表框_结果" << int(Qt::Key_F) << ctrl << "find";
}

void TestKeyboard::windowKeys() {
    QFETCH(QString, focused);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, effect);
    TestWindow t;
    MainWindowUi &ui = t.window().ui();
    t.setInputs(QStringLiteral("b+"), QStringLiteral("abba"));
    ui.keyword->setText(QStringLiteral("word"));
    const QString patternBefore = ui.expression->toPlainText();
    QWidget *target = t.find<QWidget>(focused);
    QVERIFY(focusOn(t, target));

    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    if (effect == QLatin1String("match")) {
        QTRY_COMPARE(ui.resultsList->model()->rowCount(), 1);
        QCOMPARE(ui.tabs2->currentIndex(), 0);
    } else {
        QCOMPARE(ui.tabs2->currentWidget(), ui.keyword->parentWidget());
        QTRY_VERIFY(ui.keyword->hasFocus());
        QCOMPARE(ui.keyword->selectedText(), QStringLiteral("word"));
        QCOMPARE(ui.resultsList->model()->rowCount(), 0);
    }
    // The key went to the window, not into the box: no line break, no letter.
    QCOMPARE(ui.expression->toPlainText(), patternBefore);
    QCOMPARE(ui.sourceText->toPlainText(), QStringLiteral("abba"));
}

void TestKeyboard::escStopsARunningMatchAndMatchKeysDoNot() {
    TestWindow t;
    MainWindowUi &ui = t.window().ui();
    t.setInputs(QStringLiteral("(a)"), QStringLiteral("aaa\n").repeated(1'000'000));
    QVERIFY(focusOn(t, ui.expression));
    // Esc while idle stays with the focused control and starts or stops nothing.
    QTest::keyClick(ui.expression, Qt::Key_Escape);
    QCOMPARE(ui.matchButton->text(), QStringLiteral("匹配"));

    QTest::keyClick(ui.expression, Qt::Key_F5);
    QCOMPARE(ui.matchButton->text(), QStringLiteral("正在匹配"));
    QVERIFY(t.window().matchController()->runState().isRunning());
    // A second match key neither stops nor restarts the run.
    QTest::keyClick(ui.expression, Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(t.window().matchController()->runState().isRunning());

    QTest::keyClick(ui.expression, Qt::Key_Escape);
    QVERIFY(!t.window().matchController()->runState().isRunning());
    QCOMPARE(ui.matchButton->text(), QStringLiteral("匹配"));
}

void TestKeyboard::textBoxesKeepTheirOwnKeys_data() {
    QTest::addColumn<QString>("box");
    QTest::newRow("pattern box") << "编辑框_表达式";
    QTest::newRow("source box") << "编辑框_源文本";
    QTest::newRow("notes") << "编辑框_记录";
}

void TestKeyboard::textBoxesKeepTheirOwnKeys() {
    QFETCH(QString, box);
    TestWindow t;
    auto *edit = t.find<QWidget>(box);
    if (auto *big = qobject_cast<TextEditor *>(edit))
        typeUndoAndSelectAll(t, big);
    else
        typeUndoAndSelectAll(t, qobject_cast<QPlainTextEdit *>(edit));
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
