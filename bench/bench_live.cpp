// The live highlight on a big text: a 2-million-line log of about 148 MB with (\d+):(\d+):(\d+) host,
// viewed from its middle. For a typed character: the longest stall of the UI thread until the full count
// shows, the time until the lines in view are marked and until the full count shows (both after the
// pause that follows typing), against the bare engine's find-all over the same text. Then the count of a
// new pattern right after six slow live searches were abandoned (each replaced 300 ms after it started),
// against the same count from idle: what the abandoned runs still take from it.
#include "BenchSupport.h"
#include "BenchWindow.h"
#include "app/MainWindowUi.h"
#include "core/regex/Matcher.h"
#include "core/textbox/TextStore.h"
#include "live/LiveController.h"
#include "live/LiveMarks.h"
#include "pattern/PatternOwner.h"
#include "textbox/TextEditor.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextCursor>

#include <cstdio>
#include <vector>

using rwbench::median;

namespace {

const QString kPattern = QStringLiteral("(\\d+):(\\d+):(\\d+) host");

} // namespace

int main(int argc, char *argv[]) {
    rwbench::preferOffscreenPlatform();
    QApplication app(argc, argv);
    const int runs = 5;
    const int lines = 2'000'000;
    const QString text = rwbench::generateLog(lines);

    // The bare engine over the same text.
    const rw::Pattern pattern = rw::Pattern::compile(kPattern);
    qsizetype engineCount = 0;
    const double engineMs = rwbench::medianMs(runs, [&] {
        rw::Matcher matcher(pattern);
        rw::MatchSet found(pattern.captureCount());
        matcher.findAll(text, found, [](rw::MatchSet &) { return true; });
        engineCount = found.size();
    });

    rwbench::BenchWindow bench;
    rw::MainWindowUi &ui = bench.window.ui();
    rw::LiveController *live = bench.window.liveController();
    ui.tabs2->setCurrentWidget(ui.sourceText->parentWidget());
    ui.sourceText->setStore(rw::TextStore(text));
    ui.sourceText->verticalScrollBar()->setValue(ui.sourceText->verticalScrollBar()->maximum() / 2);

    bool finished = false;
    QObject::connect(live, &rw::LiveController::finished, [&] { finished = true; });
    QElapsedTimer sinceKey;
    double markedAt = -1;
    QObject::connect(&live->marks(), &rw::LiveMarks::changed, [&] {
        if (markedAt < 0 && !live->marks().visibleMarks().isEmpty())
            markedAt = sinceKey.nsecsElapsed() / 1e6;
    });
    auto setPattern = [&](const QString &p) {
        finished = false;
        ui.expression->setPlainText(p);
        rwbench::waitUntil([&] { return finished; });
    };
    // The first run takes the text out of the box once; the runs measured find it unchanged.
    const QString typedBefore = kPattern.chopped(1);
    setPattern(typedBefore);

    std::vector<double> gaps, marked, counted;
    QString label;
    for (int i = 0; i < runs; ++i) {
        setPattern(typedBefore);
        ui.expression->moveCursor(QTextCursor::End);
        finished = false;
        markedAt = -1;
        const rwbench::GapMeter meter;
        sinceKey.start();
        ui.expression->textCursor().insertText(kPattern.right(1));
        rwbench::waitUntil([&] { return finished; });
        const double total = sinceKey.nsecsElapsed() / 1e6;
        gaps.push_back(meter.longestMs());
        marked.push_back(markedAt - rw::PatternOwner::pauseMillis);
        counted.push_back(total - rw::PatternOwner::pauseMillis);
        label = ui.liveLabel->text();
    }
    const auto inView = live->marks().visibleMarks().size();

    // The count of a new pattern right after six abandoned searches that find nothing and are slow on every
    // line (no required character lets the engine skip ahead), against two counts from idle: one right
    // after an earlier count, one after waiting as long as the six searches took. The second is the fair
    // one here: a virtual machine that hands freed memory back to its host (free page reporting, after
    // about two seconds) makes any count slower after a wait, whatever ran meanwhile.
    const auto countFromNow = [&] {
        QElapsedTimer spent;
        spent.start();
        setPattern(kPattern);
        return spent.nsecsElapsed() / 1e6 - rw::PatternOwner::pauseMillis;
    };
    const auto quiet = [&] {
        setPattern(QStringLiteral("\\x01"));
        rwbench::waitUntil([&] { return bench.pool.activeCount() == 0; });
    };
    std::vector<double> afterCount, afterWait, afterAbandoned;
    for (int i = 0; i < runs; ++i) {
        quiet();
        afterCount.push_back(countFromNow());
        quiet();
        QElapsedTimer abandoning;
        abandoning.start();
        for (int slow = 1; slow <= 6; ++slow) {
            ui.expression->setPlainText(QStringLiteral(".*.*[\\x01\\x%1]").arg(slow + 1, 2, 10, QLatin1Char('0')));
            rwbench::waitUntil([&] { return live->runState().isRunning(); });
            QElapsedTimer started;
            started.start();
            rwbench::waitUntil([&] { return started.elapsed() >= 300; });
        }
        const qint64 took = abandoning.elapsed();
        afterAbandoned.push_back(countFromNow());
        quiet();
        QElapsedTimer waited;
        waited.start();
        rwbench::waitUntil([&] { return waited.elapsed() >= took; });
        afterWait.push_back(countFromNow());
    }

    // The same typing with the live highlight off, over the same time: what the machine itself stalls.
    ui.checkLive->setChecked(false);
    std::vector<double> baseGaps;
    for (int i = 0; i < runs; ++i) {
        ui.expression->setPlainText(typedBefore);
        ui.expression->moveCursor(QTextCursor::End);
        const rwbench::GapMeter meter;
        ui.expression->textCursor().insertText(kPattern.right(1));
        QElapsedTimer spent;
        spent.start();
        rwbench::waitUntil([&] { return spent.elapsed() >= median(counted); });
        baseGaps.push_back(meter.longestMs());
    }

    std::printf("Live highlight, %s over %.1f MB of text (UTF-8; %lld characters, %d lines), viewed from its "
                "middle; medians of %d runs\n",
                qPrintable(kPattern), text.toUtf8().size() / 1e6, static_cast<long long>(text.size()), lines,
                runs);
    std::printf("%-56s %10s\n", "measure", "value");
    std::printf("%-56s %10.1f  (goal <= 16)\n", "longest UI-thread stall per typed character (ms)",
                median(gaps));
    std::printf("%-56s %10.1f\n", "  the same with the live highlight off (ms)", median(baseGaps));
    std::printf("%-56s %10.1f  (goal <= 100)\n", "lines in view marked, after the pause (ms)",
                median(marked));
    std::printf("%-56s %10.1f\n", "full count shown, after the pause (ms)", median(counted));
    std::printf("%-56s %10.1f\n", "bare engine find-all, same text (ms)", engineMs);
    std::printf("%-56s %10.2f  (goal <= 2)\n", "  ratio full count / engine", median(counted) / engineMs);
    std::printf("%-56s %10.1f\n", "full count right after an earlier count (ms)", median(afterCount));
    std::printf("%-56s %10.1f\n", "full count after idling as long as the six below (ms)", median(afterWait));
    std::printf("%-56s %10.1f\n", "full count after six abandoned slow searches (ms)", median(afterAbandoned));
    std::printf("%-56s %10.2f  (goal <= 1.1)\n", "  ratio after abandoned / after idling as long",
                median(afterAbandoned) / median(afterWait));
    std::printf("%-56s %10.2f\n", "  ratio after abandoned / right after a count", median(afterAbandoned) / median(afterCount));
    std::printf("%-56s %10s\n", "label", qPrintable(label));
    std::printf("%-56s %10lld / %lld\n", "matches: engine / marks in view",
                static_cast<long long>(engineCount), static_cast<long long>(inView));
    return label == QStringLiteral("实时: %1 个匹配").arg(engineCount) ? 0 : 1;
}
