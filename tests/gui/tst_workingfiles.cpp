#include "TestWindow.h"
#include "app/MainWindowUi.h"
#include "files/WorkingFiles.h"
#include "core/rules/BuiltInRules.h"
#include "rules/RulesController.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStringEncoder>
#include <QTreeWidget>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace rw;

Q_DECLARE_METATYPE(rw::Rule)

namespace {

const QStringList TextFiles{"bds.txt", "jl.txt", "test.txt"};

QByteArray gb(const QString &text) {
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
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

// Asks the window to close with answers queued for its questions; true when it closed.
bool requestClose(TestWindow &t, std::initializer_list<bool> answers) {
    for (bool answer : answers)
        t.dialogs.yesNo.push_back(answer);
    t.window().close();
    return !t.window().isVisible();
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

// Holds a FIFO standing for a working file: the loader blocks on it until release() feeds it.
class HeldFile final {
public:
    explicit HeldFile(QString path, QByteArray bytes) : m_path(std::move(path)), m_bytes(std::move(bytes)) {
        m_writer = std::thread([this] {
            while (!m_released.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            // Blocks until the loader opens the FIFO for reading.
            const int fd = ::open(QFile::encodeName(m_path).constData(), O_WRONLY);
            if (fd >= 0) {
                if (::write(fd, m_bytes.constData(), size_t(m_bytes.size())) != m_bytes.size())
                    qWarning("short write to the FIFO");
                ::close(fd);
            }
        });
    }
    ~HeldFile() { release(); }
    void release() {
        m_released.store(true);
        if (m_writer.joinable())
            m_writer.join();
    }

private:
    QString m_path;
    QByteArray m_bytes;
    std::atomic<bool> m_released{false};
    std::thread m_writer;
};

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

    for (const char *box : {"编辑框_表达式", "编辑框_记录", "编辑框_源文本"})
        QVERIFY(t.find<QPlainTextEdit>(box)->toPlainText().isEmpty());
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
    QCOMPARE(t.find<QPlainTextEdit>("编辑框_源文本")->toPlainText(), text);
    const QList<Rule> rules = rulesOf(t);
    QVERIFY(!rules.isEmpty());
    QCOMPARE(rules.first().name, QStringLiteral("name"));
    QVERIFY(rules.first().expression.startsWith(QStringLiteral("expr")));
    // Nothing of the file behind a zero byte reaches the list.
    if (bytes.contains('\0'))
        QCOMPARE(rules, QList<Rule>({{"name", "expr" + text, {}}}));
    // The document a box gets from the loader looks like the box's own.
    auto *source = t.find<QPlainTextEdit>("编辑框_源文本");
    QCOMPARE(source->document()->defaultFont(), source->font());
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
        t.find<QPlainTextEdit>("编辑框_源文本")->setPlainText(source);
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
        QCOMPARE(again.find<QPlainTextEdit>("编辑框_源文本")->toPlainText(), source);
        QCOMPARE(rulesOf(again), rulesOf(t));
    }
}

void TestWorkingFiles::rulesSaveFormat() {
    TestWindow t(withFiles({{"gz.txt", QByteArray()}}));
    QVERIFY(!t.window().workingFiles()->isLoading());
    QCOMPARE(t.window().ui().rulesList->topLevelItemCount(), 0);
    const QList<Rule> rows{{"有说明", "\\d+", "数字€"},
                           {"无说明", "a|b", ""},
                           {"", "no name", "x"},
                           {"no expression", "", "y"},
                           {"", "", ""}};
    QAction *add = t.window().ui().rulesMenu->actions().first();
    for (const Rule &row : rows) {
        add->trigger();
        QTreeWidgetItem *item =
            t.window().ui().rulesList->topLevelItem(t.window().ui().rulesList->topLevelItemCount() - 1);
        item->setText(0, row.name);
        item->setText(1, row.expression);
        item->setText(2, row.description);
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
        QCOMPARE(t.window().ui().rulesList->topLevelItemCount(), 0);
    QVERIFY(t.dialogs.asked.isEmpty());

    auto *source = t.find<QPlainTextEdit>("编辑框_源文本");
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
    // No keeps the window open with its contents; a second Yes closes it anyway.
    QVERIFY(t.window().isVisible());
    QCOMPARE(source->toPlainText(), QStringLiteral("keep me"));
    QVERIFY(requestClose(t, {true, true}));
}

void TestWorkingFiles::closeWaitsForTheLoader() {
    TestWindow t(
        [](const QString &dir) {
            writeBytes(QDir(dir).filePath("jl.txt"), "notes");
            writeBytes(QDir(dir).filePath("bds.txt"), "expression");
            QVERIFY(::mkfifo(QFile::encodeName(QDir(dir).filePath("test.txt")).constData(), 0600) == 0);
        },
        false);
    HeldFile held(filePath(t, "test.txt"), "source\r\ntext");
    // The notes come just before the source text: from here on the loader waits for the FIFO.
    QTRY_COMPARE_WITH_TIMEOUT(t.find<QPlainTextEdit>("编辑框_记录")->toPlainText(), QStringLiteral("notes"),
                              60000);
    QVERIFY(t.window().workingFiles()->isLoading());

    QVERIFY(!requestClose(t, {true}));
    QVERIFY(t.window().isVisible());
    QVERIFY(t.dialogs.asked.isEmpty());
    QCOMPARE(readBytes(filePath(t, "bds.txt")), QByteArray("expression"));

    held.release();
    // Once loaded, the remembered close request asks and, on Yes, saves the complete contents.
    QTRY_VERIFY_WITH_TIMEOUT(!t.window().isVisible(), 60000);
    QCOMPARE(t.dialogs.asked.size(), 1);
    QCOMPARE(readBytes(filePath(t, "bds.txt")), QByteArray("expression"));
    QCOMPARE(readBytes(filePath(t, "jl.txt")), QByteArray("notes"));
    QCOMPARE(readBytes(filePath(t, "test.txt")), QByteArray("source\r\ntext"));
    QVERIFY(QFileInfo(filePath(t, "test.txt")).isFile());
}

QTEST_MAIN(TestWorkingFiles)
#include "tst_workingfiles.moc"
