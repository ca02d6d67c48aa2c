// Working files at 50 MB: how long the start-up loader takes until the source-text box holds a 50 MB
// test.txt, and the longest stall of the UI thread meanwhile (the largest gap between ticks of a 10 ms
// timer), against putting the same text into the box with setPlainText on the UI thread; then how long
// a confirmed close takes to write it back.
#include "BenchDialogs.h"
#include "BenchSupport.h"
#include "app/MainWindow.h"
#include "app/MainWindowUi.h"
#include "core/tasks/TaskPool.h"
#include "core/text/WorkingFile.h"
#include "editor/TextEditor.h"
#include "files/WorkingFiles.h"
#include "platform/AppContext.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPlainTextEdit>
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

} // namespace

int main(int argc, char *argv[]) {
    rwbench::preferOffscreenPlatform();
    QApplication app(argc, argv);
    rw::TaskPool pool;
    const int runs = 5;
    const QString text = generateText(50'000'000);
    QTemporaryDir dir;
    const QString sourcePath = QDir(dir.path()).filePath(QStringLiteral("test.txt"));
    if (!rw::writeWorkingFile(sourcePath, text))
        return 1;
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
    return 0;
}
