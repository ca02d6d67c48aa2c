#include "TextDrag.h"

#include "TextEditor.h"

#include <QDrag>
#include <QDropEvent>
#include <QMimeData>

namespace rw {

TextDrag::TextDrag(TextEditor *editor) : QObject(editor), m_editor(editor), m_viewport(editor->viewport()) {
    m_viewport->setAcceptDrops(true);
    m_viewport->installEventFilter(this);
}

bool TextDrag::canDrop(const QMimeData *data) const {
    if (!data || !data->hasText() || m_editor->isReadOnly())
        return false;
    // A file from a file manager comes with its name as text; the file is what the user means.
    for (const QUrl &url : data->urls())
        if (url.isLocalFile())
            return false;
    return true;
}

bool TextDrag::eventFilter(QObject *watched, QEvent *event) {
    // Compared with the viewport kept, not asked of the box: events still reach the filter while the box
    // is being destroyed.
    if (watched != m_viewport)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *e = static_cast<QDragMoveEvent *>(event);
        if (!canDrop(e->mimeData())) {
            m_editor->setDropCaret(-1);
            return false;
        }
        // The drop caret shows where the text would go.
        const qsizetype at = m_editor->positionAt(e->position().toPoint());
        if (m_dragRunning) {
            // A move onto the dragged text itself would do nothing.
            const bool copy = e->modifiers() & Qt::ControlModifier;
            if (!copy && at > m_editor->selectionStart() && at < m_editor->selectionEnd()) {
                m_editor->setDropCaret(-1);
                e->ignore();
                return true;
            }
            e->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
            e->accept();
        } else {
            e->acceptProposedAction();
        }
        m_editor->setDropCaret(at);
        return true;
    }
    case QEvent::DragLeave:
        m_editor->setDropCaret(-1);
        return false;
    case QEvent::Drop: {
        auto *e = static_cast<QDropEvent *>(event);
        m_editor->setDropCaret(-1);
        if (!canDrop(e->mimeData()))
            return false;
        const QString text = e->mimeData()->text();
        const qsizetype at = m_editor->positionAt(e->position().toPoint());
        const bool move = m_dragRunning && !(e->modifiers() & Qt::ControlModifier);
        if (m_dragRunning) {
            const qsizetype start = m_editor->selectionStart(), end = m_editor->selectionEnd();
            if (move && at > start && at < end) {
                e->ignore();
                return true;
            }
            e->setDropAction(move ? Qt::MoveAction : Qt::CopyAction);
            m_droppedHere = true;
            // Moved within the box: taken out and put in as one undo step.
            if (move)
                m_editor->moveRange(start, end - start, at);
        } else {
            e->acceptProposedAction();
        }
        if (!move) {
            m_editor->setCursorPosition(at);
            m_editor->insertPlainText(text);
        }
        e->accept();
        m_editor->setFocus(Qt::OtherFocusReason);
        return true;
    }
    default:
        return false;
    }
}

void TextDrag::startDrag() {
    const qsizetype start = m_editor->selectionStart(), end = m_editor->selectionEnd();
    const quint64 revision = m_editor->revision();
    auto *data = new QMimeData;
    data->setText(m_editor->selectedText());
    auto *drag = new QDrag(m_editor);
    drag->setMimeData(data);
    const Qt::DropActions actions =
        m_editor->isReadOnly() ? Qt::DropActions(Qt::CopyAction) : (Qt::CopyAction | Qt::MoveAction);
    m_dragRunning = true;
    m_droppedHere = false;
    const Qt::DropAction preferred = m_editor->isReadOnly() ? Qt::CopyAction : Qt::MoveAction;
    const Qt::DropAction done = m_runner ? m_runner(drag, actions, preferred) : drag->exec(actions, preferred);
    m_dragRunning = false;
    m_editor->setDropCaret(-1);
    // Moved out to another program: the text leaves this box, unless the box changed meanwhile.
    if (done == Qt::MoveAction && !m_droppedHere && m_editor->revision() == revision && !m_editor->isReadOnly())
        m_editor->replaceRange(start, end - start, QString());
}

} // namespace rw
