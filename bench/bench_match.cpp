// Match to list: how long 按钮_匹配 takes to list 1,000,000 matches with two groups, against the bare
// engine on the same text, how much memory the list holds per match, and the longest stall of the UI
// thread meanwhile (the largest gap between ticks of a 10 ms timer).
#include "BenchSupport.h"
#include "BenchWindow.h"
#include "app/MainWindowUi.h"
#include "core/regex/Matcher.h"
#include "core/text/DocumentText.h"
#include "match/MatchController.h"
#include "results/ResultsModel.h"

#include "textbox/TextEditor.h"
#include <QCheckBox>
#include <QApplication>
#include <QElapsedTimer>

#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <vector>

using rwbench::median;

namespace {

QString generateText(int lines) {
    QString text;
    text.reserve(qsizetype(lines) * 24);
    for (int i = 0; i < lines; ++i)
        text += QStringLiteral("行%1 id %2-%3 ok\n").arg(i % 97).arg(i).arg(i * 7 % 100000);
    return text;
}

} // namespace

int main(int argc, char *argv[]) {
    rwbench::preferOffscreenPlatform();
    QApplication app(argc, argv);
    const int runs = 6;
    const QString text = generateText(1'000'000);
    const QString subject = rw::paragraphsToCrLf(text);

    std::vector<double> bare;
    qsizetype bareMatches = 0;
    const rw::Pattern pattern = rw::Pattern::compile(QStringLiteral("(\\d+)-(\\d+)"), {});
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        rw::Matcher matcher(pattern);
        rw::MatchSet set(pattern.captureCount());
        matcher.findAll(subject, set);
        bare.push_back(timer.nsecsElapsed() / 1e6);
        bareMatches = set.size();
    }

    rwbench::BenchWindow bench;
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    rw::MainWindowUi &ui = bench.window.ui();
    // Match alone: the live highlight (bench_live measures it) would search the same text beside it.
    ui.checkLive->setChecked(false);
    ui.expression->setPlainText(QStringLiteral("(\\d+)-(\\d+)"));
    ui.sourceText->setPlainText(text);
    QCoreApplication::processEvents();

    // The first run reads the freshly set text out of the box; later runs over the unchanged box reuse it.
    double firstRun = 0;
    std::vector<double> listed, gaps;
    qsizetype rows = 0;
    double bytesPerMatch = 0;
    for (int i = 0; i < runs; ++i) {
        // Unlike rwbench::measure this loop sleeps while no event is pending, leaving both cores to the run.
        const rwbench::GapMeter gapMeter;
        QElapsedTimer timer;
        timer.start();
        ui.matchButton->click();
        while (ui.matchButton->text() != QStringLiteral("匹配"))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (i == 0)
            firstRun = timer.nsecsElapsed() / 1e6;
        else
            listed.push_back(timer.nsecsElapsed() / 1e6);
        gaps.push_back(gapMeter.longestMs());
        rows = bench.window.matchController()->model()->rowCount();
        bytesPerMatch = double(bench.window.matchController()->model()->table().bytesUsed()) / rows;
    }

    std::printf("Match to list, %lld matches of (\\d+)-(\\d+) over %.1f MB (medians of %d repeated runs)\n",
                static_cast<long long>(rows), subject.size() * 2 / 1e6, runs - 1);
    std::printf("%-34s %10s\n", "measure", "value");
    std::printf("%-34s %10.1f\n", "bare engine find-all (ms)", median(bare));
    std::printf("%-34s %10.1f\n", "first run, text just set (ms)", firstRun);
    std::printf("%-34s %10.2f  (goal <= 3)\n", "  ratio to bare engine", firstRun / median(bare));
    std::printf("%-34s %10.1f\n", "repeated run, same text (ms)", median(listed));
    std::printf("%-34s %10.2f  (goal <= 3)\n", "  ratio to bare engine", median(listed) / median(bare));
    std::printf("%-34s %10.1f  (goal <= 64)\n", "list memory per match (bytes)", bytesPerMatch);
    std::printf("%-34s %10.1f  (goal <= 100)\n", "longest UI-thread gap, any run (ms)",
                *std::max_element(gaps.begin(), gaps.end()));
    std::printf("%-34s %10lld\n", "bare engine matches", static_cast<long long>(bareMatches));
    return rows == bareMatches ? 0 : 1;
}
