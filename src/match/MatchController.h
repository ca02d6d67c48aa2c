#pragma once

#include "core/regex/PatternError.h"
#include "core/tasks/TaskRuns.h"

#include <QObject>

namespace rw {

class MainWindowUi;
class MatchSet;
class ResultsModel;
enum class MatchStatus;
struct RegexOptions;

// The Match command: 按钮_匹配 starts a run over a snapshot of the expression, the source text and the
// three options, or stops the running one. Rows reach the results list in batches while the run goes on.
class MatchController final : public QObject {
    Q_OBJECT
public:
    explicit MatchController(MainWindowUi &ui, QObject *parent = nullptr);
    ~MatchController() override;

    ResultsModel *model() const { return m_model; }
    // Abandons a running match without touching the controls (used when the window goes away).
    void abandon();

private:
    void onClicked();
    void start();
    // The worker's part of a run: compile, match, post the rows in batches, post the end.
    void match(quint64 run, const RegexOptions &options, const QString &expression, const QString &subject);
    void addBatch(quint64 run, const MatchSet &batch);
    void finish(quint64 run, MatchStatus status, int submatchCount, const PatternError &error = {});

    MainWindowUi &m_ui;
    ResultsModel *m_model;
    TaskRuns m_runs;
};

} // namespace rw
