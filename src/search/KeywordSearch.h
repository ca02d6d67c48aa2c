#pragma once

#include "KeywordMarks.h"
#include "core/search/KeywordStepper.h"
#include "core/tasks/RunState.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <deque>
#include <optional>
#include <vector>

class QLineEdit;
class QPushButton;

namespace rw {

struct AppContext;
class TextEditor;

// The widgets the keyword search drives.
struct KeywordSearchWidgets {
    QLineEdit *keyword = nullptr;        // 编辑框_关键字: what to find; Enter searches
    QPushButton *searchButton = nullptr; // 按钮_搜索关键字
    TextEditor *source = nullptr;        // 编辑框_源文本: searched, marked and selected, never changed
};

// Find-next for the keyword box's text in the source box (the button or Enter). The first search of a
// new keyword counts its occurrences on a worker and marks them orange; every search then selects and
// marks blue the next occurrence. The keyword box keeps the keyboard focus, so Enter steps on. The text
// searched is the box's own (a non-breaking space stays one), in the box's positions. Searches run one
// after the other: one asked for while another runs waits for it.
//
// The UI thread never reads the whole text: while the text is the one counted, the next occurrence comes
// from the counted ones; after an edit, a step reads the box forward a window at a time, a few windows per
// turn of the event loop.
class KeywordSearch final : public QObject {
    Q_OBJECT
public:
    KeywordSearch(const KeywordSearchWidgets &widgets, AppContext &context, QObject *parent = nullptr);
    ~KeywordSearch() override;

    // Queues a search for the keyword box's current text.
    void search();
    // Whether a search runs or waits.
    bool isBusy() const { return m_busy; }
    // Stops a running count or step without touching the widgets (used when the window goes away).
    void abandon();

    // The search state that lives from one search to the next.
    const QString &lastKeyword() const { return m_stepper.keyword(); }
    qsizetype nextStart() const { return m_stepper.nextStart(); }
    qsizetype hitNumber() const { return m_stepper.hitNumber(); }
    qsizetype total() const { return m_stepper.total(); }

signals:
    // A text for the status bar.
    void statusChanged(const QString &text);
    // A search ended (with a hit or with "没有啦").
    void searched();

private:
    void startNext();
    // Counts the keyword's occurrences on a worker; an edit meanwhile starts the count over.
    void count();
    void counted(std::vector<qsizetype> hits, MarkList found, quint64 revision);
    void step();
    // Reads the text on from m_scanFrom for one turn of the event loop.
    void scanSlice();
    // Ends the step with the occurrence at `at` (-1: none).
    void stepped(qsizetype at);
    void finish();
    void onContentsChange(qsizetype position, qsizetype removed, qsizetype added);

    KeywordSearchWidgets m_widgets;
    AppContext &m_context;
    KeywordMarks m_marks;
    RunState m_runs;
    KeywordStepper m_stepper;
    std::deque<QString> m_waiting;
    bool m_busy = false;
    // What the count of the current keyword found, and the revision of the text it counted.
    std::vector<qsizetype> m_hits;
    std::optional<quint64> m_hitsRevision;
    // A step reading an edited text: no occurrence starts from nextStart() up to m_scanFrom.
    bool m_scanning = false;
    qsizetype m_scanFrom = 0;
    QTimer m_nextSlice;
};

} // namespace rw
