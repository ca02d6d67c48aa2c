#include "PoolHold.h"
#include "ScriptedDialogs.h"
#include "TestWindow.h"
#include "app/MainWindow.h"
#include "app/MainWindowUi.h"
#include "core/paths/WorkingDirectory.h"
#include "core/tasks/TaskPool.h"
#include "files/WorkingFiles.h"
#include "platform/AppContext.h"
#include "platform/QtDialogs.h"
#include "platform/QtTranslations.h"
#include "textbox/TextEditor.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>


using namespace rw;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray readBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestStartup final : public QObject {
    Q_OBJECT
private slots:
    void qtDialogsSpeakChinese();
    void fileFromCommandLineOutlastsTheStartupLoader();
    void installedCopyKeepsItsFilesInTheDataDirectory();
    void aBigSourceFileShowsItsFirstScreenFirst();
};

// Loaded as the program loads them: Qt's standard buttons in Chinese, the input box's own captions kept.
void TestStartup::qtDialogsSpeakChinese() {
    QVERIFY2(installQtTranslations(*qApp), "qtbase_zh_CN.qm is missing: scripts/setup.sh installs "
                                           "qt6-translations-l10n");

    QMessageBox box(QMessageBox::Question, "caption", "text", QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(box.button(QMessageBox::Yes)->text(), QStringLiteral("是(&Y)"));
    QCOMPARE(box.button(QMessageBox::No)->text(), QStringLiteral("否(&N)"));

    QStringList inputCaptions;
    QTimer::singleShot(0, this, [&inputCaptions] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            for (QAbstractButton *button : dialog->findChildren<QAbstractButton *>())
                inputCaptions << button->text();
            dialog->reject();
        }
    });
    QtDialogs().askText(nullptr, "title", "prompt");
    inputCaptions.sort();
    QCOMPARE(inputCaptions, QStringList({QStringLiteral("取消(&C)"), QStringLiteral("确认输入(&O)")}));
}

// The loader puts test.txt into the source box too; a file opened at start-up must be what stays, however
// long the loader takes.
void TestStartup::fileFromCommandLineOutlastsTheStartupLoader() {
    QTemporaryDir files;
    const QString opened = files.filePath("opened.txt");
    writeBytes(opened, "opened from the command line\r\n");
    std::unique_ptr<PoolHold> hold;
    // Every worker is held: the loader waits in the pool's queue until the hold is released.
    TestWindow t(
        [&hold](const QString &dir) {
            writeBytes(QDir(dir).filePath("test.txt"), "saved source text");
            hold = std::make_unique<PoolHold>();
        },
        false);

    t.window().openFile(opened);
    // Time enough for a load that does not wait for the loader to show its file.
    QTest::qWait(300);
    hold->release();

    TextEditor *source = t.window().ui().sourceText;
    QVERIFY(QTest::qWaitFor([&] {
        return !t.window().workingFiles()->isLoading() &&
               source->toPlainText() == QStringLiteral("opened from the command line\n");
    }));
    t.settle();
    QCOMPARE(source->toPlainText(), QStringLiteral("opened from the command line\n"));
}

// An installed copy (its executable's directory not writable) creates, shows and saves its working files
// in ~/.local/share/regex-workbench, and writes nothing beside the executable.
void TestStartup::installedCopyKeepsItsFilesInTheDataDirectory() {
    QTemporaryDir home, programDir, desktopDir;
    QCoreApplication::setApplicationName("regex-workbench");
#ifdef Q_OS_WIN
    // The per-user application data folder is the profile's, whatever HOME says: Qt's test mode puts
    // it aside, and the test takes it away again.
    QStandardPaths::setTestModeEnabled(true);
    const QString expectedDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir(expectedDir).removeRecursively();
    const auto leave = qScopeGuard([&] {
        QDir(expectedDir).removeRecursively();
        QStandardPaths::setTestModeEnabled(false);
    });
#else
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(".local/share").toLocal8Bit());
    const QString expectedDir = home.filePath(".local/share/regex-workbench");
#endif

    const WorkingDirectory chosen = chooseWorkingDirectory(
        programDir.path(), false, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    QCOMPARE(chosen.path, expectedDir);

    {
        TaskPool pool;
        ScriptedDialogs dialogs;
        AppContext context{dialogs, chosen.path, desktopDir.path()};
        MainWindow window(context);
        window.show();
        QVERIFY(QTest::qWaitFor([&] { return !window.workingFiles()->isLoading(); }, 60000));
        QVERIFY(QFileInfo::exists(QDir(expectedDir).filePath("gz.txt")));
        QVERIFY(window.ui().about->toPlainText().contains(QDir::toNativeSeparators(expectedDir)));

        window.ui().expression->setPlainText("\\d+");
        window.ui().sourceText->setPlainText("one 1\ntwo 2");
        window.ui().notes->setPlainText("notes");
        dialogs.yesNo.push_back(true);
        window.close();
        // The files are written on a worker; the window closes once they are.
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 60000);
    }

    QCOMPARE(readBytes(QDir(expectedDir).filePath("bds.txt")), QByteArray("\\d+"));
    QCOMPARE(readBytes(QDir(expectedDir).filePath("test.txt")), QByteArray("one 1\r\ntwo 2"));
    QCOMPARE(readBytes(QDir(expectedDir).filePath("jl.txt")), QByteArray("notes"));
    QCOMPARE(QDir(programDir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

// A big test.txt shows its first lines before the whole is read: the box holds a beginning of the text,
// read-only, then the whole text, editable again, and that is the text the close compares with.
void TestStartup::aBigSourceFileShowsItsFirstScreenFirst() {
    QByteArray bytes;
    for (int i = 0; bytes.size() < 6 * 1024 * 1024; ++i)
        bytes += "line " + QByteArray::number(i) + " of a big source text\r\n";
    QList<std::pair<qsizetype, bool>> shown; // size and read-only at each whole-text swap
    TestWindow t([&](const QString &dir) { writeBytes(QDir(dir).filePath("test.txt"), bytes); }, false);
    TextEditor *source = t.window().ui().sourceText;
    connect(source, &TextEditor::textReplaced, this,
            [&] { shown.append({source->size(), source->isReadOnly()}); });
    QVERIFY(QTest::qWaitFor([&] { return !t.window().workingFiles()->isLoading(); }, 30000));
    QCOMPARE(shown.size(), 2);
    QVERIFY(shown[0].first > 0 && shown[0].first < shown[1].first);
    QVERIFY(shown[0].second);
    QCOMPARE(source->size(), shown[1].first);
    QVERIFY(!source->isReadOnly());
    QVERIFY(source->toPlainText().startsWith(QStringLiteral("line 0 of a big source text\nline 1 ")));
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
