#include "core/tests/TestCommand.h"
#include "core/tests/TestsCodec.h"
#include "core/text/WorkingFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <array>

using namespace Qt::StringLiterals;
using rw::TestCommandExit;

Q_DECLARE_METATYPE(rw::TestCommandExit)

class tst_TestCommand final : public QObject {
    Q_OBJECT

private slots:
    void report_data();
    void report();
    void unreadableFiles_data();
    void unreadableFiles();
    void oneLine_data();
    void oneLine();
    void theProgram_data();
    void theProgram();
};

namespace {

// A rules file (GB18030, as the program writes gz.txt) and, unless tests is null, its tests file.
struct Fixture {
    QTemporaryDir dir;
    QString rules = dir.filePath(u"gz.txt"_s);
    QString tests = dir.filePath(u"gz.tests.json"_s);

    Fixture(const QString &rulesText, const QByteArray &testsJson) {
        QVERIFY(rw::writeWorkingFile(rules, rulesText));
        if (testsJson.isNull())
            return;
        QFile file(tests);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(testsJson), testsJson.size());
    }
};

struct Run {
    TestCommandExit exit;
    QString out;
    QString err;
};

Run runCommand(const QString &rulesPath) {
    Run run;
    QTextStream out(&run.out);
    QTextStream err(&run.err);
    run.exit = rw::runTestCommand(rulesPath, out, err);
    out.flush();
    err.flush();
    return run;
}

const QString phoneRules = u"手机号----1[3-9]\\d{9}----十一位手机号\r\n邮箱----\\w+@\\w+\\.\\w+\r\n"
                           u"8进制----\\d----一位\r\n8进制----\\d\\d\r\n"_s;

// Entries of a tests file, each "name", "pattern" and its tests' JSON.
QByteArray testsFile(std::initializer_list<std::array<const char *, 3>> entries) {
    QByteArray json = R"({"version": 1, "patterns": [)";
    bool first = true;
    for (const auto &[name, pattern, tests] : entries) {
        json += first ? "" : ", ";
        first = false;
        json += R"({"name": ")" + QByteArray(name) + R"(", "pattern": ")" + QByteArray(pattern) +
                R"(", "tests": [)" + QByteArray(tests) + "]}";
    }
    return json + "]}";
}

} // namespace

void tst_TestCommand::report_data() {
    QTest::addColumn<QString>("rules");
    QTest::addColumn<QByteArray>("tests");
    QTest::addColumn<TestCommandExit>("exit");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    const char *phone = R"(1[3-9]\\d{9})";
    QTest::newRow("all pass")
        << phoneRules
        << testsFile(
               {{"手机号", phone,
                 R"({"sample": "13812345678", "expect": "whole"},
                                                {"sample": "电话 13812345678。", "expect": "match"},
                                                {"sample": "12345", "expect": "no-match"})"},
                {"邮箱", R"(\\w+@\\w+\\.\\w+)",
                 R"({"sample": "a@b.cn c@d.com", "expect": "matches", "values": ["a@b.cn", "c@d.com"]})"}})
        << TestCommandExit::AllPassed << u"4 passed, 0 failed\n"_s << QString();
    QTest::newRow("a line for each failure")
        << phoneRules
        << testsFile({{"手机号", phone,
                       R"({"sample": "13812345678", "expect": "whole"},
                          {"sample": "12345", "expect": "match"},
                          {"sample": "a13812345678", "expect": "group", "group": 0, "value": "1381234567"})"}})
        << TestCommandExit::SomeFailed
        << u"手机号\t“12345”\t应匹配\t期望 匹配 实际 无匹配\n"
           u"手机号\t“a13812345678”\t第 0 组为 “1381234567”\t期望 第 0 组为 “1381234567” 实际 “13812345678”\n"
           u"1 passed, 2 failed\n"_s
        << QString();
    QTest::newRow("each line stays one line")
        << phoneRules
        << testsFile({{"邮箱", R"(\\w+@\\w+\\.\\w+)",
                       R"({"sample": "a@b.cn\r\nc\\d\t\u0000", "expect": "no-match"},
                          {"sample": "x@y.z\nu@v.w", "expect": "matches", "values": ["x@y.z\nu@v.w"]})"}})
        << TestCommandExit::SomeFailed
        << u"邮箱\t“a@b.cn\\r\\nc\\\\d\\t\\x00”\t不应匹配\t期望 无匹配 实际 “a@b.cn”\n"
           u"邮箱\t“x@y.z\\nu@v.w”\t匹配结果为 “x@y.z\\nu@v.w”\t期望 “x@y.z\\nu@v.w” 实际 “x@y.z”、“u@v.w”\n"
           u"0 passed, 2 failed\n"_s
        << QString();
    // Three rules share a name; each runs the entry with its own expression.
    QTest::newRow("rules with one name")
        << phoneRules
        << testsFile({{"8进制", R"(\\d\\d)", R"({"sample": "7", "expect": "match"})"},
                      {"8进制", R"(\\d)", R"({"sample": "7", "expect": "whole"})"}})
        << TestCommandExit::SomeFailed << u"8进制\t“7”\t应匹配\t期望 匹配 实际 无匹配\n1 passed, 1 failed\n"_s
        << QString();
    QTest::newRow("a pattern that does not compile")
        << u"坏----1(3\r\n"_s
        << testsFile({{"坏", "1(3",
                       R"({"sample": "13", "expect": "no-match"}, {"sample": "2", "expect": "no-match"})"}})
        << TestCommandExit::SomeFailed
        << u"坏\t“13”\t不应匹配\t正则创建失败: %1\n坏\t“2”\t不应匹配\t正则创建失败: %1\n0 passed, 2 failed\n"_s
        << QString();
    QTest::newRow("an entry no rule claims")
        << phoneRules
        << testsFile({{"旧名", "x\\ty",
                       R"({"sample": "x", "expect": "match"}, {"sample": "y", "expect": "match"})"},
                      {"手机号", phone, R"({"sample": "13812345678", "expect": "whole"})"},
                      {"没有测试", "z", ""}})
        << TestCommandExit::AllPassed << u"1 passed, 0 failed\n"_s
        << u"gz.tests.json: 没有名称为 “旧名”、表达式为 “x\\ty” 的规则,这一项的 2 个测试未运行\n"_s;
    QTest::newRow("no tests file") << phoneRules << QByteArray() << TestCommandExit::AllPassed
                                   << u"0 passed, 0 failed\n"_s << QString();
    QTest::newRow("an empty rules file")
        << QString() << QByteArray() << TestCommandExit::AllPassed << u"0 passed, 0 failed\n"_s << QString();
}

void tst_TestCommand::report() {
    QFETCH(QString, rules);
    QFETCH(QByteArray, tests);
    QFETCH(TestCommandExit, exit);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const Fixture fixture(rules, tests);
    const Run run = runCommand(fixture.rules);
    if (out.contains(u"%1"_s)) {
        // The compile error's own wording is the engine's; what matters is that it is every test's result.
        const qsizetype at = run.out.indexOf(u"正则创建失败: "_s);
        QVERIFY2(at >= 0, qPrintable(run.out));
        const QString reason =
            run.out.mid(at).section(u'\n', 0, 0).mid(QStringView(u"正则创建失败: ").size());
        QVERIFY(!reason.isEmpty());
        out = out.arg(reason);
    }
    QCOMPARE(run.out, out);
    QCOMPARE(run.err, err);
    QCOMPARE(run.exit, exit);
}

void tst_TestCommand::unreadableFiles_data() {
    QTest::addColumn<QString>("damage"); // what stands where a file belongs
    QTest::addColumn<QString>("err");    // the start of what is said

    QTest::newRow("no rules file") << u"rules missing"_s << u"%1/gz.txt: 规则文件不存在"_s;
    QTest::newRow("a directory for the rules") << u"rules directory"_s << u"%1/gz.txt is a directory"_s;
    QTest::newRow("a truncated tests file")
        << u"tests truncated"_s << u"gz.tests.json: 不是有效的 JSON (第 "_s;
    QTest::newRow("tests of a wrong type")
        << u"tests mistyped"_s << u"gz.tests.json: patterns[0].tests[0].expect: 应为字符串"_s;
    QTest::newRow("a directory for the tests")
        << u"tests directory"_s << u"%1/gz.tests.json is a directory"_s;
}

void tst_TestCommand::unreadableFiles() {
    QFETCH(QString, damage);
    QFETCH(QString, err);
    const QByteArray good =
        testsFile({{"手机号", R"(1[3-9]\\d{9})", R"({"sample": "1", "expect": "no-match"})"}});
    const QByteArray bad = damage == u"tests truncated"_s  ? good.chopped(3)
                           : damage == u"tests mistyped"_s ? QByteArray(good).replace("\"no-match\"", "1")
                                                           : good;
    Fixture fixture(phoneRules, bad);
    if (damage == u"rules missing"_s)
        QVERIFY(QFile::remove(fixture.rules));
    if (damage == u"rules directory"_s)
        QVERIFY(QFile::remove(fixture.rules) && QDir(fixture.dir.path()).mkdir(u"gz.txt"_s));
    if (damage == u"tests directory"_s)
        QVERIFY(QFile::remove(fixture.tests) && QDir(fixture.dir.path()).mkdir(u"gz.tests.json"_s));
    const QStringList before = QDir(fixture.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    const Run run = runCommand(fixture.rules);
    QCOMPARE(run.exit, TestCommandExit::Unreadable);
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.startsWith(QString(err).replace(u"%1"_s, fixture.dir.path())), qPrintable(run.err));
    QCOMPARE(run.err.count(u'\n'), 1);
    QVERIFY(run.err.endsWith(u'\n'));
    // The command line only reads: a damaged tests file stays as it was, where it was.
    QCOMPARE(QDir(fixture.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    if (damage.startsWith(u"tests "_s) && damage != u"tests directory"_s) {
        QFile file(fixture.tests);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bad);
    }
}

void tst_TestCommand::oneLine_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    QTest::newRow("plain") << u"电话 138 😀 “引号” \"x\" 100%"_s << u"电话 138 😀 “引号” \"x\" 100%"_s;
    QTest::newRow("line breaks and tabs") << u"a\r\nb\nc\rd\te"_s << u"a\\r\\nb\\nc\\rd\\te"_s;
    QTest::newRow("backslashes") << uR"(\n \\)"_s << uR"(\\n \\\\)"_s;
    QTest::newRow("control characters")
        << u"\0\x01\x1b\x7f\x85\x9f\xa0"_s << u"\\x00\\x01\\x1B\\x7F\\x85\\x9F\xa0"_s;
    QTest::newRow("line and paragraph separators") << u"a\u2028b\u2029c"_s << u"a\\u2028b\\u2029c"_s;
    QTest::newRow("unpaired surrogates") << u"\xD83D"
                                            "a\xDE00\xDE00\xD83D"_s
                                         << u"\\uD83Da\\uDE00\\uDE00\\uD83D"_s;
}

void tst_TestCommand::oneLine() {
    QFETCH(QString, text);
    QFETCH(QString, line);
    QCOMPARE(rw::oneLine(text), line);
}

void tst_TestCommand::theProgram_data() {
    QTest::addColumn<QStringList>("arguments"); // %1: the rules file
    QTest::addColumn<QByteArray>("tests");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err"); // what it holds; nothing when empty

    const QByteArray passing =
        testsFile({{"手机号", R"(1[3-9]\\d{9})", R"({"sample": "13812345678", "expect": "whole"})"}});
    QTest::newRow("all pass") << QStringList{u"--test"_s, u"%1"_s} << passing << 0
                              << u"1 passed, 0 failed\n"_s << QString();
    QTest::newRow("a failure") << QStringList{u"--test=%1"_s}
                               << testsFile({{"手机号", R"(1[3-9]\\d{9})",
                                              R"({"sample": "1\n2", "expect": "match"})"}})
                               << 1
                               << u"手机号\t“1\\n2”\t应匹配\t期望 匹配 实际 无匹配\n0 passed, 1 failed\n"_s
                               << QString();
    QTest::newRow("no rules file") << QStringList{u"--test"_s, u"%1.missing"_s} << passing << 2 << QString()
                                   << u"%1.missing: 规则文件不存在\n"_s;
    QTest::newRow("a damaged tests file") << QStringList{u"--test"_s, u"%1"_s} << passing.chopped(1) << 2
                                          << QString() << u"gz.tests.json: 不是有效的 JSON"_s;
    QTest::newRow("no rules file named")
        << QStringList{u"--test"_s} << passing << 2 << QString() << u"--test"_s;
}

void tst_TestCommand::theProgram() {
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, tests);
    QFETCH(int, exit);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const Fixture fixture(phoneRules, tests);
    for (QString &argument : arguments)
        argument.replace(u"%1"_s, fixture.rules);
    err.replace(u"%1"_s, fixture.rules);

    // No display to be had: a window, or even a GUI application object, would end the program.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"DISPLAY"_s);
    environment.remove(u"WAYLAND_DISPLAY"_s);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"no-such-platform"_s);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(fixture.dir.path());
    program.start(QCoreApplication::applicationDirPath() + u"/" RW_PROGRAM_FROM_TEST ""_s, arguments);
    QVERIFY2(program.waitForFinished(60'000), qPrintable(program.errorString()));
    // It prints in the system's encoding, as --help does: compared as bytes, so that a system whose code
    // page lacks Chinese (Wine's default) loses the same characters on both sides.
    const auto system = [](const QString &text) {
        return QByteArray(QStringEncoder(QStringConverter::System)(text));
    };
    // A line ends in "\r\n" on Windows' text-mode standard output; no "\r" is printed otherwise.
    const QByteArray printed = program.readAllStandardOutput().replace("\r\n", "\n");
    const QByteArray complained = program.readAllStandardError().replace("\r\n", "\n");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(printed, system(out));
    if (err.isEmpty())
        QCOMPARE(complained, QByteArray());
    else
        QVERIFY2(complained.contains(system(err)), complained.constData());
    QCOMPARE(program.exitCode(), exit);
    QCOMPARE(QDir(fixture.dir.path()).entryList(QDir::Files, QDir::Name),
             tests.isNull() ? QStringList{u"gz.txt"_s} : (QStringList{u"gz.tests.json"_s, u"gz.txt"_s}));
}

QTEST_GUILESS_MAIN(tst_TestCommand)
#include "tst_testcommand.moc"
