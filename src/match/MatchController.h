#pragma once

#include "core/regex/MatchSet.h"
#include "core/regex/PatternError.h"
#include "core/results/FoundMatches.h"
#include "core/tasks/RunState.h"
#include "core/regex/PatternValue.h"
#include "platform/ProgressTicker.h"

#include <QObject>

#include <functional>
#include <optional>
#include <vector>

class QPushButton;

namespace rw {
class TextEditor;
}

namespace rw {

class LineStarts;
class MatchSet;
class PatternOwner;
class ResultsModel;
class ResultsView;
enum class MatchStatus;

// The widgets the Match command drives.
struct MatchWidgets {
    PatternOwner *pattern = nullptr; // the expression and the options
    TextEditor *source = nullptr;  // 编辑框_源文本
    QPushButton *button = nullptr; // 按钮_匹配
    ResultsView *results = nullptr; // 超级列表框_结果
};

// The Match command: its button starts a run over a snapshot of the expression, the source text and the
// three options, or stops the running one. Rows reach the results list in batches while the run goes on.
class MatchController final : public QObject {
    Q_OBJECT
public:
    explicit MatchController(const MatchWidgets &widgets, QObject *parent = nullptr);
    ~MatchController() override;

    ResultsModel *model() const { return m_model; }
    const RunState &runState() const { return m_runs; }
    // Where a Match may find its search already made or under way (the live search): given the pattern
    // as written, the options, the source box's revision and a waiter, it answers whether it has that
    // very search, and if so calls the waiter with what it finds (see FoundWaiter).
    using SearchElsewhere = std::function<bool(const QString &, const RegexOptions &, quint64, FoundWaiter)>;
    void setSearchElsewhere(SearchElsewhere elsewhere) { m_elsewhere = std::move(elsewhere); }

public slots:
    // Starts a run, or stops the running one (the button's click).
    void toggle();
    // Stops a running match; the rows so far stay.
    void stop();

signals:
    void statusChanged(const QString &text);
    // A run ended and wrote its status (not sent for a stopped or superseded run).
    void finished();
    // This Match listed matches found elsewhere instead of searching (sent before finished()).
    void tookFoundMatches();

private:
    void start();
    // The worker's search of the pattern over subject, for run.
    void search(const RunState::Run &run, const PatternSnapshot &pattern, const QString &subject);
    // Lists what a search made elsewhere found, for run.
    void list(const RunState::Run &run, const FoundMatches &found);
    void show(const FoundMatches &found, std::shared_ptr<const LineStarts> lines);
    void addBatch(MatchSet batch);
    // Puts the batches that came since the last turn of the event loop into the list at once.
    void flushBatches();
    void finish(MatchStatus status, int submatchCount, const PatternError &error = {});

    MatchWidgets m_w;
    ResultsModel *m_model;
    std::vector<MatchSet> m_pending;
    bool m_flushQueued = false;
    RunState m_runs;
    ProgressTicker m_progress;
    SearchElsewhere m_elsewhere;
    // While this Match waits for a search made elsewhere: how many that search has found so far.
    std::optional<qsizetype> m_foundElsewhere;
};

} // namespace rw
