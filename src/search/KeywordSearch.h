#pragma once

#include "core/search/KeywordStepper.h"
#include "core/tasks/RunState.h"

#include <QObject>
#include <QString>

#include <deque>
#include <vector>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace rw {

struct AppContext;

// The widgets the keyword search drives.
struct KeywordSearchWidgets {
    QLineEdit *keyword = nullptr;        // 编辑框_关键字: what to find; Enter searches
    QPushButton *searchButton = nullptr; // 按钮_搜索关键字
    QPlainTextEdit *source = nullptr;    // 编辑框_源文本: searched, marked and selected, never changed
};

// Find-next for the keyword box's text in the source box (the button or Enter). The first search of a
// new keyword counts its occurrences on a worker and marks them orange; every search then selects and
// marks blue the next occurrence. The keyword box keeps the keyboard focus, so Enter steps on. The text
// searched is the box's own (a non-breaking space stays one), in the box's positions. Searches run one
// after the other: one asked for while another runs waits for it.
class KeywordSearch final : public QObject {
    Q_OBJECT
public:
    KeywordSearch(const KeywordSearchWidgets &widgets, AppContext &context, QObject *parent = nullptr);
    ~KeywordSearch() override;

    // Queues a search for the keyword box's current text.
    void search();
    // Whether a search runs or waits.
    bool isBusy() const { return m_busy; }
    // Stops a running count without touching the widgets (used when the window goes away).
    void abandon() { m_runs.stop(); }

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
    void counted(const std::vector<qsizetype> &hits);
    void step();
    void finish();
    void onSourceChanged();
    // The source box's text as the search reads it, in the box's positions; kept until the next edit.
    const QString &text();

    KeywordSearchWidgets m_widgets;
    AppContext &m_context;
    RunState m_runs;
    KeywordStepper m_stepper;
    std::deque<QString> m_waiting;
    bool m_busy = false;
    QString m_text;
    bool m_textValid = false;
};

} // namespace rw
