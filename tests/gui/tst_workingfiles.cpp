#include "PoolHold.h"
#include "TestWindow.h"
#include "app/MainWindowUi.h"
#include "core/rules/BuiltInRules.h"
#include "core/rules/RulesCodec.h"
#include "core/text/Gb18030.h"
#include "core/text/LineBreaks.h"
#include "core/text/RegularFile.h"
#include "core/text/WorkingFile.h"
#include "files/WorkingFiles.h"
#include "rules/RulesController.h"
#include "textbox/TextEditor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeView>

#ifndef Q_OS_WIN
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <csignal>
#include <functional>
#include <thread>

#include <QRandomGenerator>
#include <QScopeGuard>

using namespace rw;

Q_DECLARE_METATYPE(rw::Rule)
using FileKinds = QList<std::pair<QString, std::function<void(const QString &)>>>;
Q_DECLARE_METATYPE(FileKinds)

namespace {

const QStringList TextFiles{"bds.txt", "jl.txt", "test.txt"};

QByteArray gb(const QString &text) {
    return rw::toGb18030(text);
}

QByteArray readBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void writeBytes(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QString filePath(TestWindow &t, const QString &name) {
    return QDir(t.programDir.path()).filePath(name);
}

// Asks the window to close with answers queued for its questions; true when it closed. On Yes the files
// are written on a worker and the window closes once they are.
bool requestClose(TestWindow &t, std::initializer_list<bool> answers) {
    for (bool answer : answers)
        t.dialogs.yesNo.push_back(answer);
    t.window().close();
    if (!QTest::qWaitFor([&] { return !t.window().workingFiles()->isSaving(); }, 60000))
        qWarning("the working files were not written");
    return !t.window().isVisible();
}

QList<Rule> rulesFromBuiltIns() {
    return parseRules(builtInRulesText());
}

QList<Rule> rulesOf(TestWindow &t) {
    return t.window().rulesController()->rules();
}

// Writes the given texts as working files into a directory, for a window to start from.
std::function<void(const QString &)> withFiles(const QList<std::pair<QString, QByteArray>> &files) {
    return [files](const QString &dir) {
        for (const auto &[name, bytes] : files)
            writeBytes(QDir(dir).filePath(name), bytes);
    };
}

// What stands at a path, to tell that a close left it exactly as it was.
QString describe(const QString &path) {
#ifdef Q_OS_WIN
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return QStringLiteral("nothing");
    if (info.isSymLink())
        return QStringLiteral("link to ") + info.symLinkTarget();
    if (info.isDir())
        return QStringLiteral("directory");
    if (info.size() > 16 * 1024 * 1024)
        return QStringLiteral("file of %1 bytes").arg(info.size());
    return QStringLiteral("file ") + QString::fromLatin1(readBytes(path).toHex());
#else
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return QStringLiteral("nothing");
    if (S_ISLNK(info.st_mode))
        return QStringLiteral("link to ") + QFile::symLinkTarget(path);
    if (S_ISFIFO(info.st_mode))
        return QStringLiteral("fifo");
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("directory");
    if (info.st_size > 16 * 1024 * 1024)
        return QStringLiteral("file of %1 bytes, %2 blocks").arg(info.st_size).arg(info.st_blocks);
    return QStringLiteral("file ") + QString::fromLatin1(readBytes(path).toHex());
#endif
}

// The text the source box shows for a file's text.
QString shownAs(const QString &text) {
    TextEditor box;
    box.setPlainText(text);
    return box.toPlainText();
}

using Make = std::function<void(const QString &path)>;

Make content(const QByteArray &bytes) {
    return [bytes](const QString &path) { writeBytes(path, bytes); };
}

Make linkTo(const QString &target) {
    return [target](const QString &path) { QVERIFY(QFile::link(target, path)); };
}

QByteArray garbage(int seed) {
    QRandomGenerator random(quint32(seed + 1));
    QByteArray bytes(1 << 20, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    return bytes;
}

} // namespace

class TestWorkingFiles final : public QObject {
    Q_OBJECT
private slots:
    void firstStartInAnEmptyDirectory();
    void declinedCloseWritesNothing();
    void loadsEachFileIntoItsControl_data();
    void loadsEachFileIntoItsControl();
    void textsSurviveASaveAndALoad();
    void rulesSaveFormat();
    void separatorsInsideFieldsAfterAReload_data();
    void separatorsInsideFieldsAfterAReload();
    void failedWritesAreReported_data();
    void failedWritesAreReported();
    void closeWaitsForTheLoader();
    void closeWritesOnAWorker();
    void windowGoesDuringTheLoad();
    void filesOfEveryKind_data();
    void filesOfEveryKind();
    void aChangedBoxIsWrittenWithCrLf();
    void anEditTakenBackLeavesTheFile_data();
    void anEditTakenBackLeavesTheFile();
    void writeFailureNamesTheSystemsReason();
    void sessionEndAsksAndSavesAtOnce();
};

void TestWorkingFiles::firstStartInAnEmptyDirectory() {
    TestWindow t;
    QVERIFY(!t.window().workingFiles()->isLoading());
    QCOMPARE(readBytes(filePath(t, "gz.txt")), gb(builtInRulesText()));
    QVERIFY(!gb(builtInRulesText()).endsWith("\r\n"));

    const QList<Rule> rules = rulesOf(t);
    QCOMPARE(rules.size(), 32);
    QCOMPARE(rules.first().name, QStringLiteral("转义"));
    QCOMPARE(rules.first().expression, QStringLiteral("\\"));
    QCOMPARE(rules.last().name, QStringLiteral("域名"));
    for (int line : {6, 27, 28, 29, 30, 31, 32})
        QVERIFY2(rules[line - 1].description.isEmpty(), qPrintable(rules[line - 1].name));
    QCOMPARE(rules[4].description, QStringLiteral("双击可以复制哦"));

    for (const char *box : {"编辑框_表达式", "编辑框_记录"})
        QVERIFY(t.find<QPlainTextEdit>(box)->toPlainText().isEmpty());
    QVERIFY(t.find<TextEditor>("编辑框_源文本")->toPlainText().isEmpty());
    for (const QString &name : TextFiles)
        QVERIFY2(!QFileInfo::exists(filePath(t, name)), qPrintable(name));
    QVERIFY(t.dialogs.asked.isEmpty());

    QVERIFY(requestClose(t, {true}));
    QCOMPARE(t.dialogs.asked.size(), 1);
    QCOMPARE(t.dialogs.asked[0].text, QStringLiteral("是否关闭本工具?"));
    QCOMPARE(t.dialogs.asked[0].caption, QStringLiteral("信息："));
    QCOMPARE(t.dialogs.asked[0].icon, Dialogs::Icon::Question);
    for (const QString &name : TextFiles) {
        QVERIFY2(QFileInfo(filePath(t, name)).isFile(), qPrintable(name));
        QCOMPARE(QFileInfo(filePath(t, name)).size(), 0);
    }
    // The first close rewrites the rules in the save format: every line ends with a line break.
    const QByteArray rulesFile = readBytes(filePath(t, "gz.txt"));
    QVERIFY(rulesFile.endsWith("\r\n"));
    QCOMPARE(rulesFile.count("\r\n"), 32);
    QCOMPARE(rulesFile, gb(builtInRulesText() + QStringLiteral("\r\n")));
}

void TestWorkingFiles::declinedCloseWritesNothing() {
    const QList<std::pair<QString, QByteArray>> files{
        {"bds.txt", "a+"}, {"jl.txt", gb("笔记")}, {"test.txt", "aaa\r\nb"}, {"gz.txt", "x----y"}};
    TestWindow t(withFiles(files));
    QVERIFY(!t.window().workingFiles()->isLoading());
    t.setInputs("changed", "changed too");
    t.window().ui().rulesMenu->actions().first()->trigger();

    QVERIFY(!requestClose(t, {false}));
    QVERIFY(t.window().isVisible());
    for (const auto &[name, bytes] : files)
        QCOMPARE(readBytes(filePath(t, name)), bytes);
    QCOMPARE(t.find<QPlainTextEdit>("编辑框_表达式")->toPlainText(), QStringLiteral("changed"));
    QCOMPARE(QDir(t.programDir.path()).entryList(QDir::Files).size(), 4);
}

void TestWorkingFiles::loadsEachFileIntoItsControl_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero byte ends the text") << QByteArray("before\0after", 12) << QStringLiteral("before");
    QTest::newRow("zero byte first") << QByteArray("\0after", 6) << QString();
    QTest::newRow("line breaks") << QByteArray("a\r\nb\r\n\r\nc") << QStringLiteral("a\nb\n\nc");
    QTest::newRow("chinese") << gb("中文----正则") << QStringLiteral("中文----正则");
    QTest::newRow("outside GBK") << gb("€ 😀") << QStringLiteral("€ 😀");
}

void TestWorkingFiles::loadsEachFileIntoItsControl() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QByteArray rulesBytes = "name----expr" + bytes;
    TestWindow t(
        withFiles({{"bds.txt", bytes}, {"jl.txt", bytes}, {"test.txt", bytes}, {"gz.txt", rulesBytes}}));
    QVERIFY(!t.window().workingFiles()->isLoading());
    QCOMPARE(t.find<QPlainTextEdit>("编辑框_表达式")->toPlainText(), text);
    QCOMPARE(t.find<QPlainTextEdit>("编辑框_记录")->toPlainText(), text);
    QCOMPARE(t.find<TextEditor>("编辑框_源文本")->toPlainText(), text);
    const QList<Rule> rules = rulesOf(t);
    QVERIFY(!rules.isEmpty());
    QCOMPARE(rules.first().name, QStringLiteral("name"));
    QVERIFY(rules.first().expression.startsWith(QStringLiteral("expr")));
    // Nothing of the file behind a zero byte reaches the list.
    if (bytes.contains('\0'))
        QCOMPARE(rules, QList<Rule>({{"name", "expr" + text, {}}}));
    // The documents the small boxes get from the loader look like the boxes' own.
    for (const char *name : {"编辑框_表达式", "编辑框_记录"}) {
        auto *box = t.find<QPlainTextEdit>(name);
        QCOMPARE(box->document()->defaultFont(), box->font());
    }
}

void TestWorkingFiles::textsSurviveASaveAndALoad() {
    const QString expression = QStringLiteral("(\\d+)€😀");
    const QString notes = QStringLiteral("第一行\n第二行 😀\n\n€ 末行");
    const QString source = QStringLiteral("\nsource text\n");
    QString dir;
    {
        TestWindow t;
        QVERIFY(!t.window().workingFiles()->isLoading());
        t.find<QPlainTextEdit>("编辑框_表达式")->setPlainText(expression);
        t.find<QPlainTextEdit>("编辑框_记录")->setPlainText(notes);
        t.find<TextEditor>("编辑框_源文本")->setPlainText(source);
        QVERIFY(requestClose(t, {true}));
        QCOMPARE(readBytes(filePath(t, "bds.txt")), gb(expression));
        QCOMPARE(readBytes(filePath(t, "jl.txt")), gb(QStringLiteral("第一行\r\n第二行 😀\r\n\r\n€ 末行")));
        QCOMPARE(readBytes(filePath(t, "test.txt")), QByteArray("\r\nsource text\r\n"));
        dir = t.programDir.path();
        TestWindow again([&](const QString &to) {
            for (const QString &name : TextFiles + QStringList{"gz.txt"})
                QVERIFY(QFile::copy(QDir(dir).filePath(name), QDir(to).filePath(name)));
        });
        QVERIFY(!again.window().workingFiles()->isLoading());
        QCOMPARE(again.find<QPlainTextEdit>("编辑框_表达式")->toPlainText(), expression);
        QCOMPARE(again.find<QPlainTextEdit>("编辑框_记录")->toPlainText(), notes);
        QCOMPARE(again.find<TextEditor>("编辑框_源文本")->toPlainText(), source);
        QCOMPARE(rulesOf(again), rulesOf(t));
    }
}

void TestWorkingFiles::rulesSaveFormat() {
    TestWindow t(withFiles({{"gz.txt", QByteArray()}}));
    QVERIFY(!t.window().workingFiles()->isLoading());
    QAbstractItemModel *model = t.window().ui().rulesList->model();
    QCOMPARE(model->rowCount(), 0);
    const QList<Rule> rows{{"有说明", "\\d+", "数字€"},
                           {"无说明", "a|b", ""},
                           {"", "no name", "x"},
                           {"no expression", "", "y"},
                           {"", "", ""}};
    QAction *add = t.window().ui().rulesMenu->actions().first();
    for (const Rule &row : rows) {
        add->trigger();
        const int last = model->rowCount() - 1;
        model->setData(model->index(last, 0), row.name);
        model->setData(model->index(last, 1), row.expression);
        model->setData(model->index(last, 2), row.description);
    }
    QVERIFY(requestClose(t, {true}));
    QCOMPARE(readBytes(filePath(t, "gz.txt")), gb("有说明----\\d+----数字€\r\n无说明----a|b\r\n"));
}

void TestWorkingFiles::separatorsInsideFieldsAfterAReload_data() {
    QTest::addColumn<Rule>("saved");
    QTest::addColumn<Rule>("reloaded");
    QTest::newRow("description with a separator") << Rule{"n", "e", "a----b"} << Rule{"n", "e", ""};
    QTest::newRow("expression with a separator, no description")
        << Rule{"n", "a----b", ""} << Rule{"n", "a", "b"};
    QTest::newRow("expression with a separator and a description")
        << Rule{"n", "a----b", "d"} << Rule{"n", "a", ""};
    QTest::newRow("separator at the end of the expression") << Rule{"n", "a----", ""} << Rule{"n", "a", ""};
}

void TestWorkingFiles::separatorsInsideFieldsAfterAReload() {
    QFETCH(Rule, saved);
    QFETCH(Rule, reloaded);
    QByteArray file;
    {
        TestWindow t(withFiles({{"gz.txt", QByteArray()}}));
        QVERIFY(!t.window().workingFiles()->isLoading());
        t.window().rulesController()->addLoadedRules({saved});
        QVERIFY(requestClose(t, {true}));
        file = readBytes(filePath(t, "gz.txt"));
    }
    TestWindow t(withFiles({{"gz.txt", file}}));
    QVERIFY(!t.window().workingFiles()->isLoading());
    QCOMPARE(rulesOf(t), QList<Rule>{reloaded});
}

void TestWorkingFiles::failedWritesAreReported_data() {
    QTest::addColumn<QStringList>("blocked");
    QTest::newRow("every file") << QStringList{"bds.txt", "jl.txt", "test.txt", "gz.txt"};
    QTest::newRow("the source text only") << QStringList{"test.txt"};
}

void TestWorkingFiles::failedWritesAreReported() {
    QFETCH(QStringList, blocked);
    // Permission bits stop nothing for root; a directory where a file belongs stops any write.
    TestWindow t([&](const QString &dir) {
        for (const QString &name : blocked)
            QVERIFY(QDir(dir).mkdir(name));
    });
    QVERIFY(!t.window().workingFiles()->isLoading());
    if (blocked.contains("gz.txt"))
        QCOMPARE(t.window().ui().rulesList->model()->rowCount(), 0);
    QVERIFY(t.dialogs.asked.isEmpty());

    auto *source = t.find<TextEditor>("编辑框_源文本");
    source->setPlainText("keep me");
    QVERIFY(!requestClose(t, {true, false}));
    QCOMPARE(t.dialogs.asked.size(), 2);
    const ScriptedDialogs::Asked report = t.dialogs.asked[1];
    QCOMPARE(report.kind, QStringLiteral("yesno"));
    QCOMPARE(report.caption, QStringLiteral("信息："));
    QVERIFY2(report.text.contains(QStringLiteral("是否仍然关闭本工具?")), qPrintable(report.text));
    for (const QString &name : TextFiles + QStringList{"gz.txt"}) {
        const bool named = report.text.contains(name + QStringLiteral(": "));
        QVERIFY2(named == blocked.contains(name), qPrintable(report.text));
        if (!blocked.contains(name))
            QVERIFY2(QFileInfo(filePath(t, name)).isFile(), qPrintable(name));
    }
    // No keeps the window open with its contents, usable again; a second Yes closes it anyway.
    QVERIFY(t.window().isVisible());
    QVERIFY(t.window().isEnabled());
    QCOMPARE(source->toPlainText(), QStringLiteral("keep me"));
    QVERIFY(requestClose(t, {true, true}));
}

void TestWorkingFiles::closeWaitsForTheLoader() {
    std::unique_ptr<PoolHold> hold;
    TestWindow t(
        [&](const QString &dir) {
            writeBytes(QDir(dir).filePath("jl.txt"), "notes");
            writeBytes(QDir(dir).filePath("bds.txt"), "expression");
            writeBytes(QDir(dir).filePath("test.txt"), "source\r\ntext");
            // The loader waits in the pool's queue until the hold is released.
            hold = std::make_unique<PoolHold>();
        },
        false);
    QVERIFY(t.window().workingFiles()->isLoading());

    QVERIFY(!requestClose(t, {true}));
    QVERIFY(t.window().isVisible());
    QVERIFY(t.dialogs.asked.isEmpty());
    QCOMPARE(readBytes(filePath(t, "bds.txt")), QByteArray("expression"));

    hold->release();
    // Once loaded, the remembered close request asks and, on Yes, saves the complete contents; the
    // files as loaded stay as they were.
    QTRY_VERIFY_WITH_TIMEOUT(!t.window().isVisible(), 60000);
    QCOMPARE(t.dialogs.asked.size(), 1);
    QCOMPARE(t.find<TextEditor>("编辑框_源文本")->toPlainText(), QStringLiteral("source\ntext"));
    QCOMPARE(readBytes(filePath(t, "bds.txt")), QByteArray("expression"));
    QCOMPARE(readBytes(filePath(t, "jl.txt")), QByteArray("notes"));
    QCOMPARE(readBytes(filePath(t, "test.txt")), QByteArray("source\r\ntext"));
}

// On Yes the files are written on a worker: meanwhile the window is disabled, so that nothing typed is
// left out of what is written, and another close request asks nothing; the window closes once they are.
void TestWorkingFiles::closeWritesOnAWorker() {
    TestWindow t(withFiles({{"test.txt", "as loaded"}}));
    QVERIFY(!t.window().workingFiles()->isLoading());
    t.find<TextEditor>("编辑框_源文本")->setPlainText("changed");
    auto hold = std::make_unique<PoolHold>();
    t.dialogs.yesNo.push_back(true);
    t.window().close();
    QVERIFY(t.window().workingFiles()->isSaving());
    QVERIFY(t.window().isVisible());
    QVERIFY(!t.window().isEnabled());
    t.window().close();
    QCOMPARE(t.dialogs.asked.size(), 1);
    QVERIFY(t.window().isVisible());
    QCOMPARE(readBytes(filePath(t, "test.txt")), QByteArray("as loaded"));

    hold->release();
    QTRY_VERIFY_WITH_TIMEOUT(!t.window().isVisible(), 60000);
    QCOMPARE(t.dialogs.asked.size(), 1);
    QCOMPARE(readBytes(filePath(t, "test.txt")), QByteArray("changed"));
}

void TestWorkingFiles::windowGoesDuringTheLoad() {
    for (const bool released : {false, true}) {
        std::unique_ptr<PoolHold> hold;
        auto t = std::make_unique<TestWindow>(
            [&](const QString &dir) {
                writeBytes(QDir(dir).filePath("test.txt"), QByteArray(8 << 20, 'a'));
                writeBytes(QDir(dir).filePath("jl.txt"), "notes");
                hold = std::make_unique<PoolHold>();
            },
            false);
        QVERIFY(t->window().workingFiles()->isLoading());
        const QString dir = t->programDir.path();
        // Either the loader has not begun yet or it is building the texts when the window goes.
        if (released)
            hold->release();
        QPointer<QPlainTextEdit> notes = t->find<QPlainTextEdit>("编辑框_记录");
        hold->release();
        t.reset();
        QVERIFY(!notes);
    }
}

void TestWorkingFiles::filesOfEveryKind_data() {
    QTest::addColumn<FileKinds>("files");
    QTest::addColumn<QString>("source");      // what 编辑框_源文本 shows
    QTest::addColumn<QList<Rule>>("rules");   // what the rules list shows
    QTest::addColumn<QString>("status");      // part of the status message after loading; empty: none
    QTest::addColumn<QStringList>("unsaved"); // files the close reports as not saved

    const QString fffd(QChar::ReplacementCharacter);
#ifndef Q_OS_WIN
    const auto fifo = [](const QString &path) {
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    };
#endif
    const auto directory = [](const QString &path) { QVERIFY(QDir().mkdir(path)); };
    const auto sparse = [](const QString &path) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(kMaxTextFileBytes + 1));
    };
    const QList<Rule> none;
    const QList<Rule> two{{"n1", "e1", ""}, {"n2", "e2", "d2"}};

#ifndef Q_OS_WIN
    QTest::newRow("fifo as the source text")
        << FileKinds{{"test.txt", fifo}} << QString() << rulesFromBuiltIns()
        << "test.txt is a FIFO, not a regular file" << QStringList{"test.txt"};
    QTest::newRow("fifo as the rules") << FileKinds{{"gz.txt", fifo}} << QString() << none
                                       << "gz.txt is a FIFO, not a regular file" << QStringList{"gz.txt"};
    QTest::newRow("/dev/zero as the source text")
        << FileKinds{{"test.txt", linkTo("/dev/zero")}} << QString() << rulesFromBuiltIns()
        << "test.txt is a character device, not a regular file" << QStringList{"test.txt"};
    QTest::newRow("/dev/zero as the rules")
        << FileKinds{{"gz.txt", linkTo("/dev/zero")}} << QString() << none
        << "gz.txt is a character device, not a regular file" << QStringList{"gz.txt"};
#endif
    QTest::newRow("directory as the notes")
        << FileKinds{{"jl.txt", directory}} << QString() << rulesFromBuiltIns() << "jl.txt is a directory"
        << QStringList{"jl.txt"};
    QTest::newRow("sparse file above the limit")
        << FileKinds{{"test.txt", sparse}} << QString() << rulesFromBuiltIns()
        << QStringLiteral("test.txt is too large: %1 bytes").arg(kMaxTextFileBytes + 1) << QStringList{};
    QTest::newRow("garbage in all four")
        << FileKinds{{"bds.txt", content(garbage(1))},
                     {"jl.txt", content(garbage(2))},
                     {"test.txt", content(garbage(3))},
                     {"gz.txt", content(garbage(4))}}
        << shownAs(decodeWorkingBytes(garbage(3))) << parseRules(decodeWorkingBytes(garbage(4))) << QString()
        << QStringList{};
    QTest::newRow("lf line ends") << FileKinds{{"test.txt", content("a\nb\n")},
                                               {"gz.txt", content("n1----e1\nn2----e2----d2\n")}}
                                  << "a\nb\n"
                                  << two << QString() << QStringList{};
    QTest::newRow("lone cr line ends")
        << FileKinds{{"test.txt", content("a\rb\r")}, {"gz.txt", content("n1----e1\rn2----e2----d2")}}
        << "a\nb\n"
        << two << QString() << QStringList{};
#ifndef Q_OS_WIN // QFile::link makes a shortcut there, a file of its own
    QTest::newRow("symlink to a regular file")
        << FileKinds{{"real.txt", content("linked\r\ntext")}, {"test.txt", linkTo("real.txt")}}
        << "linked\ntext" << rulesFromBuiltIns() << QString() << QStringList{};
#endif
    QTest::newRow("gb18030 cut after its lead byte")
        << FileKinds{{"test.txt", content("ab\x81")}, {"gz.txt", content("n----e\x81\x30")}} << "ab" + fffd
        << QList<Rule>{{"n", "e" + fffd + "0", ""}} << QString() << QStringList{};
}

void TestWorkingFiles::filesOfEveryKind() {
    QFETCH(FileKinds, files);
    QFETCH(QString, source);
    QFETCH(QList<Rule>, rules);
    QFETCH(QString, status);
    QFETCH(QStringList, unsaved);

    QMap<QString, QString> before;
    TestWindow t([&](const QString &dir) {
        for (const auto &[name, make] : files) {
            make(QDir(dir).filePath(name));
            before.insert(name, describe(QDir(dir).filePath(name)));
        }
    });
    QVERIFY(!t.window().workingFiles()->isLoading());
    QCOMPARE(t.find<TextEditor>("编辑框_源文本")->toPlainText(), source);
    QCOMPARE(rulesOf(t), rules);
    if (status.isEmpty())
        QVERIFY2(!t.status().contains(QStringLiteral("未能读取")), qPrintable(t.status()));
    else
        QVERIFY2(t.status().startsWith(QStringLiteral("以下文件未能读取: ")) && t.status().contains(status),
                 qPrintable(t.status()));

    // Untouched, every file that was there stays as it was; what can't be written over is reported, and
    // a second Yes closes the window all the same.
    QVERIFY(requestClose(t, unsaved.isEmpty() ? std::initializer_list<bool>{true}
                                              : std::initializer_list<bool>{true, true}));
    QCOMPARE(t.dialogs.asked.size(), unsaved.isEmpty() ? 1 : 2);
    for (const QString &name : TextFiles + QStringList{"gz.txt"}) {
        const bool reported = t.dialogs.asked.size() == 2 && t.dialogs.asked[1].text.contains(name + ": ");
        QVERIFY2(reported == unsaved.contains(name), qPrintable(name));
    }
    for (const auto &[name, make] : files)
        QVERIFY2(describe(filePath(t, name)) == before.value(name), qPrintable(name));
}

void TestWorkingFiles::aChangedBoxIsWrittenWithCrLf() {
    TestWindow t(withFiles({{"test.txt", "a\nb"}, {"jl.txt", "x\ry"}, {"gz.txt", "n----e\nm----f\n"}}));
    QVERIFY(!t.window().workingFiles()->isLoading());
    auto *source = t.find<TextEditor>("编辑框_源文本");
    source->setCursorPosition(source->size());
    source->insertPlainText("\nc");
    QAbstractItemModel *rules = t.window().ui().rulesList->model();
    rules->setData(rules->index(1, 2), "d");
    QVERIFY(requestClose(t, {true}));
    QCOMPARE(readBytes(filePath(t, "test.txt")), QByteArray("a\r\nb\r\nc"));
    QCOMPARE(readBytes(filePath(t, "gz.txt")), QByteArray("n----e\r\nm----f----d\r\n"));
    QCOMPARE(readBytes(filePath(t, "jl.txt")), QByteArray("x\ry"));
}

void TestWorkingFiles::anEditTakenBackLeavesTheFile_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("box");
    QTest::newRow("source text") << "test.txt"
                                 << "编辑框_源文本";
    QTest::newRow("notes") << "jl.txt"
                           << "编辑框_记录";
    QTest::newRow("expression") << "bds.txt"
                                << "编辑框_表达式";
}

// Every box is told unchanged the same way: it holds the loaded text again, whatever happened between.
void TestWorkingFiles::anEditTakenBackLeavesTheFile() {
    QFETCH(QString, file);
    QFETCH(QString, box);
    // Line feeds only: a rewrite would turn them into "\r\n".
    TestWindow t(withFiles({{file, "a\nb"}}));
    QVERIFY(!t.window().workingFiles()->isLoading());
    if (auto *source = t.window().findChild<TextEditor *>(box)) {
        source->setCursorPosition(1);
        source->insertPlainText("x");
        source->undo();
    } else {
        auto *plain = t.find<QPlainTextEdit>(box);
        QTextCursor cursor(plain->document());
        cursor.setPosition(1);
        cursor.insertText("x");
        cursor.deletePreviousChar();
        QCOMPARE(plain->toPlainText(), QStringLiteral("a\nb"));
    }
    QVERIFY(requestClose(t, {true}));
    QCOMPARE(readBytes(filePath(t, file)), QByteArray("a\nb"));
}

void TestWorkingFiles::writeFailureNamesTheSystemsReason() {
    TestWindow t(withFiles({{"test.txt", "small"}}));
    QVERIFY(!t.window().workingFiles()->isLoading());
    t.find<TextEditor>("编辑框_源文本")->setPlainText(QString(100000, u'x'));
#ifdef Q_OS_WIN
    QSKIP("a file-size limit is a POSIX resource limit");
#else
    // A file-size limit makes the disk refuse the bytes even for root, as a full disk would.
    rlimit previous{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &previous), 0);
    {
        rlimit small = previous;
        small.rlim_cur = 4096;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const auto restore = qScopeGuard([&] {
            setrlimit(RLIMIT_FSIZE, &previous);
            std::signal(SIGXFSZ, oldHandler);
        });
        QVERIFY(!requestClose(t, {true, false}));
    }
    QCOMPARE(t.dialogs.asked.size(), 2);
    QVERIFY2(t.dialogs.asked[1].text.contains(QStringLiteral("test.txt: File too large")),
             qPrintable(t.dialogs.asked[1].text));
    QCOMPARE(readBytes(filePath(t, "test.txt")), QByteArray("small"));
    QVERIFY(requestClose(t, {true}));
    QCOMPARE(readBytes(filePath(t, "test.txt")), QByteArray(100000, 'x'));
#endif
}

// The desktop session ending asks as a close does and writes before it answers: the program may be gone
// right after. A No keeps everything as it was; a save is not asked for again unless a box changes.
void TestWorkingFiles::sessionEndAsksAndSavesAtOnce() {
    TestWindow t(withFiles({{"test.txt", "a"}, {"jl.txt", "notes"}}));
    QVERIFY(!t.window().workingFiles()->isLoading());
    auto *source = t.find<TextEditor>("编辑框_源文本");
    source->setCursorPosition(1);
    source->insertPlainText("b");
    WorkingFiles *files = t.window().workingFiles();

    t.dialogs.yesNo.push_back(false);
    QVERIFY(!files->saveForSessionEnd());
    QCOMPARE(t.dialogs.asked.size(), 1);
    QCOMPARE(t.dialogs.asked[0].text, QStringLiteral("是否关闭本工具?"));
    QCOMPARE(readBytes(filePath(t, "test.txt")), QByteArray("a"));

    t.dialogs.yesNo.push_back(true);
    QVERIFY(files->saveForSessionEnd());
    QCOMPARE(readBytes(filePath(t, "test.txt")), QByteArray("ab"));
    QCOMPARE(readBytes(filePath(t, "jl.txt")), QByteArray("notes"));
    // The close that the session's end brings goes without a second question.
    QVERIFY(files->confirmClose());
    QCOMPARE(t.dialogs.asked.size(), 2);

    // The session went on after all: an edit makes the next close ask and save again.
    source->insertPlainText("c");
    QVERIFY(requestClose(t, {true}));
    QCOMPARE(t.dialogs.asked.size(), 3);
    QCOMPARE(readBytes(filePath(t, "test.txt")), QByteArray("abc"));
}

QTEST_MAIN(TestWorkingFiles)
#include "tst_workingfiles.moc"
