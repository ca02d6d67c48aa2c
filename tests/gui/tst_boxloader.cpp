#include "PoolHold.h"
#include "TestWindow.h"
#include "app/MainWindowUi.h"
#include "files/WorkingFiles.h"
#include "import/Importer.h"
#include "textbox/BoxLoader.h"
#include "textbox/TextEditor.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPushButton>
#include <QTabWidget>

using namespace rw;

namespace {

// Numbered lines of more than 4 MB, so that a load of them shows a first screen before the whole.
QByteArray bigText(const QByteArray &word) {
    QByteArray bytes;
    for (int i = 0; bytes.size() < 6 * 1024 * 1024; ++i)
        bytes += word + ' ' + QByteArray::number(i) + " of a big text\r\n";
    return bytes;
}

QByteArray readBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// The box's text as test.txt holds it.
QByteArray asSaved(const QString &text) {
    return QString(text).replace(u'\n', QStringLiteral("\r\n")).toUtf8();
}

const QString kAfterDrop = QStringLiteral("dropped text");

// A window whose start-up loads test.txt; the loading waits until letLoad(), so that a test can be there
// when the first screen shows.
class Fixture {
public:
    explicit Fixture(const QByteArray &source)
        : t(
              [this, &source](const QString &dir) {
                  write(QDir(dir).filePath(QStringLiteral("test.txt")), source);
                  hold = std::make_unique<PoolHold>();
              },
              false) {
        QObject::connect(box, &TextEditor::contentsChange, box, [this] { ++changes; });
        QObject::connect(box, &TextEditor::textReplaced, box, [this] { ++replaces; });
        t.window().ui().tabs2->setCurrentWidget(box->parentWidget());
    }
    // The workers are let go before the window's pool waits for them.
    ~Fixture() { letLoad(); }

    std::unique_ptr<PoolHold> hold; // made before t, released before it goes
    TestWindow t;
    TextEditor *box = t.find<TextEditor>(QStringLiteral("编辑框_源文本"));
    int changes = 0;  // every change of the box's text
    int replaces = 0; // those that replaced the whole text

    static void write(const QString &path, const QByteArray &bytes) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qWarning("can't write %s", qPrintable(path));
    }
    QString desktopFile(const QString &name, const QByteArray &bytes) {
        const QString path = QDir(t.desktopDir.path()).filePath(name);
        write(path, bytes);
        return path;
    }
    QByteArray savedSource() {
        return readBytes(QDir(t.programDir.path()).filePath(QStringLiteral("test.txt")));
    }
    void importWithButton(const QString &path) {
        t.dialogs.files.push_back(path);
        QTest::mouseClick(t.find<QPushButton>(QStringLiteral("按钮_本地导入")), Qt::LeftButton);
    }
    // Runs then once, inside the next replacement of the box's whole text (a first screen, say), so that it
    // surely comes while the load that showed it is under way.
    void onNextReplace(std::function<void()> then) {
        QObject::connect(box, &TextEditor::textReplaced, box, std::move(then), Qt::SingleShotConnection);
    }
    void letLoad() { hold->release(); }
    // Until nothing loads into the box any more, and whatever a dropped load would deliver has arrived.
    bool waitUntilQuiet() {
        letLoad();
        const bool quiet = QTest::qWaitFor(
            [this] {
                return !t.window().workingFiles()->isLoading() && !t.window().importer()->isLoading() &&
                       !box->isReadOnly();
            },
            60000);
        t.settle();
        return quiet;
    }
    void close() {
        t.dialogs.yesNo.push_back(true);
        t.window().close();
    }
    bool waitUntilClosed() {
        return QTest::qWaitFor([this] { return !t.window().isVisible(); }, 60000);
    }
};

} // namespace

class TestBoxLoader final : public QObject {
    Q_OBJECT
private slots:
    void aDropDuringTheStartupLoadWins();
    void aCloseAfterADropDuringTheStartupLoadSavesWhatTheBoxShows_data();
    void aCloseAfterADropDuringTheStartupLoadSavesWhatTheBoxShows();
    void anImportDuringADropsLoadWins_data();
    void anImportDuringADropsLoadWins();
    void aPasteDuringALoadIsRefused_data();
    void aPasteDuringALoadIsRefused();
    void aDropDuringALargePasteWins();
    void aCloseDuringALargePasteSavesThePaste();
    void theBoxIsReadOnlyWhileAnyHoldIsUp_data();
    void theBoxIsReadOnlyWhileAnyHoldIsUp();
};

// The issue's own steps: a big test.txt, a small file dropped while it loads. The dropped text shows, can
// be typed into at once, and stays: the start-up text never comes in over it, and the close saves it.
void TestBoxLoader::aDropDuringTheStartupLoadWins() {
    Fixture f(bigText("start-up"));
    const QString dropped = f.desktopFile(QStringLiteral("dropped.txt"), kAfterDrop.toUtf8());
    bool firstScreenReadOnly = false;
    f.onNextReplace([&] {
        firstScreenReadOnly = f.box->isReadOnly();
        f.t.dropFiles({dropped});
    });
    f.letLoad();
    QVERIFY(QTest::qWaitFor([&] { return f.box->toPlainText() == kAfterDrop; }, 30000));
    QVERIFY(firstScreenReadOnly);
    QVERIFY(!f.box->isReadOnly());
    f.box->setFocus();
    f.box->setCursorPosition(f.box->size());
    QTest::keyClicks(f.box, QStringLiteral(", typed"));
    QVERIFY(f.waitUntilQuiet());
    QCOMPARE(f.box->toPlainText(), kAfterDrop + QStringLiteral(", typed"));
    QCOMPARE(f.replaces, 2); // the start-up text's first screen, then the dropped text
    f.close();
    QVERIFY(f.waitUntilClosed());
    QCOMPARE(f.savedSource(), asSaved(kAfterDrop + QStringLiteral(", typed")));
}

void TestBoxLoader::aCloseAfterADropDuringTheStartupLoadSavesWhatTheBoxShows_data() {
    QTest::addColumn<bool>("bigDrop");
    QTest::newRow("a small file dropped") << false;
    QTest::newRow("a big file dropped, closed on its first screen") << true;
}

// A close asked for while the start-up text and a dropped file load: whenever the close goes through,
// test.txt gets the text the box shows from then on, one the user had: the dropped file's whole text, or
// test.txt's own when the dropped file gave way; never a first screen nor an empty box over test.txt.
void TestBoxLoader::aCloseAfterADropDuringTheStartupLoadSavesWhatTheBoxShows() {
    QFETCH(bool, bigDrop);
    const QByteArray source = bigText("start-up");
    Fixture f(source);
    const QByteArray droppedBytes = bigDrop ? bigText("dropped") : kAfterDrop.toUtf8();
    const QString dropped = f.desktopFile(QStringLiteral("dropped.txt"), droppedBytes);
    f.onNextReplace([&] {
        if (bigDrop)
            f.onNextReplace([&] { f.close(); });
        f.t.dropFiles({dropped});
        if (!bigDrop)
            f.close();
    });
    f.letLoad();
    QVERIFY(f.waitUntilClosed());
    f.t.settle();
    const QByteArray saved = f.savedSource();
    QVERIFY2(saved == source || saved == droppedBytes, saved.left(100).constData());
    if (!bigDrop)
        QCOMPARE(saved, droppedBytes);
    QCOMPARE(asSaved(f.box->toPlainText()), saved == source ? QByteArray() : saved);
    QVERIFY(!f.box->isReadOnly());
}

void TestBoxLoader::anImportDuringADropsLoadWins_data() {
    QTest::addColumn<bool>("closed");
    QTest::newRow("the import shows") << false;
    QTest::newRow("a close meanwhile saves the text from before both") << true;
}

// A big file dropped, and while it loads a small one imported: the small one is what stays, editable, and
// the big one's text never shows after it. A close confirmed meanwhile drops both loads and saves the text
// the user had before them.
void TestBoxLoader::anImportDuringADropsLoadWins() {
    QFETCH(bool, closed);
    Fixture f(QByteArray("saved source"));
    QVERIFY(f.waitUntilQuiet());
    f.box->setPlainText(QStringLiteral("typed\nbefore"));
    f.box->setSelection(2, 8);
    const QString big = f.desktopFile(QStringLiteral("big.txt"), bigText("dropped"));
    const QString small = f.desktopFile(QStringLiteral("small.txt"), "imported text");
    f.onNextReplace([&] {
        QVERIFY(f.box->isReadOnly());
        f.importWithButton(small);
        if (closed)
            f.close();
    });
    f.replaces = 0;
    f.t.dropFiles({big});
    if (closed) {
        QVERIFY(f.waitUntilClosed());
        f.t.settle();
        QCOMPARE(f.box->toPlainText(), QStringLiteral("typed\nbefore"));
        QCOMPARE(f.box->anchorPosition(), 2);
        QCOMPARE(f.box->cursorPosition(), 8);
        QCOMPARE(f.savedSource(), QByteArray("typed\r\nbefore"));
    } else {
        QVERIFY(f.waitUntilQuiet());
        QCOMPARE(f.box->toPlainText(), QStringLiteral("imported text"));
        QCOMPARE(f.replaces, 2); // the big file's first screen, then the imported text
        QVERIFY(!f.box->isUndoAvailable());
    }
    QVERIFY(!f.box->isReadOnly());
}

void TestBoxLoader::aPasteDuringALoadIsRefused_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("clipLength");
    QTest::addColumn<bool>("closed");
    QTest::newRow("Ctrl+V, a short text") << "Ctrl+V" << 10 << false;
    QTest::newRow("Ctrl+V, megabytes") << "Ctrl+V" << 3'000'000 << false;
    QTest::newRow("粘贴, megabytes") << "粘贴" << 3'000'000 << false;
    QTest::newRow("删除并粘贴, megabytes") << "删除并粘贴" << 3'000'000 << false;
    QTest::newRow("粘贴, megabytes, then a close") << "粘贴" << 3'000'000 << true;
}

// The box is read-only while a file loads into it, and a paste there is refused as a read-only box
// refuses it: nothing goes into the first screen, and the box ends with the file's text, editable. A
// close confirmed after the paste drops the load and saves the text from before it.
void TestBoxLoader::aPasteDuringALoadIsRefused() {
    QFETCH(QString, how);
    QFETCH(int, clipLength);
    QFETCH(bool, closed);
    Fixture f(QByteArray("saved source"));
    QVERIFY(f.waitUntilQuiet());
    f.box->setPlainText(QStringLiteral("typed before"));
    QGuiApplication::clipboard()->setText(QString(clipLength, u'p'));
    const QByteArray bytes = bigText("dropped");
    const QString big = f.desktopFile(QStringLiteral("big.txt"), bytes);
    f.onNextReplace([&] {
        f.box->setFocus();
        if (how == QStringLiteral("Ctrl+V"))
            QTest::keyClick(f.box, Qt::Key_V, Qt::ControlModifier);
        else
            f.t.action(QStringLiteral("源文本右键菜单"), how)->trigger();
        if (closed)
            f.close();
    });
    f.changes = f.replaces = 0;
    f.t.dropFiles({big});
    if (closed) {
        QVERIFY(f.waitUntilClosed());
        f.t.settle();
        QCOMPARE(f.box->toPlainText(), QStringLiteral("typed before"));
        QCOMPARE(f.savedSource(), QByteArray("typed before"));
        return;
    }
    QVERIFY(f.waitUntilQuiet());
    // Every change was a load's: the first screen and the whole.
    QCOMPARE(f.replaces, 2);
    QCOMPARE(f.changes, 2);
    QCOMPARE(asSaved(f.box->toPlainText()), bytes);
    QVERIFY(!f.box->isReadOnly());
}

// A file dropped while megabytes of a paste are still being cut up: the paste never goes in, the dropped
// text does, editable.
void TestBoxLoader::aDropDuringALargePasteWins() {
    Fixture f(QByteArray("saved source"));
    QVERIFY(f.waitUntilQuiet());
    f.box->setPlainText(QStringLiteral("before"));
    QGuiApplication::clipboard()->setText(QString(3'000'000, u'p'));
    const QString dropped = f.desktopFile(QStringLiteral("dropped.txt"), kAfterDrop.toUtf8());
    f.box->setFocus();
    QTest::keyClick(f.box, Qt::Key_V, Qt::ControlModifier);
    QVERIFY(f.box->isReadOnly());
    f.t.dropFiles({dropped});
    QVERIFY(f.waitUntilQuiet());
    QCOMPARE(f.box->toPlainText(), kAfterDrop);
    QVERIFY(!f.box->isReadOnly());
}

// A close right after Ctrl+V of megabytes waits for the paste to go in, and saves it.
void TestBoxLoader::aCloseDuringALargePasteSavesThePaste() {
    Fixture f(QByteArray("saved source"));
    QVERIFY(f.waitUntilQuiet());
    f.box->setPlainText(QStringLiteral("before|after"));
    f.box->setCursorPosition(7);
    const QString clip = QStringLiteral("pasted line\r\n").repeated(250000);
    QGuiApplication::clipboard()->setText(clip);
    f.box->setFocus();
    QTest::keyClick(f.box, Qt::Key_V, Qt::ControlModifier);
    QVERIFY(f.box->isReadOnly());
    f.close();
    QVERIFY(f.waitUntilClosed());
    QCOMPARE(f.savedSource(), QByteArray("before|") + clip.toUtf8() + QByteArray("after"));
}

void TestBoxLoader::theBoxIsReadOnlyWhileAnyHoldIsUp_data() {
    QTest::addColumn<bool>("own");
    QTest::newRow("an editable box") << false;
    QTest::newRow("a read-only box") << true;
}

// One count of holds, the loads' among them: the box is read-only while any is up, and gets its own
// state back when the last goes.
void TestBoxLoader::theBoxIsReadOnlyWhileAnyHoldIsUp() {
    QFETCH(bool, own);
    TaskPool pool;
    TextEditor box;
    box.setReadOnly(own);
    BoxLoader loader(&box);
    loader.hold();
    const BoxLoader::Load load = loader.begin(&box);
    loader.release();
    QVERIFY(box.isReadOnly());
    loader.hold();
    load.showWhole(QStringLiteral("loaded"));
    QVERIFY(QTest::qWaitFor([&] { return !loader.isLoading(); }));
    QCOMPARE(box.toPlainText(), QStringLiteral("loaded"));
    QVERIFY(box.isReadOnly());
    loader.release();
    QCOMPARE(box.isReadOnly(), own);
    // A release without a hold changes nothing.
    loader.release();
    QCOMPARE(box.isReadOnly(), own);
}

QTEST_MAIN(TestBoxLoader)
#include "tst_boxloader.moc"
