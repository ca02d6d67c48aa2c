#include "core/paths/WorkingDirectory.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using rw::canCreateFilesIn;
using rw::chooseWorkingDirectory;

namespace {

const QStringList WorkingFileNames{"bds.txt", "jl.txt", "test.txt", "gz.txt"};

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestWorkingDirectory final : public QObject {
    Q_OBJECT
private slots:
    void choose_data();
    void choose();
    void canCreateFiles_data();
    void canCreateFiles();
};

void TestWorkingDirectory::choose_data() {
    QTest::addColumn<bool>("programDirWritable");
    QTest::addColumn<bool>("filesBesideProgram");
    QTest::addColumn<bool>("dataDirHasFiles");
    QTest::addColumn<bool>("expectPortable");

    QTest::newRow("portable copy keeps its files beside it") << true << true << false << true;
    QTest::newRow("portable copy, first start") << true << false << false << true;
    QTest::newRow("portable copy ignores an existing data directory") << true << true << true << true;
    QTest::newRow("installed, first start creates the data directory") << false << false << false << false;
    QTest::newRow("installed, later start keeps the data directory") << false << false << true << false;
    QTest::newRow("upgrade from a portable copy moves nothing") << false << true << false << false;
    QTest::newRow("both hold files: the data directory wins") << false << true << true << false;
}

// The choice, and that it never moves, copies or overwrites a working file on either side.
void TestWorkingDirectory::choose() {
    QFETCH(bool, programDirWritable);
    QFETCH(bool, filesBesideProgram);
    QFETCH(bool, dataDirHasFiles);
    QFETCH(bool, expectPortable);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString programDir = root.filePath("opt/rw/bin");
    // Nested and missing, as ~/.local/share/<app> is on a new account.
    const QString dataDir = root.filePath("home/.local/share/regex-workbench");
    QVERIFY(QDir().mkpath(programDir));
    if (filesBesideProgram) {
        for (const QString &name : WorkingFileNames)
            writeFile(QDir(programDir).filePath(name), "program " + name.toUtf8());
    }
    if (dataDirHasFiles) {
        QVERIFY(QDir().mkpath(dataDir));
        for (const QString &name : WorkingFileNames)
            writeFile(QDir(dataDir).filePath(name), "data " + name.toUtf8());
    }

    const rw::WorkingDirectory chosen = chooseWorkingDirectory(programDir + "/", programDirWritable, dataDir);

    QCOMPARE(chosen.portable, expectPortable);
    QCOMPARE(chosen.path, expectPortable ? programDir : dataDir);
    QVERIFY(QFileInfo(chosen.path).isDir());
    // The portable case leaves the user's home alone.
    if (expectPortable && !dataDirHasFiles)
        QVERIFY(!QFileInfo::exists(dataDir));
    for (const QString &name : WorkingFileNames) {
        const QByteArray beside = readFile(QDir(programDir).filePath(name));
        const QByteArray data = readFile(QDir(dataDir).filePath(name));
        QCOMPARE(beside, filesBesideProgram ? "program " + name.toUtf8() : QByteArray("<missing>"));
        QCOMPARE(data, dataDirHasFiles ? "data " + name.toUtf8() : QByteArray("<missing>"));
    }
}

void TestWorkingDirectory::canCreateFiles_data() {
    // "@" stands for a fresh temporary directory holding the directory "dir" and the file "file".
    QTest::addColumn<QString>("dir");
    QTest::addColumn<bool>("expected");

    QTest::newRow("writable directory") << "@/dir" << true;
    QTest::newRow("missing directory") << "@/missing" << false;
    QTest::newRow("a file where the directory belongs") << "@/file" << false;
    QTest::newRow("empty path") << QString() << false;
    // Refuses new files even to root, as a read-only mount does.
    QTest::newRow("read-only for everyone") << "/proc" << false;
}

void TestWorkingDirectory::canCreateFiles() {
    QFETCH(QString, dir);
    QFETCH(bool, expected);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(QDir(root.path()).mkdir("dir"));
    writeFile(root.filePath("file"), "a file");

    QCOMPARE(canCreateFilesIn(dir.replace('@', root.path())), expected);
    // The probe leaves nothing behind.
    QCOMPARE(QDir(root.filePath("dir")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

QTEST_GUILESS_MAIN(TestWorkingDirectory)
#include "tst_workingdirectory.moc"
