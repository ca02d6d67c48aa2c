// Working files at 50 MB: how long the start-up loader takes until the source-text box holds a 50 MB
// test.txt, and the longest stall of the UI thread meanwhile (the largest gap between ticks of a 10 ms
// timer), against putting the same text into the box with setPlainText on the UI thread; then how long
// a confirmed close takes to write it back.
//
// One line of 60 M characters as test.txt: the longest stall of the UI thread from the window's first
// show until every working file is in, each start in a process of its own (a first show, as the user's
// is), against the same start-up with an empty test.txt (what the first show costs by itself).
//
// Arguments: "files", "line" or both (the default).
#include "BenchDialogs.h"
#include "BenchSupport.h"
#include "app/MainWindow.h"
#include "app/MainWindowUi.h"
#include "core/tasks/TaskPool.h"
#include "core/text/WorkingFile.h"
#include "files/WorkingFiles.h"
#include "platform/AppContext.h"
#include "textbox/TextEditor.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

using rwbench::median;

namespace {

// A log-like text of about bytes bytes in GB18030, with Chinese, "\n" line breaks.
QString generateText(qsizetype bytes) {
    QString text;
    text.reserve(bytes);
    for (int i = 0; text.size() < bytes * 9 / 10; ++i)
        text += QStringLiteral(
                    "2026-12-08 20:%1 连接服务器 192.168.0.%2 超时 timeout=%3 用户 user%4 请求 /api/items\n")
                    .arg(i % 60, 2, 10, QLatin1Char('0'))
                    .arg(i % 255)
                    .arg(i * 7 % 1000)
                    .arg(i);
    return text;
}

// A program's start, in a process of its own (so that each start is a first one, as the user's is): shows
// the window over programDir and runs the event loop until its working files are in. Prints how long that
// took and the UI thread's longest stall meanwhile, first paint included.
int startUpChild(const QString &programDir) {
    rw::TaskPool pool;
    rwbench::BenchDialogs dialogs;
    rw::AppContext context{dialogs, programDir, programDir};
    rw::MainWindow window(context);
    const rwbench::Timing t =
        rwbench::measure([&] { window.show(); }, [&] { return !window.workingFiles()->isLoading(); });
    std::printf("%.3f %.3f %lld\n", t.ms, t.longestGapMs, (long long)window.ui().sourceText->size());
    return 0;
}

// Runs startUpChild in a new process over dir; false when it did not report.
bool startUp(const QString &dir, qsizetype expected, std::vector<double> &times, std::vector<double> &gaps) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("start-up"), dir});
    if (!child.waitForFinished(120000))
        return false;
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 3)
        return false;
    if (fields[2].toLongLong() != expected)
        std::printf("the box holds %s characters, not %lld\n", fields[2].constData(), (long long)expected);
    times.push_back(fields[0].toDouble());
    gaps.push_back(fields[1].toDouble());
    return true;
}

void oneLongLine() {
    const int runs = 9;
    const QString line = rwbench::generateLine(10'000'000);
    QTemporaryDir lineDir, emptyDir;
    if (!rw::writeWorkingFile(QDir(lineDir.path()).filePath(QStringLiteral("test.txt")), line) ||
        !rw::writeWorkingFile(QDir(emptyDir.path()).filePath(QStringLiteral("test.txt")), QString()))
        return;
    std::vector<double> lineTime, lineGap, emptyTime, emptyGap;
    // Taken in turns, so that whatever else the machine does weighs on both alike.
    for (int run = 0; run < runs; ++run) {
        if (!startUp(lineDir.path(), line.size(), lineTime, lineGap) ||
            !startUp(emptyDir.path(), 0, emptyTime, emptyGap)) {
            std::printf("a start-up did not report\n");
            return;
        }
    }
    std::printf("\n## start-up with test.txt of one line, %lld characters; a process each, medians of %d "
                "(ms)\n\n",
                (long long)line.size(), runs);
    std::printf("| test.txt | until every file is in | longest UI-thread gap, first paint included |\n"
                "|---|---|---|\n");
    std::printf("| the 60 M-character line | %.0f | %.0f |\n", median(lineTime), median(lineGap));
    std::printf("| empty | %.0f | %.0f |\n", median(emptyTime), median(emptyGap));
    std::printf("\nlongest UI gap, the line / an empty test.txt: %.2fx (each gap, line then empty:",
                median(lineGap) / median(emptyGap));
    for (int run = 0; run < runs; ++run)
        std::printf(" %.0f/%.0f", lineGap[size_t(run)], emptyGap[size_t(run)]);
    std::printf(")\n");
}

void fiftyMegabytes(rw::TaskPool &pool) {
    const int runs = 5;
    const QString text = generateText(50'000'000);
    QTemporaryDir dir;
    const QString sourcePath = QDir(dir.path()).filePath(QStringLiteral("test.txt"));
    if (!rw::writeWorkingFile(sourcePath, text))
        return;
    const qint64 fileBytes = QFileInfo(sourcePath).size();
    const qsizetype lines = text.count(QLatin1Char('\n'));

    // Yes to every question, so a close goes straight to the save.
    rwbench::BenchDialogs dialogs;
    dialogs.answer = true;
    rw::AppContext context{dialogs, dir.path(), dir.path()};
    std::vector<double> loadTime, loadGap, plainTime, plainGap, saveTime;
    for (int run = 0; run < runs; ++run) {
        QFile::remove(QDir(dir.path()).filePath(QStringLiteral("gz.txt")));
        {
            auto *window = new rw::MainWindow(context);
            window->show();
            rw::TextEditor *box = window->ui().sourceText;
            const auto [took, gap] =
                rwbench::measure([] {}, [&] { return !window->workingFiles()->isLoading(); });
            loadTime.push_back(took);
            loadGap.push_back(gap);
            if (box->size() != text.size())
                std::printf("the box holds %lld characters, not %lld\n", (long long)box->size(),
                            (long long)text.size());

            QElapsedTimer timer;
            timer.start();
            window->close();
            // The files are written on a worker; the window closes once they are.
            rwbench::waitUntil([&] { return !window->isVisible(); });
            saveTime.push_back(timer.nsecsElapsed() / 1e6);
            if (window->isVisible() || QFileInfo(sourcePath).size() != fileBytes)
                std::printf("the close did not write test.txt back whole\n");
            delete window;
        }
        {
            QPlainTextEdit box;
            box.resize(690, 300);
            box.show();
            QCoreApplication::processEvents();
            const rwbench::GapMeter gaps;
            QElapsedTimer timer;
            timer.start();
            box.setPlainText(text);
            QCoreApplication::processEvents();
            plainTime.push_back(timer.nsecsElapsed() / 1e6);
            plainGap.push_back(gaps.longestMs());
        }
    }

    std::printf("test.txt: %.1f MB GB18030, %lld characters, %lld lines; medians of %d runs (ms)\n\n",
                fileBytes / 1e6, (long long)text.size(), (long long)lines, runs);
    std::printf("| path | until the box holds the text | longest UI-thread gap |\n|---|---|---|\n");
    std::printf("| start-up loader (read, decode, document built off the UI thread) | %.0f | %.0f |\n",
                median(loadTime), median(loadGap));
    std::printf("| setPlainText on the UI thread | %.0f | %.0f |\n", median(plainTime), median(plainGap));
    std::printf("\nlongest UI gap, setPlainText / loader: %.1fx\n", median(plainGap) / median(loadGap));
    std::printf("confirmed close writing the four files (50 MB test.txt): %.0f ms\n", median(saveTime));
    pool.waitForIdle();
}

} // namespace

int main(int argc, char *argv[]) {
    rwbench::preferOffscreenPlatform();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QStringLiteral("start-up"))
        return startUpChild(args[2]);
    if (args.size() < 2 || args.contains(QStringLiteral("files"))) {
        rw::TaskPool pool;
        fiftyMegabytes(pool);
    }
    if (args.size() < 2 || args.contains(QStringLiteral("line")))
        oneLongLine();
    return 0;
}
