#pragma once

#include "core/regex/Pattern.h"
#include "core/results/FoundMatches.h"
#include "core/tasks/RunState.h"

#include <QObject>

#include <optional>
#include <vector>

class QCheckBox;
class QLabel;

namespace rw {

struct AppContext;
struct LiveError;
struct PatternValue;
struct LiveFinds;
class LiveMarks;
class PatternOwner;
class TextEditor;

// The widgets the live highlight drives.
struct LiveWidgets {
    PatternOwner *pattern = nullptr; // the expression and the options
    TextEditor *source = nullptr; // 编辑框_源文本
    QCheckBox *toggle = nullptr;  // 选择框_实时
    QLabel *label = nullptr;      // 标签_实时
};

// The live highlight: while its box is ticked, every change of the pattern, the options or the source
// text is followed, after a short pause, by a run in the background with the engine, options and limits
// of Match. The matches in view light up in the source box (the part in view is searched first), the
// label counts them, and a pattern that does not compile is underlined where it fails. A change abandons
// the running live run at once. The results list and the status bar's message are never touched.
class LiveController final : public QObject {
    Q_OBJECT
public:
    // The toggle's state is read from and kept in a settings file in context.programDir.
    LiveController(const LiveWidgets &widgets, AppContext &context, QObject *parent = nullptr);
    ~LiveController() override;

    const RunState &runState() const { return m_runs; }
    LiveMarks &marks() const { return *m_marks; }
    // Lets a Match share the live search of expression under options over the source box at revision,
    // rather than search again: waiter.done is called at once when that search has finished, when it
    // finishes while it runs, or with nothing when it is abandoned first. (A Match takes the pattern from
    // PatternOwner::current(), which ends a pause still running, so the live search has started.) False (and waiter never called) when the live search is not that search.
    bool join(const QString &expression, const RegexOptions &options, quint64 revision, FoundWaiter waiter);

signals:
    // A live run ended and its label shows its outcome (not sent for an abandoned run).
    void finished();

private:
    void setEnabled(bool on);
    void inputsChanged();
    void sourceEdited();
    void start();
    void searchView();
    void adopt(const PatternValue &value, const Pattern &pattern, const QString &subject);
    void showError(const PatternValue &value, const LiveError &error);
    void showDone(MatchStatus status, LiveFinds &finds);
    // Tells the Matches waiting for the current run that it will find nothing for them.
    void releaseWaiters();

    LiveWidgets m_w;
    QString m_settingsDir;
    LiveMarks *m_marks;
    RunState m_runs;
    // Searches of a part scrolled into view while the whole text's matches are not yet known.
    RunState m_viewRuns;
    // The newest run as one value, taken when it starts: the pattern as written, the options and the
    // box's revision; then the text it read (shared with the box's text keeper, never copied, let go as
    // soon as the box changes) and the pattern it compiled, for the searches of the view; once it has
    // finished, what it found, for Match.
    struct LiveRun {
        FoundMatches search;
        Pattern pattern;
        bool done = false;
    };
    LiveRun m_run;
    // Matches that joined the current run.
    std::vector<FoundWaiter> m_waiters;
};

} // namespace rw
