#include "TestWindow.h"
#include "app/MainWindowUi.h"
#include "textbox/BoxLoader.h"
#include "textbox/LargePaste.h"
#include "textbox/TextEditor.h"

#include <QAction>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextLayout>

#include "core/tasks/TaskPool.h"

#include <functional>

using namespace rw;

namespace {

const QString kSourceMenu = QStringLiteral("源文本右键菜单");
const QString kReplaceMenu = QStringLiteral("替换结果右键菜单");
const QString kSource = QStringLiteral("编辑框_源文本");
const QString kReplace = QStringLiteral("编辑框_替换结果");

} // namespace

class TestTextBox final : public QObject {
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void undo();
    void laterCopyAllWins();
    void deleteAndPasteALongRunTakesThePastePath();
    void deleteAndPasteWithoutText();
    void menusOpenAtPointer();
    void patternBoxShowsInvisiblesAfterLoading();
    void largePasteGivesWhatAPasteGives_data();
    void largePasteGivesWhatAPasteGives();
    void hugePasteIsBuiltOffTheWindow();
};

void TestTextBox::commands_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    // Selected characters [0, selected); 0 for none.
    QTest::addColumn<int>("selected");
    // The answer to "是否全部删除?", or -1 when nothing is to be asked.
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("expectedText");
    QTest::addColumn<QString>("expectedClipboard");

    const QString s = kSourceMenu, r = kReplaceMenu;
    const QString filled = QStringLiteral("abc 中文\ndef");
    // The clipboard holds "clip" before each command.
    QTest::newRow("复制 selection") << s << "复制" << kSource << filled << 3 << -1 << filled << "abc";
    QTest::newRow("复制 empty box") << s << "复制" << kSource << "" << 0 << -1 << ""
                                    << "clip";
    QTest::newRow("粘贴 over selection") << s << "粘贴" << kSource << filled << 3 << -1 << "clip 中文\ndef"
                                         << "clip";
    QTest::newRow("粘贴 empty box") << s << "粘贴" << kSource << "" << 0 << -1 << "clip"
                                    << "clip";
    QTest::newRow("剪切 selection") << s << "剪切" << kSource << filled << 3 << -1 << " 中文\ndef"
                                    << "abc";
    QTest::newRow("剪切 empty box") << s << "剪切" << kSource << "" << 0 << -1 << ""
                                    << "clip";
    QTest::newRow("复制全部") << s << "复制全部" << kSource << filled << 0 << -1 << filled << filled;
    QTest::newRow("复制全部 empty box") << s << "复制全部" << kSource << "" << 0 << -1 << ""
                                        << "";
    QTest::newRow("删除全部 Yes") << s << "删除全部" << kSource << filled << 0 << 1 << ""
                                  << "clip";
    QTest::newRow("删除全部 No") << s << "删除全部" << kSource << filled << 0 << 0 << filled << "clip";
    QTest::newRow("删除全部 empty box Yes") << s << "删除全部" << kSource << "" << 0 << 1 << ""
                                            << "clip";
    QTest::newRow("删除并粘贴") << s << "删除并粘贴" << kSource << filled << 3 << -1 << "clip"
                                << "clip";
    QTest::newRow("删除并粘贴 empty box") << s << "删除并粘贴" << kSource << "" << 0 << -1 << "clip"
                                          << "clip";
    QTest::newRow("A复制 selection") << r << "A复制" << kReplace << filled << 3 << -1 << filled << "abc";
    QTest::newRow("A复制 empty box") << r << "A复制" << kReplace << "" << 0 << -1 << ""
                                     << "clip";
    QTest::newRow("A全部删除 Yes") << r << "A全部删除" << kReplace << filled << 0 << 1 << ""
                                   << "clip";
    QTest::newRow("A全部删除 No") << r << "A全部删除" << kReplace << filled << 0 << 0 << filled << "clip";
    QTest::newRow("A复制全部") << r << "A复制全部" << kReplace << filled << 0 << -1 << filled << filled;
    QTest::newRow("A复制全部 empty box") << r << "A复制全部" << kReplace << "" << 0 << -1 << ""
                                         << "";
}

void TestTextBox::commands() {
    QFETCH(QString, menu);
    QFETCH(QString, caption);
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(int, selected);
    QFETCH(int, answer);
    QFETCH(QString, expectedText);
    QFETCH(QString, expectedClipboard);

    TestWindow t;
    auto *edit = t.find<TextEditor>(box);
    edit->setPlainText(text);
    edit->setSelection(0, selected);
    QGuiApplication::clipboard()->setText(QStringLiteral("clip"));
    if (answer >= 0)
        t.dialogs.yesNo.push_back(answer == 1);

    QAction *item = t.action(menu, caption);
    QVERIFY(item);
    item->trigger();

    QCOMPARE(edit->toPlainText(), expectedText);
    // The whole text is joined for the clipboard on a worker.
    QTRY_COMPARE(QGuiApplication::clipboard()->text(), expectedClipboard);
    // Whatever a command changes goes back with one undo step.
    if (expectedText != text) {
        edit->undo();
        QCOMPARE(edit->toPlainText(), text);
    }
    if (answer < 0) {
        QVERIFY(t.dialogs.asked.isEmpty());
        return;
    }
    QCOMPARE(t.dialogs.asked.size(), 1);
    const auto asked = t.dialogs.asked[0];
    QCOMPARE(asked.kind, QStringLiteral("yesno"));
    QCOMPARE(asked.text, QStringLiteral("是否全部删除?"));
    QCOMPARE(asked.caption, QStringLiteral("信息："));
    QCOMPARE(asked.icon, Dialogs::Icon::Question);
}

void TestTextBox::undo() {
    TestWindow t;
    auto *edit = t.find<TextEditor>(kSource);
    t.action(kSourceMenu, QStringLiteral("撤销"))->trigger();
    QCOMPARE(edit->toPlainText(), QString());
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("typed"));
    QCOMPARE(edit->toPlainText(), QStringLiteral("typed"));
    t.action(kSourceMenu, QStringLiteral("撤销"))->trigger();
    QCOMPARE(edit->toPlainText(), QString());
}

// 复制全部 joins the text on a worker: a copy of a big text still under way when a small one is asked for
// must not land on the clipboard after it.
void TestTextBox::laterCopyAllWins() {
    TestWindow t;
    auto *source = t.find<TextEditor>(kSource);
    auto *result = t.find<TextEditor>(kReplace);
    source->setPlainText(QStringLiteral("a line of the source text\n").repeated(400000));
    result->setPlainText(QStringLiteral("the result"));
    QGuiApplication::clipboard()->setText(QStringLiteral("clip"));
    t.action(kSourceMenu, QStringLiteral("复制全部"))->trigger();
    t.action(kReplaceMenu, QStringLiteral("A复制全部"))->trigger();
    QTRY_COMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("the result"));
    t.settle();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("the result"));
}

void TestTextBox::deleteAndPasteALongRunTakesThePastePath() {
    const QString run(200000, u'x');
    QGuiApplication::clipboard()->setText(run);
    // Each in a fresh window, so that neither finds the other's layouts made.
    const auto timed = [&](const std::function<void(TestWindow &, TextEditor *)> &pasteRun) {
        TestWindow t;
        auto *edit = t.find<TextEditor>(kSource);
        t.window().ui().tabs2->setCurrentWidget(edit->parentWidget());
        edit->setPlainText(QStringLiteral("some words already there"));
        QElapsedTimer timer;
        timer.start();
        pasteRun(t, edit);
        QCoreApplication::processEvents();
        const qint64 elapsed = timer.elapsed();
        if (edit->toPlainText() != run)
            qWarning("the box does not hold the pasted run");
        return elapsed;
    };
    const qint64 paste = timed([](TestWindow &, TextEditor *edit) {
        edit->selectAll();
        edit->paste();
    });
    const qint64 deleteAndPaste = timed(
        [](TestWindow &t, TextEditor *) { t.action(kSourceMenu, QStringLiteral("删除并粘贴"))->trigger(); });
    // Word wrapping the run took seconds; the paste path takes milliseconds.
    QVERIFY2(deleteAndPaste < 3 * paste + 300,
             qPrintable(QStringLiteral("%1 ms against %2 ms").arg(deleteAndPaste).arg(paste)));
}

void TestTextBox::deleteAndPasteWithoutText() {
    TestWindow t;
    auto *edit = t.find<TextEditor>(kSource);
    edit->setPlainText(QStringLiteral("keep?"));
    auto *image = new QMimeData;
    image->setData(QStringLiteral("application/octet-stream"), QByteArray("\x01\x02"));
    QGuiApplication::clipboard()->setMimeData(image);
    t.action(kSourceMenu, QStringLiteral("删除并粘贴"))->trigger();
    QCOMPARE(edit->toPlainText(), QString());
}

void TestTextBox::menusOpenAtPointer() {
    TestWindow t;
    auto *source = t.find<TextEditor>(kSource);
    auto *replace = t.find<TextEditor>(kReplace);
    auto *sourceMenu = t.find<QMenu>(kSourceMenu);
    auto *replaceMenu = t.find<QMenu>(kReplaceMenu);
    QTabWidget *tabs = t.window().ui().tabs2;

    tabs->setCurrentWidget(source->parentWidget());
    const QPoint at(20, 15);
    // The source menu opens on the press already.
    QTest::mousePress(source->viewport(), Qt::RightButton, Qt::NoModifier, at);
    QTRY_VERIFY(sourceMenu->isVisible());
    QCOMPARE(sourceMenu->pos(), source->viewport()->mapToGlobal(at) + QPoint(3, 3));
    sourceMenu->hide();

    tabs->setCurrentWidget(replace->parentWidget());
    QTest::mousePress(replace->viewport(), Qt::RightButton, Qt::NoModifier, at);
    QVERIFY(!replaceMenu->isVisible());
    // The replace-result menu waits for the release.
    QTest::mouseRelease(replace->viewport(), Qt::RightButton, Qt::NoModifier, at);
    QTRY_VERIFY(replaceMenu->isVisible());
    QCOMPARE(replaceMenu->pos(), replace->viewport()->mapToGlobal(at) + QPoint(3, 3));
    replaceMenu->hide();
    QVERIFY(!sourceMenu->isVisible());

    // Neither box opens a menu of its own.
    QCOMPARE(source->contextMenuPolicy(), Qt::NoContextMenu);
    QCOMPARE(replace->contextMenuPolicy(), Qt::NoContextMenu);
}

void TestTextBox::patternBoxShowsInvisiblesAfterLoading() {
    // The loader builds a new document on a worker and swaps it in; the marks must come with it.
    TestWindow t([](const QString &programDir) {
        QFile file(programDir + QStringLiteral("/bds.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("a\t b \r\nc");
    });
    auto *box = t.find<QPlainTextEdit>(QStringLiteral("编辑框_表达式"));
    QCOMPARE(box->toPlainText(), QStringLiteral("a\t b \nc"));
    const QTextOption::Flags flags = box->document()->defaultTextOption().flags();
    QVERIFY(flags.testFlag(QTextOption::ShowTabsAndSpaces));
    QVERIFY(flags.testFlag(QTextOption::ShowLineAndParagraphSeparators));
    QCOMPARE(box->document()->firstBlock().layout()->textOption().flags(), flags);
    QCOMPARE(box->font().family(), QFontDatabase::systemFont(QFontDatabase::FixedFont).family());
}

void TestTextBox::largePasteGivesWhatAPasteGives_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("clip");
    QTest::newRow("into an empty box") << "" << 0 << 0 << "a\r\nb\rc\nd";
    QTest::newRow("over a selection across lines") << "one\ntwo\nthree" << 2 << 9 << "X\tY\r\n";
    QTest::newRow("no-break spaces stay")
        << QString::fromUtf8("a\u00a0b\nc") << 1 << 1 << QString::fromUtf8("\u00a0 \u2029z");
    QTest::newRow("at the end") << "abc" << 3 << 3 << "\n\n";
}

// The worker's path (every text counts as large here) ends with the text, the caret and the box that
// the box's own paste gives, and goes back with one undo step as a paste does.
void TestTextBox::largePasteGivesWhatAPasteGives() {
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, clip);
    TaskPool pool;
    QGuiApplication::clipboard()->setText(clip);
    TextEditor plain, large;
    BoxLoader loader(&large);
    LargePaste paster(loader, 0);
    for (TextEditor *box : {&plain, &large}) {
        box->setPlainText(text);
        box->setSelection(from, to);
    }
    plain.paste();
    paster.paste();
    QVERIFY(paster.isBuilding());
    QVERIFY(large.isReadOnly());
    QVERIFY(QTest::qWaitFor([&] { return !paster.isBuilding(); }, 20000));
    QVERIFY(!large.isReadOnly());
    QCOMPARE(large.toPlainText(), plain.toPlainText());
    QCOMPARE(large.store().lineCount(), plain.store().lineCount());
    QCOMPARE(large.cursorPosition(), plain.cursorPosition());
    QCOMPARE(large.anchorPosition(), plain.anchorPosition());
    large.undo();
    QCOMPARE(large.toPlainText(), text);
    QVERIFY(!large.isUndoAvailable());
    // As after QPlainTextEdit's undo: the caret after the text that came back.
    QVERIFY(!large.hasSelection());
    QCOMPARE(large.cursorPosition(), to);
}

// Ctrl+V of 5 MB in the window goes through the worker: the window stays free meanwhile, the text ends
// up as a paste leaves it, and Ctrl+Z takes the whole paste back.
void TestTextBox::hugePasteIsBuiltOffTheWindow() {
    TestWindow t;
    auto *source = t.find<TextEditor>(kSource);
    source->setPlainText(QStringLiteral("before|after"));
    source->setCursorPosition(7);
    const QString huge = QStringLiteral("line of text\r\n").repeated(200000) + QStringLiteral("end");
    QGuiApplication::clipboard()->setText(huge);
    t.window().ui().tabs2->setCurrentIndex(1);
    source->setFocus();
    QElapsedTimer timer;
    timer.start();
    QTest::keyClick(source, Qt::Key_V, Qt::ControlModifier);
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(source->isReadOnly());
    QVERIFY(QTest::qWaitFor([&] { return !source->isReadOnly(); }, 30000));
    const QString expected = QStringLiteral("before|") + QStringLiteral("line of text\n").repeated(200000) +
                             QStringLiteral("endafter");
    QCOMPARE(source->toPlainText().size(), expected.size());
    QVERIFY(source->toPlainText() == expected);
    QCOMPARE(source->store().lineCount(), 200001);
    QCOMPARE(source->cursorPosition(), expected.size() - 5);

    QVERIFY(source->isUndoAvailable());
    QTest::keyClick(source, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(source->toPlainText(), QStringLiteral("before|after"));
    QCOMPARE(source->cursorPosition(), 7);
    QVERIFY(!source->isUndoAvailable());
}

QTEST_MAIN(TestTextBox)
#include "tst_textbox.moc"
