#include "BoxText.h"

#include "TextEditor.h"
#include "core/tasks/TaskPool.h"
#include "core/text/DocumentText.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace rw {

QString boxText(const QPlainTextEdit *box) {
    return paragraphsToCrLf(box->document()->toRawText());
}

BoxText *BoxText::of(TextEditor *box) {
    if (auto *keeper = box->findChild<BoxText *>(QString(), Qt::FindDirectChildrenOnly))
        return keeper;
    return new BoxText(box);
}

BoxText::BoxText(TextEditor *box) : QObject(box), m_box(box) {
    // The text taken last goes with the first edit, not with the next take: it may be large.
    connect(box, &TextEditor::textChanged, this, [this] {
        if (m_valid && m_revision != m_box->revision()) {
            m_valid = false;
            m_text.clear();
        }
    });
}

void BoxText::hold() {
    ++m_holds;
}

void BoxText::release() {
    if (m_holds == 0 || --m_holds > 0)
        return;
    for (Waiting &w : std::exchange(m_waitingForHold, {}))
        take(w.context, std::move(w.done));
}

void BoxText::take(QObject *context, std::function<void(const QString &)> done) {
    if (m_holds > 0) {
        m_waitingForHold.push_back({context, std::move(done), 0});
        return;
    }
    const quint64 revision = m_box->revision();
    m_waiting.push_back({context, std::move(done), revision});
    if (m_valid && m_revision == revision) {
        deliver();
        return;
    }
    if (m_reading.isRunning())
        return;
    const RunState::Run run = m_reading.begin();
    runInBackground([this, run, revision, snapshot = m_box->snapshot()] {
        QString text = snapshot.toCrLf();
        run.deliver([this, run, revision, text = std::move(text)] {
            m_reading.finish(run);
            if (revision == m_box->revision()) {
                m_text = text;
                m_revision = revision;
                m_valid = true;
            }
            // Each taker gets the text as it was when it asked; one that asked after a later edit waits
            // for that text.
            std::vector<Waiting> waiting;
            waiting.swap(m_waiting);
            for (Waiting &w : waiting) {
                if (w.revision == revision) {
                    if (w.context)
                        w.done(text);
                } else {
                    take(w.context, std::move(w.done));
                }
            }
        });
    });
}

void BoxText::deliver() {
    std::vector<Waiting> waiting;
    waiting.swap(m_waiting);
    const QString text = m_text;
    for (Waiting &w : waiting) {
        if (w.context)
            w.done(text);
    }
}

} // namespace rw
