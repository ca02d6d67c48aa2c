#pragma once

#include "core/tasks/RunState.h"
#include "core/textbox/TextStore.h"

#include <QByteArrayView>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

namespace rw {

class TextEditor;

// The one way a big text box gets a text built on a worker: a file loaded into it (the working file at
// start-up, an import, a drop) or a large paste. Of these the newest wins: one started while another is
// under way drops that one, whose text never shows.
//
// While one is under way the box is read-only, so nothing typed lands in a text about to be replaced and
// a paste is refused as a read-only box refuses it, and those taking the box's text wait for the new one
// (see BoxText::hold). A big file shows its first screen while the whole is read; a load that brings no
// text puts back the text the box held before the first screen (of several loads in a row, before the
// first), with its caret.
class BoxLoader final : public QObject {
    Q_OBJECT
public:
    // A load as its reading worker holds it: copyable and usable on any thread. Whatever a load no longer
    // current hands over is dropped; callbacks run on the box's thread while the context given to begin()
    // exists.
    class Load {
    public:
        Load() = default;
        bool isCurrent() const { return m_run.isCurrent(); }
        // When the file at path is big (see firstScreen), shows its beginning, decoded by decode, while the
        // whole is read; call it before reading the whole.
        void showFirstScreen(const QString &path, QString (*decode)(QByteArrayView)) const;
        // The whole text: its store is built on the calling thread, then it goes into the box, editable as
        // the box was, with a new undo history; shown runs after that.
        void showWhole(QString text, std::function<void()> shown = {}) const;
        // No text came: the box gets back the text from before; failed runs after that.
        void fail(std::function<void()> failed = {}) const;

    private:
        friend class BoxLoader;
        BoxLoader *m_loader = nullptr;
        RunState::Run m_run;
        QPointer<QObject> m_context;
    };

    explicit BoxLoader(TextEditor *box, QObject *parent = nullptr);
    ~BoxLoader() override;

    TextEditor *box() const { return m_box; }

    // Starts a load into the box; the worker that reads the text gets the Load. context: see Load.
    Load begin(QObject *context);
    // Puts text over [from, to) as a paste does (one undo step), once a worker has cut it into the store's
    // pieces. Nothing when the box is read-only.
    void paste(qsizetype from, qsizetype to, QString text);
    // Drops the load or paste under way; a first screen gives way to the text from before.
    void abandon();

    bool isLoading() const { return m_runs.isRunning() && !m_pasting; }
    bool isPasting() const { return m_runs.isRunning() && m_pasting; }
    bool isCurrent(const Load &load) const { return m_runs.isCurrent(load.m_run); }
    // Whether a load or a paste is under way (runningChanged tells when that changes).
    const RunState &runState() const { return m_runs; }

    // Read-only holds: the box is read-only while any is up and gets back its own state with the last.
    void hold();
    void release();

private:
    void startRun(bool pasting);
    // Ends the run's hold around apply: the box is editable again when those told of the new text look,
    // and the takers waiting for the text get it once it is in.
    void endRun(const std::function<void()> &apply);
    void showFirst(TextStore first);
    void putBack();

    TextEditor *m_box;
    RunState m_runs;
    bool m_pasting = false;
    bool m_runHolds = false;
    int m_holds = 0;
    bool m_ownReadOnly = false;
    // The text a first screen stands over, to put back; sharing its chunks costs no copy.
    struct Before {
        TextSnapshot text;
        qsizetype anchor = 0;
        qsizetype cursor = 0;
    };
    std::optional<Before> m_before;
};

} // namespace rw
