#include "LargePaste.h"

#include "core/tasks/TaskPool.h"
#include "editor/TextEditor.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

namespace rw {

LargePaste::LargePaste(TextEditor *box, qsizetype threshold, QObject *parent)
    : QObject(parent), m_box(box), m_threshold(threshold) {
    m_box->installEventFilter(this);
}

LargePaste::~LargePaste() {
    if (m_runs.isRunning())
        m_box->setReadOnly(m_wasReadOnly);
}

bool LargePaste::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_box && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste)) {
        if (!m_box->isReadOnly())
            paste();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void LargePaste::paste() {
    pasteOver(m_box->selectionStart(), m_box->selectionEnd());
}

void LargePaste::replaceAll() {
    pasteOver(0, m_box->size());
}

void LargePaste::pasteOver(qsizetype from, qsizetype to) {
    if (m_runs.isRunning())
        return;
    const QString text = QGuiApplication::clipboard()->text();
    if (text.size() < m_threshold) {
        m_box->replaceRange(from, to - from, text);
        return;
    }
    const RunState::Run run = m_runs.begin();
    m_wasReadOnly = m_box->isReadOnly();
    m_box->setReadOnly(true);
    runInBackground([this, run, text, from, to] {
        auto piece = std::make_shared<TextPiece>(text);
        run.deliver([this, run, piece, from, to] {
            m_runs.finish(run);
            m_box->setReadOnly(m_wasReadOnly);
            m_box->setSelection(from, to);
            m_box->insertPiece(*piece);
            emit finished();
        });
    });
}

} // namespace rw
