// Keyword search at scale: how long the first search of a keyword takes to count and mark 100,000
// occurrences in a 20 MB source text, against a plain find of all of them in the same document, and the
// longest stall of the UI thread meanwhile (the largest gap between ticks of a 10 ms timer).
#include "BenchSupport.h"
#include "BenchWindow.h"
#include "app/MainWindowUi.h"
#include "search/KeywordMarks.h"
#include "search/KeywordSearch.h"
#include "textbox/LargeText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <vector>

using rwbench::median;

namespace {

const QString kKeyword = QStringLiteral("timeout");

// A log-like text of about bytes bytes as UTF-8, "\r\n" line breaks, Chinese in every line and kKeyword
// exactly hits times.
QString generateText(qsizetype bytes, int hits) {
    const QString line =
        QStringLiteral("2024-05-17 12:00:%1 INFO 服务器连接成功 user=alice id=%2 path=/srv/a/b\r\n");
    const qsizetype lineBytes = line.toUtf8().size() + 4;
    const qsizetype lines = bytes / lineBytes;
    const qsizetype every = std::max<qsizetype>(1, lines / hits);
    QString text;
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
    const int runs = 5;
    const QString text = generateText(20'000'000, 100'000);

    // Its dialogs answer no and say nothing: "没有啦" must not stop the run.
    rwbench::BenchWindow bench;
    rw::MainWindowUi &ui = bench.window.ui();
    ui.tabs2->setCurrentWidget(ui.sourceText->parentWidget());
    rw::showPlainDocument(
        ui.sourceText,
        rw::buildPlainDocument(text, rw::plainDocumentSettings(ui.sourceText), ui.sourceText->thread()));
    QTextDocument *doc = ui.sourceText->document();
    auto *search = bench.window.findChild<rw::KeywordSearch *>();
    rw::KeywordMarks *marks = rw::KeywordMarks::of(doc);

    // Plain find A: the text out of the document, then a QString::indexOf loop.
    std::vector<double> plainFind;
    qsizetype found = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const QString plain = doc->toPlainText();
        found = 0;
        for (qsizetype at = plain.indexOf(kKeyword); at >= 0;
             at = plain.indexOf(kKeyword, at + kKeyword.size()))
            ++found;
        plainFind.push_back(timer.nsecsElapsed() / 1e6);
    }
    // Plain find B: QTextDocument::find from each hit to the next (once: it takes seconds).
    QElapsedTimer docFindTimer;
    docFindTimer.start();
    qsizetype docFound = 0;
    for (QTextCursor c = doc->find(kKeyword, 0, QTextDocument::FindCaseSensitively); !c.isNull();
         c = doc->find(kKeyword, c.selectionEnd(), QTextDocument::FindCaseSensitively))
        ++docFound;
    const double docFind = docFindTimer.nsecsElapsed() / 1e6;

    // The first search of the keyword: count (worker), mark every occurrence (UI slices), select the first.
    std::vector<double> marking, gaps, steps, stepGaps;
    for (int i = 0; i < runs; ++i) {
        // Another keyword in between makes the next search of kKeyword a first one again.
        ui.keyword->setText(QStringLiteral("no such word"));
        ui.searchButton->click();
        rwbench::waitUntil([&] { return !search->isBusy() && !marks->isApplying(); });
        ui.keyword->setText(kKeyword);
        // An edit makes the search take the text out of the document again, as plain find A does.
        QTextCursor edit(doc);
        edit.insertText(QStringLiteral("x"));
        edit.deletePreviousChar();
        const auto [took, gap] = rwbench::measure([&] { ui.searchButton->click(); },
                                                  [&] { return !search->isBusy() && !marks->isApplying(); });
        marking.push_back(took);
        gaps.push_back(gap);
        const auto [step, stepGap] =
            rwbench::measure([&] { ui.searchButton->click(); }, [&] { return !search->isBusy(); });
        steps.push_back(step);
        stepGaps.push_back(stepGap);
    }
    const qsizetype marked = marks->marks().size();

    std::printf("Keyword search, %lld occurrences of \"%s\" in %.1f MB of text (UTF-8; %lld characters, %d "
                "lines); medians of %d runs\n",
                static_cast<long long>(found), qPrintable(kKeyword), text.toUtf8().size() / 1e6,
                static_cast<long long>(text.size()), doc->blockCount(), runs);
    std::printf("%-52s %10s\n", "measure", "value");
    std::printf("%-52s %10.1f\n", "plain find A: toPlainText + indexOf loop (ms)", median(plainFind));
    std::printf("%-52s %10.1f\n", "plain find B: QTextDocument::find loop, 1 run (ms)", docFind);
    std::printf("%-52s %10.1f\n", "first search: text + count + mark all + select (ms)", median(marking));
    std::printf("%-52s %10.2f  (goal <= 5)\n", "  ratio to plain find A",
                median(marking) / median(plainFind));
    std::printf("%-52s %10.2f  (goal <= 5)\n", "  ratio to plain find B", median(marking) / docFind);
    std::printf("%-52s %10.1f  (goal <= 200)\n", "  longest UI-thread gap (ms)", median(gaps));
    std::printf("%-52s %10.2f\n", "next search, same keyword (ms)", median(steps));
    std::printf("%-52s %10.1f\n", "  longest UI-thread gap (ms)", median(stepGaps));
    std::printf("%-52s %10lld / %lld / %lld\n", "occurrences: indexOf / document find / marked",
                static_cast<long long>(found), static_cast<long long>(docFound),
                static_cast<long long>(marked));
    return found == marked ? 0 : 1;
}
