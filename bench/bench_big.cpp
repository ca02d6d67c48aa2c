// Big texts through the real window: a 2-million-line log of about 148 MB and one line of 60 M characters
// holding 10 M matches. For each: start-up with it as the working file, memory after the load, Match (also
// while the list scrolls), scrolling the results and the source box, both exports of every row, Replace,
// keyword search, import, drop, switching tabs, and the close that saves the files; each step with the
// longest stall of the UI thread meanwhile and the resident memory after it.
#include "BenchDialogs.h"
#include "BenchSupport.h"
#include "app/MainWindow.h"
#include "app/MainWindowUi.h"
#include "core/regex/Matcher.h"
#include "core/tasks/TaskPool.h"
#include "core/text/WorkingFile.h"
#include "files/WorkingFiles.h"
#include "import/Importer.h"
#include "platform/AppContext.h"
#include "results/ResultsModel.h"
#include "results/ResultsView.h"
#include "search/KeywordSearch.h"
#include "textbox/TextEditor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUrl>

#include <pcre2.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

// Resident and peak resident memory of this process, in MB.
double statusMb(const char *key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(int(strlen(key))).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}
double residentMb() {
    return statusMb("VmRSS:");
}
double peakMb() {
    return statusMb("VmHWM:");
}
void resetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly))
        f.write("5");
}

struct Row {
    const char *step;
    double ms;
    double gap;
    double mb;
};

void printRow(const Row &r) {
    std::printf("| %-44s | %9.0f | %9.0f | %8.0f |\n", r.step, r.ms, r.gap, r.mb);
    std::fflush(stdout);
}

void runCase(const char *name, const QString &text, const QString &expression, const QString &keyword) {
    const double textMb = text.size() * 2 / 1e6;
    std::printf("\n## %s: %lld characters (UTF-16 %.0f MB), %s\n", name, (long long)text.size(), textMb,
                qPrintable(expression));

    // The bare engine first: PCRE2 with JIT finding every match over the same text and keeping the offsets,
    // as a find-all that returns its matches does.
    qsizetype bareCount = 0;
    const double bareMs = rwbench::medianMs(3, [&] {
        int error = 0;
        PCRE2_SIZE errorAt = 0;
        pcre2_code *code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(expression.utf16()), expression.size(),
                                         PCRE2_UTF, &error, &errorAt, nullptr);
        pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
        pcre2_match_data *data = pcre2_match_data_create_from_pattern(code, nullptr);
        const PCRE2_SIZE *ovector = pcre2_get_ovector_pointer(data);
        const int pairs = int(pcre2_get_ovector_count(data));
        std::vector<std::int32_t> offsets;
        const auto subject = reinterpret_cast<PCRE2_SPTR>(text.utf16());
        PCRE2_SIZE at = 0;
        while (pcre2_jit_match(code, subject, text.size(), at, 0, data, nullptr) > 0) {
            for (int i = 0; i < 2 * pairs; ++i)
                offsets.push_back(std::int32_t(ovector[i]));
            at = ovector[1] > ovector[0] ? ovector[1] : ovector[1] + 1;
        }
        bareCount = qsizetype(offsets.size()) / (2 * pairs);
        pcre2_match_data_free(data);
        pcre2_code_free(code);
    });

    QTemporaryDir programDir, desktopDir;
    const QString testFile = QDir(programDir.path()).filePath(QStringLiteral("test.txt"));
    if (!rw::writeWorkingFile(testFile, text)) {
        std::printf("cannot write test.txt\n");
        return;
    }
    const double baseMb = residentMb();
    std::printf("resident before the window: %.0f MB (the benchmark's own copy of the text included)\n",
                baseMb);
    std::printf("| %-44s | %9s | %9s | %8s |\n|---|---|---|---|\n", "step", "ms", "UI gap ms", "RSS MB");

    rw::TaskPool pool;
    rwbench::BenchDialogs dialogs;
    dialogs.answer = true;
    rw::AppContext context{dialogs, programDir.path(), desktopDir.path()};
    resetPeak();
    auto window = std::make_unique<rw::MainWindow>(context);
    rw::MainWindowUi &ui = window->ui();
    ui.checkLive->setChecked(false);
    rw::TextEditor *box = ui.sourceText;

    {
        rwbench::GapMeter gaps;
        QElapsedTimer t;
        t.start();
        window->show();
        QCoreApplication::processEvents();
        const double shown = t.nsecsElapsed() / 1e6;
        rwbench::waitUntil([&] { return box->size() > 0; });
        const double inBox = t.nsecsElapsed() / 1e6;
        rwbench::waitUntil([&] { return !window->workingFiles()->isLoading(); });
        const double loaded = t.nsecsElapsed() / 1e6;
        printRow({"window shown", shown, gaps.longestMs(), residentMb()});
        printRow({"start-up: the text shows in the box", inBox, gaps.longestMs(), residentMb()});
        printRow({"start-up: every working file loaded", loaded, gaps.longestMs(), residentMb()});
    }
    {
        const auto r = rwbench::measure([&] { ui.tabs2->setCurrentIndex(1); },
                                        [&] {
                                            QCoreApplication::processEvents();
                                            return true;
                                        });
        printRow({"switch to the source tab (first paint)", r.ms, r.longestGapMs, residentMb()});
    }
    std::printf("peak while loading: %.0f MB; goal after load <= %.0f MB\n", peakMb(),
                3 * textMb + 150 + baseMb);
    {
        QScrollBar *bar = box->verticalScrollBar();
        const auto r = rwbench::measure([] {},
                                        [&, step = 0]() mutable {
                                            bar->setValue(int(qint64(bar->maximum()) * step / 40));
                                            QCoreApplication::processEvents();
                                            return ++step > 40;
                                        });
        printRow({"scroll the source box top to bottom (40 steps)", r.ms, r.longestGapMs, residentMb()});
        bar->setValue(0);
    }
    resetPeak();
    {
        ui.tabs1->setCurrentIndex(0);
        ui.expression->setPlainText(expression);
        const double residentBefore = residentMb();
        const auto r = rwbench::measure([&] { ui.matchButton->click(); },
                                        [&] { return ui.matchButton->text() == QStringLiteral("匹配"); });
        const auto rows = ui.resultsList->model()->rowCount();
        printRow({"Match, first run (text read from the box)", r.ms, r.longestGapMs, residentMb()});
        std::printf("   rows %lld (engine %lld); bare PCRE2-JIT find-all keeping its matches %.0f ms; ratio %.2f; status \"%s\"\n",
                    (long long)rows, (long long)bareCount, bareMs, r.ms / bareMs, qPrintable(ui.status()));
        // What the list costs per match: the resident growth over the run (the table, the list's view of
        // it, whatever the run kept), and the table's own share.
        const auto *results = qobject_cast<const rw::ResultsModel *>(ui.resultsList->model());
        if (rows > 0 && results)
            std::printf("   memory per match: resident growth %.1f B; the table's own %.1f B\n",
                        (residentMb() - residentBefore) * 1024 * 1024 / double(rows),
                        double(results->table().bytesUsed()) / double(rows));
    }
    {
        const auto r = rwbench::measure([&] { ui.matchButton->click(); },
                                        [&] { return ui.matchButton->text() == QStringLiteral("匹配"); });
        printRow({"Match, repeated", r.ms, r.longestGapMs, residentMb()});
        std::printf("   ratio to the bare find-all %.2f; peak %.0f MB\n", r.ms / bareMs, peakMb());
    }
    {
        ui.tabs2->setCurrentIndex(0);
        QScrollBar *bar = ui.resultsList->verticalScrollBar();
        const auto r = rwbench::measure([] {},
                                        [&, step = 0]() mutable {
                                            bar->setValue(int(qint64(bar->maximum()) * step / 40));
                                            QCoreApplication::processEvents();
                                            return ++step > 40;
                                        });
        printRow({"scroll the results top to bottom (40 steps)", r.ms, r.longestGapMs, residentMb()});
    }
    {
        // Match again while the list is scrolled up and down as it fills.
        ui.tabs2->setCurrentIndex(0);
        QScrollBar *bar = ui.resultsList->verticalScrollBar();
        const auto r = rwbench::measure([&] { ui.matchButton->click(); },
                                        [&, step = 0]() mutable {
                                            bar->setValue(step++ % 2 ? bar->maximum() : bar->maximum() / 3);
                                            return ui.matchButton->text() == QStringLiteral("匹配");
                                        });
        printRow({"Match while the results scroll", r.ms, r.longestGapMs, residentMb()});
    }
    for (const auto &[name, item] : {std::pair{"export to the clipboard", "导出到剪辑板"},
                                     std::pair{"export to a desktop file", "导出到桌面txt"}}) {
        dialogs.text = QStringLiteral("{2}\t{3}#换行符");
        QAction *action = nullptr;
        for (QAction *a : ui.resultsMenu->actions())
            if (a->text() == QString::fromUtf8(item))
                action = a;
        ui.setStatus(QString());
        const auto r = rwbench::measure([&] { action->trigger(); }, [&] { return !ui.status().isEmpty(); });
        printRow({name, r.ms, r.longestGapMs, residentMb()});
        std::printf("   status \"%s\"\n", qPrintable(ui.status()));
        dialogs.text.reset();
    }
    {
        // Every match is replaced by its first group.
        dialogs.text = QStringLiteral("$1");
        const auto r = rwbench::measure([&] { ui.replaceButton->click(); },
                                        [&] { return ui.replaceButton->text() == QStringLiteral("替换"); });
        printRow({"Replace", r.ms, r.longestGapMs, residentMb()});
        std::printf("   result %lld characters; status \"%s\"\n", (long long)ui.replaceResult->size(),
                    qPrintable(ui.status()));
        dialogs.text.reset();
    }
    {
        ui.tabs2->setCurrentIndex(1);
        ui.keyword->setText(keyword);
        const auto r = rwbench::measure([&] { ui.searchButton->click(); },
                                        [&] { return !window->keywordSearch()->isBusy(); });
        printRow({"keyword search (count and first step)", r.ms, r.longestGapMs, residentMb()});
        std::printf("   status \"%s\"\n", qPrintable(ui.status()));
        const auto next = rwbench::measure([&] { ui.searchButton->click(); },
                                           [&] { return !window->keywordSearch()->isBusy(); });
        printRow({"keyword search, next step", next.ms, next.longestGapMs, residentMb()});
        QElapsedTimer settle;
        const auto after = rwbench::measure([&] { settle.start(); }, [&] { return settle.elapsed() > 500; });
        printRow({"  the half second after it", after.ms, after.longestGapMs, residentMb()});
    }
    {
        dialogs.file = testFile;
        const auto r = rwbench::measure([&] { ui.importButton->click(); },
                                        [&] { return !window->importer()->isLoading(); });
        printRow({"import of the same text", r.ms, r.longestGapMs, residentMb()});
    }
    {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(testFile)});
        const QPoint at = window->rect().center();
        const auto r = rwbench::measure(
            [&] {
                QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(window.get(), &enter);
                QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QApplication::sendEvent(window.get(), &drop);
            },
            [&] { return !window->importer()->isLoading(); });
        printRow({"drop of the same text", r.ms, r.longestGapMs, residentMb()});
    }
    {
        const auto r = rwbench::measure([] {},
                                        [&, step = 0]() mutable {
                                            ui.tabs2->setCurrentIndex(step % 3);
                                            QCoreApplication::processEvents();
                                            return ++step > 9;
                                        });
        printRow({"switch tabs (9 switches)", r.ms, r.longestGapMs, residentMb()});
    }
    {
        // An edit, so that the close writes test.txt back.
        box->setCursorPosition(box->size());
        box->insertPlainText(QStringLiteral("!"));
        const auto r = rwbench::measure([&] { window->close(); }, [&] { return !window->isVisible(); });
        printRow({"close, saving the files", r.ms, r.longestGapMs, residentMb()});
    }
    {
        const auto r = rwbench::measure([&] { window.reset(); }, [] { return true; });
        printRow({"window destroyed", r.ms, r.longestGapMs, residentMb()});
    }
}

} // namespace

int main(int argc, char *argv[]) {
    rwbench::preferOffscreenPlatform();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2 || args.contains(QStringLiteral("log")))
        runCase("log, 2 M lines", rwbench::generateLog(2'000'000),
                QStringLiteral("(\\d+):(\\d+):(\\d+) host"), QStringLiteral("served"));
    if (args.size() < 2 || args.contains(QStringLiteral("line")))
        runCase("one line, 10 M matches", rwbench::generateLine(10'000'000), QStringLiteral("(\\d+)-(\\d+)"),
                QStringLiteral("-"));
    return 0;
}
