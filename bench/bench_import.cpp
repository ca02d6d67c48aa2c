// Importing a 50 MB text file: how long 按钮_本地导入 takes until the source-text box shows the file, and
// the longest stall of the UI thread meanwhile (the largest gap between ticks of a 10 ms timer), against
// reading the same file on the UI thread and putting it in with setPlainText.
#include "app/MainWindow.h"
#include "app/MainWindowUi.h"
#include "app/WorkingFiles.h"
#include "platform/AppContext.h"
#include "platform/Dialogs.h"
#include "text/ImportedText.h"
#include "textbox/Importer.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Chooses the prepared file in the open-file dialog.
class FileDialogs final : public rw::Dialogs {
public:
    QString path;
    bool askYesNo(QWidget *, const QString &, const QString &, Icon) override { return false; }
    void tell(QWidget *, const QString &, const QString &, Icon) override {}
    std::optional<QString> askText(QWidget *, const QString &, const QString &) override { return {}; }
    QString chooseOpenFile(QWidget *, const QString &, const QString &, const QString &,
                           const QString &) override {
        return path;
    }
};

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

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs the event loop until done() holds; returns the time taken and the longest gap between ticks of a
// 10 ms timer meanwhile (ms).
std::pair<double, double> measure(const std::function<void()> &start, const std::function<bool()> &done) {
    QElapsedTimer sinceTick, timer;
    double longestGap = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, sinceTick.nsecsElapsed() / 1e6);
        sinceTick.restart();
    });
    tick.start();
    timer.start();
    sinceTick.start();
    start();
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double elapsed = timer.nsecsElapsed() / 1e6;
    longestGap = std::max(longestGap, sinceTick.nsecsElapsed() / 1e6);
    return {elapsed, longestGap};
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = 5;

    QTemporaryDir programDir, desktopDir;
    FileDialogs dialogs;
    dialogs.path = QDir(desktopDir.path()).filePath(QStringLiteral("big.txt"));
    {
        QFile file(dialogs.path);
        if (!file.open(QIODevice::WriteOnly) || file.write(generateFile(50'000'000)) < 0)
            return 2;
    }
    const qint64 fileSize = QFileInfo(dialogs.path).size();
    rw::AppContext context{dialogs, programDir.path(), desktopDir.path()};
    rw::MainWindow window(context);
    window.show();
    auto *files = window.findChild<rw::WorkingFiles *>();
    while (files->isLoading())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    rw::MainWindowUi &ui = window.ui();
    ui.tabs2->setCurrentWidget(ui.sourceText->parentWidget());
    auto *importer = window.findChild<rw::Importer *>();

    // Each run replaces a box that already holds the file, as a second import would.
    std::vector<double> imported, gaps;
    for (int i = 0; i < runs; ++i) {
        const auto [took, gap] =
            measure([&] { ui.importButton->click(); }, [&] { return !importer->isLoading(); });
        imported.push_back(took);
        gaps.push_back(gap);
    }
    const int blocks = ui.sourceText->document()->blockCount();

    std::vector<double> onUiThread;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        ui.sourceText->setPlainText(rw::readImportFile(dialogs.path).value_or(QString()));
        QCoreApplication::processEvents();
        onUiThread.push_back(timer.nsecsElapsed() / 1e6);
    }

    std::printf("Import of a %.1f MB UTF-8 file (%d lines); medians of %d runs\n", fileSize / 1e6, blocks,
                runs);
    std::printf("%-50s %10s\n", "measure", "value");
    std::printf("%-50s %10.1f\n", "import button until shown (ms)", median(imported));
    std::printf("%-50s %10.1f  (goal <= 200)\n", "  longest UI-thread gap (ms)", median(gaps));
    std::printf("%-50s %10.1f\n", "read + setPlainText on the UI thread (ms)", median(onUiThread));
    std::printf("%-50s %10.2f\n", "  UI-thread stall, import / setPlainText",
                median(gaps) / median(onUiThread));
    return 0;
}
