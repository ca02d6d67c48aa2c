#include "MainWindow.h"
#include "core/paths/WorkingDirectory.h"
#include "core/tasks/TaskPool.h"
#include "platform/AppContext.h"
#include "platform/QtDialogs.h"
#include "platform/QtTranslations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstring>

namespace {

// The file named on the command line (empty when none); prints and exits for --help, --version and
// mistakes.
QString parseCommandLine(const QCoreApplication &app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("正则表达式工作台 — Regex Workbench"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("载入源文本的文件 (file to load as source text)"),
                                 QStringLiteral("[FILE]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    // A menu entry may pass several (%F): the source box takes one.
    return files.isEmpty() ? QString() : QFileInfo(files.first()).absoluteFilePath();
}

// Whether the command line only asks for help or the version, which must work without a display.
bool asksOnlyForInformation(int argc, char *argv[]) {
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"-h", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication::setApplicationName(QStringLiteral("regex-workbench"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RW_VERSION));
    if (asksOnlyForInformation(argc, argv)) {
        QCoreApplication app(argc, argv);
        rw::installQtTranslations(app);
        parseCommandLine(app);
    }

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("net.regexworkbench.RegexWorkbench"));
    rw::installQtTranslations(app);
    const QString file = parseCommandLine(app);

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
