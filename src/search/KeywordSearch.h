#pragma once

#include "core/tasks/TaskRuns.h"

#include <QObject>
#include <QString>

#include <deque>
#include <vector>

class QTextDocument;
class QWidget;

namespace rw {

struct AppContext;
class KeywordMarks;
class MainWindowUi;

// Find-next for the keyword of 编辑框_关键字 in the source text (按钮_搜索关键字 or Enter). The first
// search of a new keyword counts its occurrences (on a worker thread) and marks them orange; every
// search then selects and marks blue the next occurrence, one position after the previous hit.
// Searches run one after the other: one asked for while another runs waits for it.
class KeywordSearch final : public QObject {
    Q_OBJECT
public:
    KeywordSearch(MainWindowUi &ui, AppContext &context, QWidget *window);
    ~KeywordSearch() override;

    // Queues a search for the keyword box's current text.
    void search();
    // Whether a search runs or waits.
    bool isBusy() const { return m_busy; }
    // Abandons a running count without touching the controls (used when the window goes away).
    void abandon() { m_runs.abandon(); }

    // The search state that lives from one search to the next.
    qsizetype nextStart() const { return m_nextStart; }
    qsizetype hitNumber() const { return m_hit; }
    qsizetype total() const { return m_total; }

private:
    void startNext();
    void count();
    void counted(quint64 run, QTextDocument *doc, quint64 edits, std::vector<qsizetype> hits);
    void findNext();
    void finish();

    MainWindowUi &m_ui;
    AppContext &m_context;
    QWidget *m_window;
    TaskRuns m_runs;
    std::deque<QString> m_waiting;
    bool m_busy = false;
    QString m_keyword;

    QString m_lastKeyword;
    qsizetype m_nextStart = 0;
    qsizetype m_hit = 0;
    qsizetype m_total = 0;
};

} // namespace rw
