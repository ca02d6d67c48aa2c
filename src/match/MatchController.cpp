#include "MatchController.h"

#include "pattern/PatternOwner.h"

#include "core/regex/Matcher.h"
#include "core/regex/RunStatusText.h"
#include "core/tasks/TaskPool.h"
#include "pattern/PatternOwner.h"
#include "platform/RunButton.h"
#include "results/ResultsCopy.h"
#include "results/ResultsModel.h"
#include "results/ResultsView.h"
#include "textbox/BoxText.h"
#include "textbox/TextEditor.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>

namespace rw {

namespace {
const QString kIdle = QStringLiteral("匹配");
const QString kBusy = QStringLiteral("正在匹配");
constexpr int kDesignColumnWidth[] = {50, 100};
constexpr int kSubmatchColumnWidth = 100;
// A batch goes to the list when it is full or after this much time, whichever comes first. A batch
// holds what fills a buffer of huge pages (MatchSet::hugeBatch: 174,762 matches with two groups): a
// search of millions of matches then writes its offsets without a page fault every 4 KB.
constexpr qint64 kBatchMillis = 50;
} // namespace

MatchController::MatchController(const MatchWidgets &widgets, QObject *parent)
    : QObject(parent), m_w(widgets), m_model(new ResultsModel(this)), m_progress([this] {
          emit statusChanged(
              QStringLiteral("正在匹配… 已找到 %1 个").arg(m_foundElsewhere.value_or(m_model->rowCount())));
      }) {
    m_w.results->setModel(m_model);
    new ResultsCopy(m_w.results, m_model, this);
    for (int c = 0; c < 2; ++c)
        m_w.results->setColumnWidth(c, kDesignColumnWidth[c]);
    connect(m_model, &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                for (int c = first; c <= last; ++c)
                    m_w.results->setColumnWidth(c, kSubmatchColumnWidth);
            });
    // The line numbers take no more room than the running numbers; the group columns that come in before
    // them later push them on, width and all.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        if (const int c = m_model->table().lineColumn(); c >= 0)
            m_w.results->setColumnWidth(c, kDesignColumnWidth[0]);
    });
    connect(m_w.button, &QPushButton::clicked, this, &MatchController::toggle);
    showRunsOn(m_w.button, m_runs, kIdle, kBusy);
    m_progress.follow(m_runs);
}

MatchController::~MatchController() = default;

void MatchController::toggle() {
    if (m_runs.isRunning())
        stop();
    else
        start();
}

void MatchController::stop() {
    // A stop abandons the run: whatever it still posts is dropped, the rows so far stay.
    m_runs.stop();
    m_foundElsewhere.reset();
    flushBatches();
}

void MatchController::start() {
    const PatternSnapshot value = m_w.pattern->current();
    const quint64 revision = m_w.source->revision();
    m_pending.clear();
    const RunState::Run run = m_runs.begin();
    m_model->reset(QString());
    BoxText::of(m_w.source)->take(this, [this, run, value, revision](const QString &subject) {
        if (!run.isCurrent())
            return;
        // The live search goes (or went) through this very text with this very pattern: wait for it and
        // list what it finds rather than search beside it; search alone only when it is abandoned first.
        if (m_elsewhere) {
            FoundWaiter waiter{[this, run](qsizetype found) {
                                   if (m_runs.isCurrent(run))
                                       m_foundElsewhere = found;
                               },
                               [this, run, value, subject](std::optional<FoundMatches> found) {
                                   if (!m_runs.isCurrent(run))
                                       return;
                                   m_foundElsewhere.reset();
                                   if (found)
                                       list(run, *found);
                                   else
                                       search(run, value, subject);
                               }};
            m_foundElsewhere = 0;
            if (m_elsewhere(value->text, value->options, revision, std::move(waiter)))
                return;
            m_foundElsewhere.reset();
        }
        search(run, value, subject);
    });
}

void MatchController::list(const RunState::Run &run, const FoundMatches &found) {
    if (found.options.perLine) {
        // The line index of a big text is too long a job for the UI thread.
        runInBackground([this, run, found] {
            auto lines = std::make_shared<const LineStarts>(found.subject);
            run.deliver([this, found, lines] { show(found, lines); });
        });
        return;
    }
    show(found, nullptr);
}

void MatchController::show(const FoundMatches &found, std::shared_ptr<const LineStarts> lines) {
    m_model->reset(found.subject, std::move(lines));
    m_model->appendBatches({found.matches});
    emit tookFoundMatches();
    finish(found.status, found.matches->isEmpty() ? 0 : found.matches->groupCount());
}

void MatchController::search(const RunState::Run &run, const PatternSnapshot &value, const QString &subject) {
    runInBackground([this, run, value, subject] {
        // The worker's part: compile, match, deliver the rows in batches, deliver the end.
        const Pattern pattern = Pattern::compile(value->tree, value->text, value->options);
        if (!pattern.isValid()) {
            run.deliver([this, error = pattern.error()] { finish(MatchStatus::Rejected, 0, error); });
            return;
        }
        // A search of each line alone lists the line of each match: the lines are found here, once, and the
        // search goes by them.
        std::shared_ptr<const LineStarts> lines;
        if (pattern.options().perLine)
            lines = std::make_shared<const LineStarts>(subject);
        run.deliver([this, subject, lines] { m_model->reset(subject, lines); });
        Matcher matcher(pattern);
        MatchSet found(pattern.captureCount());
        qsizetype total = 0;
        QElapsedTimer sinceBatch;
        sinceBatch.start();
        // A batch counts as full a poll's worth of matches before its room runs out, so that it never
        // grows (which would double its room).
        const qsizetype batchRoom = found.hugeBatch();
        const qsizetype batchMatches = batchRoom - Matcher::pollEveryMatches;
        auto flush = [&](MatchSet &set) {
            total += set.size();
            // Sent off by the clock, a batch keeps no more room than it needs.
            set.releaseSpareRoom();
            run.deliver([this, batch = std::move(set)]() mutable { addBatch(std::move(batch)); });
            set = MatchSet(pattern.captureCount());
            // A search that found a batch is likely to find the next: room for a full one at once.
            set.reserve(batchRoom);
            sinceBatch.restart();
        };
        const MatchStatus status = matcher.findAll(
            subject, found,
            [&](MatchSet &set) {
                if (!run.isCurrent())
                    return false;
                if (set.size() >= batchMatches || (!set.isEmpty() && sinceBatch.elapsed() >= kBatchMillis))
                    flush(set);
                return true;
            },
            0, -1, lines.get());
        if (status == MatchStatus::Canceled)
            return;
        if (!found.isEmpty())
            flush(found);
        const int submatches = total > 0 ? pattern.captureCount() : 0;
        run.deliver([this, run, status, submatches] {
            if (m_runs.finish(run))
                finish(status, submatches);
        });
    });
}

void MatchController::addBatch(MatchSet batch) {
    // Batches that arrive together (the worker outran the window) go into the list together.
    m_pending.push_back(std::move(batch));
    if (m_flushQueued)
        return;
    m_flushQueued = true;
    QTimer::singleShot(0, this, &MatchController::flushBatches);
}

void MatchController::flushBatches() {
    m_flushQueued = false;
    std::vector<MatchSet> batches;
    batches.swap(m_pending);
    m_model->appendBatches(std::move(batches));
}

void MatchController::finish(MatchStatus status, int submatchCount, const PatternError &error) {
    flushBatches();
    m_runs.stop();
    emit statusChanged(
        runStatusText(RunCommand::Match, {status, error, m_model->table().rowCount(), submatchCount}));
    emit finished();
}

} // namespace rw
