#include "BoxText.h"

#include "core/tasks/TaskPool.h"
#include "core/text/DocumentText.h"

#include <QPlainTextEdit>
#include <QTextDocument>

namespace rw {

QString boxText(const QPlainTextEdit *box) {
    return paragraphsToCrLf(box->document()->toRawText());
}

BoxText *BoxText::of(QPlainTextEdit *box) {
    if (auto *keeper = box->findChild<BoxText *>(QString(), Qt::FindDirectChildrenOnly))
        return keeper;
    return new BoxText(box);
}

BoxText::BoxText(QPlainTextEdit *box) : QObject(box), m_box(box) {
    watch();
}

void BoxText::watch() {
    if (m_document == m_box->document())
        return;
    disconnect(m_watch);
    m_document = m_box->document();
    m_watch =
        connect(m_document, &QTextDocument::contentsChange, this, [this](int, int, int) { invalidate(); });
    invalidate();
}

void BoxText::invalidate() {
    ++m_generation;
    m_valid = false;
    m_text.clear();
}

void BoxText::take(QObject *context, std::function<void(const QString &)> done) {
    watch();
    m_waiting.push_back({context, std::move(done)});
    if (m_valid) {
        deliver();
        return;
    }
    if (m_reading.isRunning())
        return;
    // The document's raw text is the one fast way out of it (a few ns per character; slices through
    // cursors cost ten times more in all); the conversion, as long again, runs on a worker.
    QString raw = m_document->toRawText();
    const quint64 generation = m_generation;
    const RunState::Run run = m_reading.begin();
    runInBackground([this, run, generation, raw = std::move(raw)] {
        QString text = paragraphsToCrLf(raw);
        run.deliver([this, run, generation, text = std::move(text)] {
            m_reading.finish(run);
            if (generation != m_generation) {
                // The box changed while the text was converted: read it again.
                std::vector<Waiting> waiting;
                waiting.swap(m_waiting);
                for (Waiting &w : waiting)
                    take(w.context, std::move(w.done));
                return;
            }
            m_text = text;
            m_valid = true;
            deliver();
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
