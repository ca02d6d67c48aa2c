#include "core/text/DocumentText.h"
#include "core/text/FirstScreen.h"
#include "core/text/ImportedText.h"
#include "core/text/LineBreaks.h"
#include "core/text/RegularFile.h"
#include "core/text/WorkingFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#ifndef Q_OS_WIN
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using Kind = std::function<bool(const QString &path)>;
Q_DECLARE_METATYPE(Kind)

namespace {

// Characters a single write step takes; texts around this size show how the steps join.
constexpr qsizetype WriteStep = qsizetype(1) << 18;

// Bytes a UTF-8 validity check takes per step.
constexpr qsizetype ValidateStep = qsizetype(1) << 20;

QByteArray readBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A device that takes a fixed number of bytes and then fails, like a disk that fills up.
class FailingDevice final : public QIODevice {
public:
    explicit FailingDevice(qint64 capacity) : m_capacity(capacity) {}

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 length) override {
        if (m_written + length > m_capacity) {
            setErrorString(QStringLiteral("No space left on device"));
            return -1;
        }
        m_written += length;
        return length;
    }

private:
    qint64 m_capacity;
    qint64 m_written = 0;
};

} // namespace

class tst_TextFiles final : public QObject {
    Q_OBJECT

private slots:
    void lineBreaks_data();
    void lineBreaks();
    void writeAndRead_data();
    void writeAndRead();
    void chinesePaths();
    void readStopsAtZeroByte();
    void readMissingAndUnreadable();
    void writeOntoDirectoryFails();
    void failedWriteKeepsExistingFile();
    void writeToFailingDevice();
    void decodeImported_data();
    void decodeImported();
    void readImportFile();
    void onlyRegularFilesAreRead_data();
    void onlyRegularFilesAreRead();
    void readsUpToTheLimit();
    void truncatedTails_data();
    void truncatedTails();
    void firstScreenOfABigFile_data();
    void firstScreenOfABigFile();
};

void tst_TextFiles::lineBreaks_data() {
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("crlf");
    QTest::addColumn<QString>("backToWidget");

    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("no break") << "abc"
                              << "abc"
                              << "abc";
    QTest::newRow("lf") << "a\nb"
                        << "a\r\nb"
                        << "a\nb";
    QTest::newRow("crlf stays one break") << "a\r\nb"
                                          << "a\r\nb"
                                          << "a\nb";
    QTest::newRow("lone cr is a break") << "a\rb"
                                        << "a\r\nb"
                                        << "a\nb";
    QTest::newRow("breaks at both ends") << "\nab\n"
                                         << "\r\nab\r\n"
                                         << "\nab\n";
    QTest::newRow("mixed run") << "\r\r\n\n\n\r"
                               << "\r\n\r\n\r\n\r\n\r\n"
                               << "\n\n\n\n\n";
    QTest::newRow("cr at the end") << "ab\r"
                                   << "ab\r\n"
                                   << "ab\n";
}

void tst_TextFiles::lineBreaks() {
    QFETCH(QString, widget);
    QFETCH(QString, crlf);
    QFETCH(QString, backToWidget);

    QCOMPARE(rw::paragraphsToCrLf(widget), crlf);
    QCOMPARE(rw::fromCrLf(crlf), backToWidget);
    QCOMPARE(rw::fromCrLf(widget), backToWidget);

    // A shared text is left as it was.
    const QString shared = crlf;
    const QString converted = rw::fromCrLf(shared);
    QCOMPARE(shared, crlf);
    QCOMPARE(converted, backToWidget);
}

void tst_TextFiles::writeAndRead_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("loaded");

    QTest::newRow("empty text gives an empty file") << QString() << QByteArray() << QString();
    QTest::newRow("widget breaks become crlf") << "a\nb\n" << QByteArray("a\r\nb\r\n") << "a\nb\n";
    QTest::newRow("crlf stays") << "a\r\nb" << QByteArray("a\r\nb") << "a\nb";
    QTest::newRow("gbk characters") << "你好\n世界" << QByteArray("\xC4\xE3\xBA\xC3\r\n\xCA\xC0\xBD\xE7")
                                    << "你好\n世界";
    QTest::newRow("characters outside gbk survive")
        << QString::fromUtf8("€ \xF0\x9F\x98\x80") << QByteArray("\xA2\xE3 \x94\x39\xFC\x36")
        << QString::fromUtf8("€ \xF0\x9F\x98\x80");

    for (qsizetype at : {WriteStep - 1, WriteStep}) {
        const QString prefix(at, u'a');
        QTest::addRow("crlf at %lld", qlonglong(at))
            << prefix + "\r\nz" << QByteArray(at, 'a') + "\r\nz" << prefix + "\nz";
        QTest::addRow("surrogate pair at %lld", qlonglong(at))
            << prefix + QString::fromUtf8("\xF0\x9F\x98\x80") << QByteArray(at, 'a') + "\x94\x39\xFC\x36"
            << prefix + QString::fromUtf8("\xF0\x9F\x98\x80");
    }
}

void tst_TextFiles::writeAndRead() {
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, loaded);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("test.txt");
    QVERIFY(writeBytes(path, "an older and longer content"));

    QString error;
    QVERIFY2(rw::writeWorkingFile(path, text, &error), qPrintable(error));
    QCOMPARE(readBytes(path), bytes);

    const rw::WorkingFileRead read = rw::readWorkingFile(path);
    QCOMPARE(read.status, rw::FileReadStatus::Ok);
    QCOMPARE(rw::fromCrLf(read.text), loaded);
}

// Names in Chinese, and a space, in the folder and the file: written, read back and imported.
void tst_TextFiles::chinesePaths() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("正则 工作台")));
    const QString path = dir.filePath(QStringLiteral("正则 工作台/源文本.txt"));
    QString error;
    QVERIFY2(rw::writeWorkingFile(path, u"你好\n世界", &error), qPrintable(error));
    QCOMPARE(readBytes(path), QByteArray("\xC4\xE3\xBA\xC3\r\n\xCA\xC0\xBD\xE7"));
    QVERIFY(rw::nonRegularReason(path).isEmpty());
    const rw::WorkingFileRead read = rw::readWorkingFile(path);
    QCOMPARE(read.status, rw::FileReadStatus::Ok);
    QCOMPARE(read.text, QStringLiteral("你好\r\n世界"));
    const std::optional<QString> imported = rw::readImportFile(path, &error);
    QVERIFY2(imported, qPrintable(error));
    QCOMPARE(*imported, QStringLiteral("你好\r\n世界"));
    QCOMPARE(rw::readWorkingFile(dir.filePath(QStringLiteral("正则 工作台/无此文件.txt"))).status,
             rw::FileReadStatus::Missing);
}

void tst_TextFiles::readStopsAtZeroByte() {
    QTemporaryDir dir;
    const QString path = dir.filePath("jl.txt");

    QVERIFY(writeBytes(path, QByteArray("\xC4\xE3\r\nb\0tail", 9)));
    QCOMPARE(rw::readWorkingFile(path).text, QString::fromUtf8("你\r\nb"));

    QVERIFY(writeBytes(path, QByteArray("\0tail", 5)));
    const rw::WorkingFileRead read = rw::readWorkingFile(path);
    QCOMPARE(read.status, rw::FileReadStatus::Ok);
    QVERIFY(read.text.isEmpty());
}

void tst_TextFiles::readMissingAndUnreadable() {
    QTemporaryDir dir;

    const rw::WorkingFileRead missing = rw::readWorkingFile(dir.filePath("bds.txt"));
    QCOMPARE(missing.status, rw::FileReadStatus::Missing);
    QVERIFY(missing.text.isEmpty());

    QVERIFY(QDir(dir.path()).mkdir("gz.txt"));
    const rw::WorkingFileRead failed = rw::readWorkingFile(dir.filePath("gz.txt"));
    QCOMPARE(failed.status, rw::FileReadStatus::Failed);
    QVERIFY(failed.text.isEmpty());
    QVERIFY(!failed.error.isEmpty());
}

void tst_TextFiles::writeOntoDirectoryFails() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("test.txt"));
    QVERIFY(writeBytes(dir.filePath("test.txt/inner"), "kept"));

    QString error;
    QVERIFY(!rw::writeWorkingFile(dir.filePath("test.txt"), u"text", &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readBytes(dir.filePath("test.txt/inner")), QByteArray("kept"));

    QVERIFY(!rw::writeWorkingFile(dir.filePath("no such folder/test.txt"), u"text", &error));
    QVERIFY(!error.isEmpty());
}

void tst_TextFiles::failedWriteKeepsExistingFile() {
#ifdef Q_OS_WIN
    QSKIP("a file-size limit is a POSIX resource limit");
#else
    QTemporaryDir dir;
    const QString path = dir.filePath("test.txt");
    QVERIFY(writeBytes(path, "previous content"));

    // A file-size limit makes the disk refuse the bytes even for root, like a full disk.
    rlimit previous{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 4096;
    QString error;
    bool written = true;
    {
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const auto restore = qScopeGuard([&] {
            setrlimit(RLIMIT_FSIZE, &previous);
            std::signal(SIGXFSZ, oldHandler);
        });
        written = rw::writeWorkingFile(path, QString(100000, u'x'), &error);
    }

    QVERIFY(!written);
    // The system's reason, not "Unknown error".
    QCOMPARE(error, QStringLiteral("File too large"));
    QCOMPARE(readBytes(path), QByteArray("previous content"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"test.txt"});
#endif
}

void tst_TextFiles::writeToFailingDevice() {
    FailingDevice device(WriteStep);
    QVERIFY(device.open(QIODevice::WriteOnly | QIODevice::Unbuffered));

    QString error;
    QVERIFY(!rw::writeWorkingText(device, QString(3 * WriteStep, u'x'), &error));
    QCOMPARE(error, QStringLiteral("No space left on device"));
}

void tst_TextFiles::decodeImported_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("ascii") << QByteArray("plain\r\ntext") << "plain\r\ntext";
    QTest::newRow("gb18030") << QByteArray("\xC4\xE3\xBA\xC3") << "你好";
    QTest::newRow("gb18030 four-byte sequence") << QByteArray("a\x94\x39\xFC\x36") << "a😀";
    QTest::newRow("utf-8 without bom") << QByteArray("a\xE4\xBD\xA0\xE5\xA5\xBD") << "a你好";
    QTest::newRow("utf-8 with bom") << QByteArray("\xEF\xBB\xBF\xE4\xBD\xA0") << "你";
    QTest::newRow("utf-8 bom only") << QByteArray("\xEF\xBB\xBF") << QString();
    QTest::newRow("utf-16le with bom") << QByteArray("\xFF\xFE"
                                                     "A\0`O\r\0\n\0",
                                                     10)
                                       << "A你\r\n";
    QTest::newRow("utf-16be with bom") << QByteArray("\xFE\xFF\0AO`", 6) << "A你";
    QTest::newRow("zero byte ends a text without bom") << QByteArray("ab\0cd", 5) << "ab";
    QTest::newRow("zero byte first") << QByteArray("\0abc", 4) << QString();
    QTest::newRow("zero byte ends gb18030") << QByteArray("\xC4\xE3\0\xBA\xC3", 5) << "你";
    QTest::newRow("invalid utf-8 that is gb18030") << QByteArray("ok \xD6\xD0\xCE\xC4") << "ok 中文";
    QTest::newRow("utf-8 bytes after the zero byte don't count")
        << QByteArray("\xC4\xE3\0\xE4\xBD\xA0", 6) << "你";

    // Validity is checked in steps: a character across a step boundary is still UTF-8, and a foreign
    // character far into the file still makes it GB18030.
    const QByteArray ascii(ValidateStep - 1, 'a');
    QTest::newRow("utf-8 character across a step")
        << ascii + "\xE4\xBD\xA0" << QString::fromLatin1(ascii) + QString::fromUtf8("你");
    QTest::newRow("gb18030 after a step of ascii")
        << ascii + "a\xC4\xE3" << QString::fromLatin1(ascii) + QString::fromUtf8("a你");
}

void tst_TextFiles::decodeImported() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);

    QCOMPARE(rw::decodeImported(bytes), text);
}

void tst_TextFiles::readImportFile() {
    QTemporaryDir dir;
    QString error;

    QVERIFY(!rw::readImportFile(dir.filePath("missing.txt"), &error));
    QVERIFY(!error.isEmpty());

    error.clear();
    QVERIFY(!rw::readImportFile(dir.path(), &error));
    QVERIFY(!error.isEmpty());

    const QString path = dir.filePath("any.log");
    QVERIFY(writeBytes(path, QByteArray("\xFF\xFE"
                                        "a\0\0\0b\0",
                                        8)));
    const std::optional<QString> text = rw::readImportFile(path, &error);
    QVERIFY(text);
    QCOMPARE(*text, QString::fromUtf16(u"a\0b", 3));

    QVERIFY(writeBytes(path, QByteArray()));
    const std::optional<QString> empty = rw::readImportFile(path);
    QVERIFY(empty);
    QVERIFY(empty->isEmpty());
}

void tst_TextFiles::onlyRegularFilesAreRead_data() {
    QTest::addColumn<Kind>("make");
    QTest::addColumn<QString>("reason"); // empty: the file is read
    const auto bytes = [](const QByteArray &content) {
        return Kind([content](const QString &path) { return writeBytes(path, content); });
    };
    const auto link = [](const QString &target) {
        return Kind([target](const QString &path) { return QFile::link(target, path); });
    };
    QTest::newRow("regular file") << bytes("abc") << QString();
    QTest::newRow("directory") << Kind([](const QString &path) { return QDir().mkdir(path); })
                               << "is a directory";
    // Sparse: it takes no disk space, and reading it would take a gigabyte of memory.
    QTest::newRow("above the limit") << Kind([](const QString &path) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.resize(rw::kMaxTextFileBytes + 1);
    }) << QStringLiteral("is too large: %1 bytes").arg(rw::kMaxTextFileBytes + 1);
#ifndef Q_OS_WIN
    QTest::newRow("symlink to a regular file") << link(QStringLiteral("/etc/hostname")) << QString();
    QTest::newRow("fifo") << Kind([](const QString &path) {
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    }) << "is a FIFO, not a regular file";
    QTest::newRow("symlink to /dev/zero")
        << link(QStringLiteral("/dev/zero")) << "is a character device, not a regular file";
    QTest::newRow("socket") << Kind([](const QString &path) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        qstrncpy(address.sun_path, name.constData(), sizeof address.sun_path);
        const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
        ::close(fd);
        return bound;
    }) << "is a socket, not a regular file";
#else
    Q_UNUSED(link);
#endif
}

void tst_TextFiles::onlyRegularFilesAreRead() {
    QFETCH(Kind, make);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath("test.txt");
    QVERIFY(make(path));

    const rw::WorkingFileRead working = rw::readWorkingFile(path);
    QString importError;
    const std::optional<QString> imported = rw::readImportFile(path, &importError);
    if (reason.isEmpty()) {
        QCOMPARE(working.status, rw::FileReadStatus::Ok);
        QVERIFY(imported);
        QVERIFY(rw::nonRegularReason(path).isEmpty());
        return;
    }
    QCOMPARE(working.status, rw::FileReadStatus::Failed);
    QVERIFY(working.text.isEmpty());
    QVERIFY(!imported);
    for (const QString &error : {working.error, importError}) {
        QVERIFY2(error.startsWith(path), qPrintable(error));
        QVERIFY2(error.contains(reason), qPrintable(error));
    }
    // Nothing is written over it either (a too large file is a regular one, and may be replaced).
    QString writeError;
    if (QFileInfo(path).isFile()) {
        QVERIFY(rw::nonRegularReason(path).isEmpty());
    } else {
        QVERIFY(!rw::writeWorkingFile(path, u"text", &writeError));
        QVERIFY2(writeError.contains(reason), qPrintable(writeError));
    }
}

void tst_TextFiles::readsUpToTheLimit() {
    QTemporaryDir dir;
    const QString path = dir.filePath("jl.txt");
    QVERIFY(writeBytes(path, "0123456789"));
    QCOMPARE(rw::readRegularFile(path, 10).bytes, QByteArray("0123456789"));
    const rw::FileBytes over = rw::readRegularFile(path, 9);
    QCOMPARE(over.status, rw::FileReadStatus::Failed);
    QVERIFY(over.bytes.isEmpty());
    QVERIFY2(over.error.contains("10 bytes (the limit is 9 bytes)"), qPrintable(over.error));
#ifdef Q_OS_LINUX
    // A file that reports no size is still read to its end, and still bounded.
    QCOMPARE(rw::readRegularFile(QStringLiteral("/proc/self/comm")).bytes, QByteArray("tst_textfiles\n"));
    QCOMPARE(rw::readRegularFile(QStringLiteral("/proc/self/comm"), 5).status, rw::FileReadStatus::Failed);
#endif
    QCOMPARE(rw::readRegularFile(dir.filePath("missing")).status, rw::FileReadStatus::Missing);
}

void tst_TextFiles::truncatedTails_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("working"); // through the working files' decoder, else the import's
    QTest::addColumn<QString>("text");
    const QString fffd(QChar::ReplacementCharacter);
    QTest::newRow("gb18030 lead byte") << QByteArray("ab\x81") << true << "ab" + fffd;
    QTest::newRow("gb18030 two of four bytes") << QByteArray("ab\x81\x30") << true << "ab" + fffd + "0";
    QTest::newRow("gb18030 three of four bytes")
        << QByteArray("ab\x81\x30\x81") << true << "ab" + fffd + "0" + fffd;
    QTest::newRow("gb18030 complete")
        << QByteArray("ab\x81\x30\x81\x30") << true << QStringLiteral("ab\u0080");
    QTest::newRow("import, gb18030 lead byte") << QByteArray("\xC4\xE3\x81") << false << "你" + fffd;
    QTest::newRow("utf-8 cut after utf-8 text") << QByteArray("\xE4\xBD\xA0\xE4\xB8") << false << "你" + fffd;
    QTest::newRow("utf-8 with bom, cut") << QByteArray("\xEF\xBB\xBF"
                                                       "a\xF0\x9F\x98")
                                         << false << "a" + fffd;
    // After plain ASCII the two bytes are a whole GB18030 character.
    QTest::newRow("ascii then a gb18030 character")
        << QByteArray("ab\xE4\xB8") << false << QStringLiteral("ab涓");
    QTest::newRow("utf-16le odd last byte") << QByteArray("\xFF\xFE"
                                                          "a\0b",
                                                          5)
                                            << false << "a" + fffd;
    QTest::newRow("utf-16be odd last byte") << QByteArray("\xFE\xFF\0a\0", 5) << false << "a" + fffd;
}

void tst_TextFiles::truncatedTails() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, working);
    QFETCH(QString, text);
    QCOMPARE(working ? rw::decodeWorkingBytes(bytes) : rw::decodeImported(bytes), text);
}

void tst_TextFiles::firstScreenOfABigFile_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("imported"); // decoded as an import, else as a working file
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<bool>("shown");
    const qint64 noLimit = rw::kMaxTextFileBytes;
    QTest::newRow("no bigger than the threshold")
        << QByteArray(rw::kFirstScreenAfter, 'a') << true << noLimit << false;
    QTest::newRow("lines, imported UTF-8")
        << QByteArray("ab \xE4\xB8\xAD\r\n").repeated(900'000) << true << noLimit << true;
    QTest::newRow("lines, working file")
        << QByteArray("ab \xD6\xD0\r\n").repeated(900'000) << false << noLimit << true;
    // One line: the read ends inside a character, which must not show as a broken one.
    QTest::newRow("one line of emoji, UTF-8")
        << QByteArray("x\xF0\x9F\x98\x80").repeated(1'000'000) << true << noLimit << true;
    QTest::newRow("one line, GB18030 cut in a character")
        << (QByteArray("x") + QByteArray("\xD6\xD0").repeated(2'500'000)) << false << noLimit << true;
    QTest::newRow("bigger than a whole read takes")
        << QByteArray(rw::kFirstScreenAfter + 10, 'a') << true << rw::kFirstScreenAfter + 9 << false;
}

// The first screen is whole lines (or one line's whole characters) of the very text the whole read gives.
void tst_TextFiles::firstScreenOfABigFile() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, imported);
    QFETCH(qint64, limit);
    QFETCH(bool, shown);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const auto decode = imported ? rw::decodeImported : rw::decodeWorkingBytes;
    const std::optional<QString> first = rw::firstScreen(path, decode, limit);
    QCOMPARE(first.has_value(), shown);
    QVERIFY(!rw::firstScreen(dir.path(), decode, limit));
    if (!shown)
        return;
    const QString whole = decode(bytes);
    QVERIFY(!first->isEmpty());
    QVERIFY(first->size() <= rw::kFirstScreenBytes);
    QVERIFY(whole.startsWith(*first));
    QVERIFY(!first->contains(QChar::ReplacementCharacter));
    QVERIFY(!first->back().isHighSurrogate());
    if (whole.left(first->size() + 1).contains(u'\n'))
        QVERIFY(first->endsWith(u'\n'));
}

QTEST_GUILESS_MAIN(tst_TextFiles)
#include "tst_textfiles.moc"
