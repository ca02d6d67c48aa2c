// Keyword search at scale: 100,000 occurrences in a source text of 150 MB (or the MB given as the first
// argument). How long the first search of a keyword takes to count and mark them all, against a plain find
// of all of them, and how long the next steps take: over the text as counted, after an edit, and after an
// edit with no occurrence left (the step reads the rest of the text). For each, the longest stall of the UI
// thread (the largest gap between ticks of a 10 ms timer).
#include "BenchSupport.h"
#include "BenchWindow.h"
#include "app/MainWindowUi.h"
#include "search/KeywordMarks.h"
#include "search/KeywordSearch.h"
#include "textbox/TextEditor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

using rwbench::median;

namespace {

const QString kKeyword = QStringLiteral("timeout");
// Occurs once, at the very start.
const QString kOnce = QStringLiteral("first line");

// A log-like text of about bytes bytes as UTF-8, "\r\n" line breaks, Chinese in every line, kOnce at the
// start and kKeyword exactly hits times.
QString generateText(qsizetype bytes, int hits) {
    const QString line =
        QStringLiteral("2024-05-17 12:00:%1 INFO 服务器连接成功 user=alice id=%2 path=/srv/a/b\r\n");
    const qsizetype lineBytes = line.toUtf8().size() + 4;
    const qsizetype lines = bytes / lineBytes;
    const qsizetype every = std::max<qsizetype>(1, lines / hits);
    QString text = kOnce + QStringLiteral("\r\n");
    text.reserve(bytes);
    int placed = 0;
    for (qsizetype i = 0; i < lines; ++i) {
        text += line.arg(i % 60, 2, 10, QLatin1Char('0')).arg(i);
        if (placed < hits && i % every == 0) {
            text += QStringLiteral("error ") + kKeyword + QStringLiteral(" x\r\n");
            ++placed;
        }
    }
    return text;
}

} // namespace

int main(int argc, char *argv[]) {
    rwbench::preferOffscreenPlatform();
    QApplication app(argc, argv);
    const int runs = 3;
    const qsizetype megabytes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toLongLong() : 150;
    const QString text = generateText(megabytes * 1'000'000, 100'000);

    // Its dialogs answer no and say nothing: "没有啦" must not stop the run.
    rwbench::BenchWindow bench;
    rw::MainWindowUi &ui = bench.window.ui();
    rw::TextEditor *box = ui.sourceText;
    ui.tabs2->setCurrentWidget(box->parentWidget());
    box->setStore(rw::TextStore(text));
    rw::KeywordSearch *search = bench.window.keywordSearch();
    const auto idle = [&] { return !search->isBusy(); };
    const auto click = [&] { ui.searchButton->click(); };
    // An edit at the end of the text: the counted occurrences no longer tell where the next one is.
    const auto edit = [&] {
        box->replaceRange(box->size(), 0, QStringLiteral("x"));
        box->replaceRange(box->size() - 1, 1, QString());
    };

    // Plain find: the whole text out of the box, then a QString::indexOf loop.
    std::vector<double> plainFind;
    qsizetype found = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const QString plain = box->snapshot().toPlain();
        found = 0;
        for (qsizetype at = plain.indexOf(kKeyword); at >= 0;
             at = plain.indexOf(kKeyword, at + kKeyword.size()))
            ++found;
        plainFind.push_back(double(timer.nsecsElapsed()) / 1e6);
    }

    std::vector<double> first, firstGaps, next, nextGaps, edited, editedGaps, rest, restGaps;
    qsizetype marked = 0;
    for (int i = 0; i < runs; ++i) {
        // Another keyword in between makes the next search of kKeyword a first one again.
        ui.keyword->setText(kOnce);
        click();
        rwbench::waitUntil(idle);
        ui.keyword->setText(kKeyword);
        const auto [took, gap] = rwbench::measure(click, idle);
        first.push_back(took);
        firstGaps.push_back(gap);
        marked = box->marks(rw::KeywordMarks::kLayer).size();
        const auto [step, stepGap] = rwbench::measure(click, idle);
        next.push_back(step);
        nextGaps.push_back(stepGap);
        edit();
        const auto [editedStep, editedGap] = rwbench::measure(click, idle);
        edited.push_back(editedStep);
        editedGaps.push_back(editedGap);
        // kOnce is found at the start; after an edit, the step after it reads the whole rest of the text.
        ui.keyword->setText(kOnce);
        click();
        rwbench::waitUntil(idle);
        edit();
        const auto [restStep, restGap] = rwbench::measure(click, idle);
        rest.push_back(restStep);
        restGaps.push_back(restGap);
    }

    std::printf("Keyword search, %lld occurrences of \"%s\" in %.1f MB of text (UTF-8; %lld characters, %lld "
                "lines); medians of %d runs\n",
                static_cast<long long>(found), qPrintable(kKeyword), text.toUtf8().size() / 1e6,
                static_cast<long long>(text.size()), static_cast<long long>(box->store().lineCount()), runs);
    std::printf("%-52s %10s\n", "measure", "value");
    std::printf("%-52s %10.1f\n", "plain find: whole text + indexOf loop (ms)", median(plainFind));
    std::printf("%-52s %10.1f\n", "first search: count + mark all + select (ms)", median(first));
    std::printf("%-52s %10.2f  (goal <= 5)\n", "  ratio to plain find", median(first) / median(plainFind));
    std::printf("%-52s %10.1f  (goal <= 50)\n", "  longest UI-thread gap (ms)", median(firstGaps));
    std::printf("%-52s %10.2f\n", "next search, text as counted (ms)", median(next));
    std::printf("%-52s %10.1f  (goal <= 50)\n", "  longest UI-thread gap (ms)", median(nextGaps));
    std::printf("%-52s %10.2f\n", "next search after an edit (ms)", median(edited));
    std::printf("%-52s %10.1f  (goal <= 50)\n", "  longest UI-thread gap (ms)", median(editedGaps));
    std::printf("%-52s %10.1f\n", "search after an edit reading all the text (ms)", median(rest));
    std::printf("%-52s %10.1f  (goal <= 50)\n", "  longest UI-thread gap (ms)", median(restGaps));
    std::printf("%-52s %10lld / %lld\n", "occurrences: indexOf / marked", static_cast<long long>(found),
                static_cast<long long>(marked));
    return found == marked ? 0 : 1;
}
