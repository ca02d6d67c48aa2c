// Importing a 50 MB text file: how long 按钮_本地导入 takes until the source-text box shows the file, and
// the longest stall of the UI thread meanwhile (the largest gap between ticks of a 10 ms timer), against
// reading the same file on the UI thread and putting it in with setPlainText.
#include "BenchSupport.h"
#include "BenchWindow.h"
#include "app/MainWindowUi.h"
#include "core/text/ImportedText.h"
#include "import/Importer.h"

#include "textbox/TextEditor.h"
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include <cstdio>
#include <vector>

using rwbench::median;

namespace {

// About bytes bytes of a log-like UTF-8 text with Chinese in every line and "\r\n" line breaks.
QByteArray generateFile(qsizetype bytes) {
    QByteArray data;
    data.reserve(bytes + 200);
    for (qsizetype i = 0; data.size() < bytes; ++i)
        data += QStringLiteral("2024-05-17 12:00:00 INFO 服务器连接成功 user=alice id=%1 path=/srv/a/b\r\n")
                    .arg(i)
                    .toUtf8();
    return data;
}

} // namespace

int main(int argc, char *argv[]) {
    rwbench::preferOffscreenPlatform();
    QApplication app(argc, argv);
    const int runs = 5;

    rwbench::BenchWindow bench;
    // The open-file dialog chooses the prepared file.
    const QString path = QDir(bench.desktopDir.path()).filePath(QStringLiteral("big.txt"));
    bench.dialogs.file = path;
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(generateFile(50'000'000)) < 0)
            return 2;
    }
    const qint64 fileSize = QFileInfo(path).size();
    rw::MainWindowUi &ui = bench.window.ui();
    ui.tabs2->setCurrentWidget(ui.sourceText->parentWidget());
    auto *importer = bench.window.importer();

    // Each run replaces a box that already holds the file, as a second import would.
    std::vector<double> imported, gaps;
    for (int i = 0; i < runs; ++i) {
        const auto [took, gap] =
            rwbench::measure([&] { ui.importButton->click(); }, [&] { return !importer->isLoading(); });
        imported.push_back(took);
        gaps.push_back(gap);
    }
    const qsizetype blocks = ui.sourceText->store().lineCount();

    std::vector<double> onUiThread;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        ui.sourceText->setPlainText(rw::readImportFile(path).value_or(QString()));
        QCoreApplication::processEvents();
        onUiThread.push_back(timer.nsecsElapsed() / 1e6);
    }

    std::printf("Import of a %.1f MB UTF-8 file (%lld lines); medians of %d runs\n", fileSize / 1e6,
                (long long)blocks, runs);
    std::printf("%-50s %10s\n", "measure", "value");
    std::printf("%-50s %10.1f\n", "import button until shown (ms)", median(imported));
    std::printf("%-50s %10.1f  (goal <= 200)\n", "  longest UI-thread gap (ms)", median(gaps));
    std::printf("%-50s %10.1f\n", "read + setPlainText on the UI thread (ms)", median(onUiThread));
    std::printf("%-50s %10.2f\n", "  UI-thread stall, import / setPlainText",
                median(gaps) / median(onUiThread));
    return 0;
}
