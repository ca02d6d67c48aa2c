#include "TestWindow.h"
#include "app/MainWindowUi.h"
#include "convert/CodeController.h"
#include "pattern/PatternOwner.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace rw;

class TestCodePage final : public QObject {
    Q_OBJECT
private slots:
    void buttonOpensTheSnippetsOfEachTarget();
    void warningsAreMarkedInThePatternBox();
    void invalidPatternGivesItsReasonAndNoCode();
    void expressionMenuOpensThePage();

private:
    static QDialog *dialog(TestWindow &t) { return t.window().codeController()->dialog(); }
    static QPlainTextEdit *code(TestWindow &t, const char *name) {
        return dialog(t)->findChild<QPlainTextEdit *>(QString::fromUtf8(name));
    }
    static QListWidget *notes(TestWindow &t) {
        return dialog(t)->findChild<QListWidget *>(QStringLiteral("列表_转换说明"));
    }
};

void TestCodePage::buttonOpensTheSnippetsOfEachTarget() {
    TestWindow t;
    t.setInputs(QStringLiteral("(\\d+)-(\\d+)"), QStringLiteral("1-2 33-44"));
    QTest::mouseClick(t.find<QPushButton>(QStringLiteral("按钮_生成代码")), Qt::LeftButton);
    QVERIFY(dialog(t) && dialog(t)->isVisible());
    auto *target = dialog(t)->findChild<QComboBox *>(QStringLiteral("组合框_目标语言"));
    QVERIFY(target);
    QStringList titles;
    for (int i = 0; i < target->count(); ++i)
        titles << target->itemText(i);
    QCOMPARE(titles.size(), 9);
    QCOMPARE(titles.first(), QStringLiteral("JavaScript"));
    // The snippets carry the converted pattern, the source text as their subject, and the replacement.
    QVERIFY(code(t, "编辑框_代码")->toPlainText().contains(QStringLiteral("/(\\d+)-(\\d+)/gi")));
    QVERIFY(code(t, "编辑框_代码")->toPlainText().contains(QStringLiteral("1-2 33-44")));
    QVERIFY(!code(t, "编辑框_替换代码")->toPlainText().isEmpty());

    // Another target: another language; a changed pattern follows after the pause.
    target->setCurrentIndex(target->findText(QStringLiteral("Python 3")) >= 0
                                ? target->findText(QStringLiteral("Python 3"))
                                : 1);
    QVERIFY(code(t, "编辑框_代码")->toPlainText().contains(QStringLiteral("import re")));
    t.window().ui().expression->setPlainText(QStringLiteral("x(\\d)"));
    QTRY_VERIFY(code(t, "编辑框_代码")->toPlainText().contains(QStringLiteral("x(\\d)")));
}

void TestCodePage::warningsAreMarkedInThePatternBox() {
    TestWindow t;
    // Go has no back references: the warning names \1 and the box marks it.
    t.setInputs(QStringLiteral("(a)b\\1"), QStringLiteral("aba"));
    t.window().codeController()->open();
    auto *target = dialog(t)->findChild<QComboBox *>(QStringLiteral("组合框_目标语言"));
    target->setCurrentIndex(target->findData(int(ConvertTarget::Go)));
    QVERIFY(notes(t)->count() > 0);
    QVERIFY(notes(t)->item(0)->text().contains(QStringLiteral("\\1")));
    QPlainTextEdit *box = t.window().ui().expression;
    const auto marked = [&] {
        QStringList texts;
        for (const QTextEdit::ExtraSelection &s : box->extraSelections())
            texts << s.cursor.selectedText();
        return texts;
    };
    QVERIFY(marked().contains(QStringLiteral("\\1")));
    // Picking the warning selects its construct.
    notes(t)->setCurrentRow(0);
    QCOMPARE(box->textCursor().selectedText(), QStringLiteral("\\1"));
    // Closed, the page leaves no mark behind.
    dialog(t)->close();
    QVERIFY(!marked().contains(QStringLiteral("\\1")));
}

void TestCodePage::invalidPatternGivesItsReasonAndNoCode() {
    TestWindow t;
    t.setInputs(QStringLiteral("a(b"), {});
    t.window().codeController()->open();
    QVERIFY(code(t, "编辑框_代码")->toPlainText().startsWith(QStringLiteral("正则创建失败")));
    QVERIFY(!code(t, "编辑框_代码")->toPlainText().contains(QStringLiteral("a(b")));
    QCOMPARE(notes(t)->count(), 1);
}

void TestCodePage::expressionMenuOpensThePage() {
    TestWindow t;
    QPlainTextEdit *box = t.window().ui().expression;
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5), box->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(box, &request);
    QMenu *menu = t.window().findChild<QMenu *>(QStringLiteral("表达式右键菜单"));
    if (!menu)
        menu = box->findChild<QMenu *>(QStringLiteral("表达式右键菜单"));
    QVERIFY(menu);
    QAction *open = nullptr;
    for (QAction *action : menu->actions())
        if (action->text() == QStringLiteral("生成代码..."))
            open = action;
    QVERIFY(open);
    // The standard items are still there.
    QVERIFY(menu->actions().size() > 3);
    open->trigger();
    QVERIFY(dialog(t) && dialog(t)->isVisible());
    menu->close();
}

QTEST_MAIN(TestCodePage)
#include "tst_codepage.moc"
