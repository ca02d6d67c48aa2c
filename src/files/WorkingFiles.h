#pragma once

#include "core/rules/Rule.h"
#include "core/tasks/RunState.h"
#include "core/tests/TestsCodec.h"
#include "core/textbox/TextStore.h"
#include "textbox/BoxLoader.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class QPlainTextEdit;
class QWidget;

namespace rw {

class TextEditor;

struct AppContext;

// The boxes the working files fill, and the window whose close they answer.
struct WorkingFilesWidgets {
    QPlainTextEdit *expression; // 编辑框_表达式, bds.txt
    QPlainTextEdit *notes;      // 编辑框_记录, jl.txt
    TextEditor *sourceText;     // 编辑框_源文本, test.txt
    QWidget *window;            // parent of the questions; closed again once a deferred close may go on
};

// The working files in the program's directory: gz.txt (the rules library), jl.txt (notes), test.txt
// (source text) and bds.txt (expression). They are loaded in the background at start-up and written
// back when the user confirms closing the window.
//
// Each of the three boxes gets its text built off the UI thread (a new QTextDocument for the expression and
// the notes, a TextStore for the source text), so a large file never stalls the window: connect to the
// box, not to its document, or connect after loaded().
class WorkingFiles final : public QObject {
    Q_OBJECT
public:
    // sourceLoader loads test.txt into sourceText; currentRules gives the rules library as it stands, for a
    // save.
    WorkingFiles(const WorkingFilesWidgets &widgets, BoxLoader &sourceLoader, AppContext &context,
                 std::function<QList<Rule>()> currentRules, QObject *parent = nullptr);
    ~WorkingFiles() override;

    // Starts the loader: the rules first (gz.txt is created from the built-in rules when missing), then
    // notes, source text and expression, each shown as soon as it is read. The loads begin now (a file
    // opened after this call is newer than test.txt); the reading, once the window has been painted.
    void startLoading();
    // Whether the loader has not finished yet.
    bool isLoading() const { return m_loader.isRunning(); }
    // Drops whatever a running loader has still to deliver (used when the window goes away).
    void abandon();
    // Answers a close request: true when the window may close. Asks first; on Yes writes the files on a
    // worker (the window is disabled meanwhile, so nothing typed is left unsaved) and closes the window
    // again once they are written; when a write failed, says which and asks whether to close anyway.
    // While the loader runs, or a large paste into the source text is being built, nothing is asked or
    // written: the request is remembered and repeated once they have finished.
    bool confirmClose();
    // Answers the end of the desktop session when the session manager lets the program ask: the close
    // question; on Yes the files are written before this returns (a failed write asks whether to end
    // anyway). False when the user keeps the program open, so the session's end should be cancelled.
    bool saveForSessionEnd();
    // Whether the files are being written for a close.
    bool isSaving() const { return m_saver.isRunning(); }

    // The tests of the expression box's pattern (bds.tests.json) and of the rules (gz.tests.json) as they
    // are now, for a save. Without it, the tests files are neither read nor written.
    struct Tests {
        TestsFile box;
        TestsFile rules;
    };
    void setCurrentTests(std::function<Tests()> currentTests) { m_currentTests = std::move(currentTests); }

signals:
    // The rules read from gz.txt, for the top of the library; sent once per load, before loaded().
    void rulesLoaded(const QList<Rule> &rules);
    // The tests of the rules, from gz.tests.json; sent after rulesLoaded() when there is such a file.
    void rulesTestsLoaded(const TestsFile &file);
    // The tests of the expression box's pattern, from bds.tests.json (the file's first entry), sent after
    // the box has its text when there is such a file.
    void boxTestsLoaded(const TestedPattern &entry);
    // A confirmed close is about to save: an edit still open should end now.
    void aboutToSave();
    // The loader has put everything into the controls.
    void loaded();
    // A status message for the status bar (files the loader could not read).
    void statusChanged(const QString &text);

protected:
    // Watches the window for its first paint.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void startReading();
    void showRules(const QList<Rule> &rules, bool kept);
    void finishLoading(const RunState::Run &run, const QStringList &failures);
    // Closes the window again when a close waited for the loader or a paste, and neither runs any more.
    void closeIfAsked();
    // Writes bds.txt, jl.txt, test.txt and gz.txt from the controls, except a file that existed at load
    // and whose control has not changed since.
    void startSaving();
    // A file to write at close: text, or the source text's snapshot (fromSource); skipped when kept, the
    // text as loaded, is the same text as current.
    struct SaveJob {
        QString name;
        QString text;
        TextSnapshot source;
        bool fromSource = false;
        std::optional<TextSnapshot> kept;
        TextSnapshot current;
        // A tests file: written from file unless it is what was loaded.
        std::optional<TestsFile> tests;
    };
    // The tests files to write now.
    void addTestsJobs(std::vector<SaveJob> &jobs);
    // What the loader delivers of the tests files (UI thread).
    void showTests(const QString &name, const TestsFileRead &read);
    // What a save writes now, taken from the controls (UI thread).
    std::vector<SaveJob> saveJobs();
    // Writes the jobs into dir, on any thread; one line per file that failed ("name: reason").
    static QStringList writeFiles(const std::vector<SaveJob> &jobs, const QString &dir);
    // failures: one line per file that could not be written ("name: reason").
    void finishSaving(const RunState::Run &run, const QStringList &failures);

    WorkingFilesWidgets m_ui;
    BoxLoader &m_sourceLoader;
    AppContext &m_context;
    std::function<QList<Rule>()> m_currentRules;
    RunState m_loader;
    // The reading of the files, until it starts.
    std::function<void()> m_read;
    bool m_closeWhenLoaded = false;
    RunState m_saver;
    bool m_saved = false;
    // What the boxes and the list held when loaded from files that exist: such a file is written at
    // close only when its box or list has changed: when the box holds the loaded text again (compared
    // on the saving worker); the source text is also unchanged while its revision is. Until test.txt's
    // text has come into its box, m_keptSource is the text the box held before (see startLoading).
    QHash<const QPlainTextEdit *, TextSnapshot> m_keptTexts;
    std::optional<quint64> m_keptSourceRevision;
    std::optional<TextSnapshot> m_keptSource;
    std::optional<QList<Rule>> m_keptRules;
    std::function<Tests()> m_currentTests;
    // Per tests file: what was loaded (written again only when it changed); the files left damaged where
    // they are, never written; the damage found, told once the load has finished.
    QHash<QString, TestsFile> m_keptTests;
    QSet<QString> m_testsKeptOff;
    QStringList m_testsDamage;
    // Entries of bds.tests.json after its first, written back as they came.
    QList<TestedPattern> m_moreBoxEntries;
};

} // namespace rw
