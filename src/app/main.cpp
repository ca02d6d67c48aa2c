#include "MainWindow.h"
#include "core/convert/ConvertCommand.h"
#include "core/paths/WorkingDirectory.h"
#include "core/tasks/TaskPool.h"
#include "core/tests/TestCommand.h"
#include "platform/AppContext.h"
#include "platform/QtDialogs.h"
#include "platform/QtTranslations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <optional>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

#ifdef Q_OS_WIN
// A GUI program gets no console of its own. Started from one with arguments, it writes --help,
// --version, --test's report and the command line's mistakes to that console. Returns whether its output goes
// anywhere: that console, or a pipe or file its parent gave it.
bool useParentConsole() {
    const auto connected = [](DWORD which) {
        const HANDLE handle = GetStdHandle(which);
        return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
    };
    const bool out = connected(STD_OUTPUT_HANDLE);
    const bool err = connected(STD_ERROR_HANDLE);
    if ((out && err) || !AttachConsole(ATTACH_PARENT_PROCESS))
        return out;
    if (!out)
        std::freopen("CONOUT$", "w", stdout);
    if (!err)
        std::freopen("CONOUT$", "w", stderr);
    return true;
}
#endif

const QString TestOption = QStringLiteral("test");

// The program's options and argument, for --help.
void describeCommandLine(QCommandLineParser &parser) {
    parser.setApplicationDescription(QStringLiteral("正则表达式工作台 — Regex Workbench"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        TestOption,
        QStringLiteral("不打开窗口,运行规则文件中各规则的测试 (同目录的 .tests.json),逐行列出未通过的测试;"
                       "退出码 0 全部通过,1 有测试未通过,2 文件无法读取或解析 (run the tests of the rules in "
                       "RULES_FILE without a window; exit code 0: all passed, 1: a test failed, 2: a file "
                       "could not be read or parsed)"),
        QStringLiteral("RULES_FILE")));
    parser.addOption({QStringLiteral("convert"),
                      QStringLiteral("把标准输入的每行 JSON {\"pattern\", \"caseSensitive\", \"multiline\", \"global\", "
                                     "\"replacement\"} 转换为 TARGET 语言的写法，每行输出一个 JSON 结果 (convert "
                                     "patterns read as JSON lines from standard input; TARGET: %1)")
                          .arg(rw::convertTargetsHelp()),
                      QStringLiteral("TARGET")});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("载入源文本的文件 (file to load as source text)"),
                                 QStringLiteral("[FILE]"));
}

#ifdef Q_OS_WIN
// Qt shows --help and --version in a message box unless there is a console or the parent set the
// standard handles in its start-up information; output that goes to a pipe or file otherwise (a shell
// under Wine) gets the text as it would on a console.
[[noreturn]] void printInformation(const QCoreApplication &app) {
    QCommandLineParser parser;
    describeCommandLine(parser);
    if (!parser.parse(app.arguments())) {
        std::fputs(qPrintable(parser.errorText() + u'\n'), stderr);
        std::exit(1);
    }
    if (parser.isSet(QStringLiteral("version")))
        std::fputs(qPrintable(app.applicationName() + u' ' + app.applicationVersion() + u'\n'), stdout);
    else
        std::fputs(qPrintable(parser.helpText()), stdout);
    std::exit(0);
}
#endif

struct CommandLine {
    QString file;                     // to load into the source box; empty when none
    std::optional<QString> testRules; // --test's rules file
};

// What the command line asks for; prints and exits for --help, --version and mistakes. A mistake on a
// line with --test exits with 2, as a file --test can't read does: 1 would say that a test failed.
CommandLine parseCommandLine(const QCoreApplication &app, bool asksForTests) {
    QCommandLineParser parser;
    describeCommandLine(parser);
    if (asksForTests && !parser.parse(app.arguments())) {
        std::fputs(qPrintable(parser.errorText() + u'\n'), stderr);
        std::exit(int(rw::TestCommandExit::Unreadable));
    }
    parser.process(app);
    CommandLine line;
    if (parser.isSet(TestOption))
        line.testRules = parser.value(TestOption);
    const QStringList files = parser.positionalArguments();
    // A menu entry may pass several (%F): the source box takes one.
    if (!files.isEmpty())
        line.file = QFileInfo(files.first()).absoluteFilePath();
    return line;
}

// --convert's conversation over the standard streams, without a display.
int runConvert(const QCoreApplication &app) {
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(app);
    QFile in;
    QFile out;
    QFile err;
    in.open(stdin, QIODevice::ReadOnly);
    out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    return rw::runConvertCommand(parser.value(QStringLiteral("convert")), in, out, err);
}

bool hasArgument(int argc, char *argv[], std::initializer_list<const char *> options) {
    for (int i = 1; i < argc; ++i) {
        for (const char *option : options) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// Whether the command line only asks for help or the version, which must work without a display.
bool asksOnlyForInformation(int argc, char *argv[]) {
    return hasArgument(argc, argv, {"-h", "--help", "--help-all", "-v", "--version"});
}

// Whether it asks to convert patterns, which needs no display either.
bool asksToConvert(int argc, char *argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--convert=", 10) == 0)
            return true;
    }
    return hasArgument(argc, argv, {"--convert"});
}

// Whether it asks for a run of a rules file's tests, which needs no display either.
bool asksForTests(int argc, char *argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--test=", 7) == 0)
            return true;
    }
    return hasArgument(argc, argv, {"--test"});
}

// Runs --test's tests, printing in the system's encoding as --help does.
int runTests(const QString &rulesPath) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::System);
    err.setEncoding(QStringConverter::System);
    return int(rw::runTestCommand(rulesPath, out, err));
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("regex-workbench"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RW_VERSION));
#ifdef Q_OS_WIN
    const bool printable = argc > 1 && useParentConsole();
#endif
    const bool tests = asksForTests(argc, argv);
    if (asksOnlyForInformation(argc, argv) || tests) {
        QCoreApplication app(argc, argv);
        rw::installQtTranslations(app);
#ifdef Q_OS_WIN
        if (printable && asksOnlyForInformation(argc, argv) &&
            !app.arguments().contains(QStringLiteral("--help-all")))
            printInformation(app);
#endif
        const CommandLine line = parseCommandLine(app, tests);
        if (line.testRules)
            return runTests(*line.testRules);
    }
    if (asksToConvert(argc, argv)) {
        QCoreApplication app(argc, argv);
        return runConvert(app);
    }

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("net.regexworkbench.RegexWorkbench"));
    rw::installQtTranslations(app);
    const QString file = parseCommandLine(app, false).file;

    // An installed copy can't write beside its executable: its files go to the user's data directory.
    const QString programDir = QCoreApplication::applicationDirPath();
    const rw::WorkingDirectory workingDir =
        rw::chooseWorkingDirectory(programDir, rw::canCreateFilesIn(programDir),
                                   QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));

    // Declared after the application and before the window: joined after the window is gone.
    rw::TaskPool pool;
    rw::QtDialogs dialogs;
    rw::AppContext context{dialogs, workingDir.path,
                           QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)};
    rw::MainWindow window(context);
    window.show();
    if (!file.isEmpty())
        window.openFile(file);
    return app.exec();
}
