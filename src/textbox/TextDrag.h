#pragma once

#include <QObject>

#include <functional>

class QDrag;
class QMimeData;

class QWidget;

namespace rw {

class TextEditor;

// Drag and drop of text in a text box, as Qt's text boxes do it: the selection dragged (moved, or copied
// with Ctrl), also out to other programs; text dropped from anywhere goes in at the drop point. Dropped
// files are left alone, for whoever imports them. Watches the box's viewport for drops; the box's control
// tells a press on the selection from a click and starts the drag.
class TextDrag : public QObject {
    Q_OBJECT
public:
    explicit TextDrag(TextEditor *editor);

    // Runs a drag to its end and says what became of it: QDrag::exec, unless a test plays the platform's
    // part (an offscreen platform drops nothing).
    using Runner = std::function<Qt::DropAction(QDrag *drag, Qt::DropActions actions, Qt::DropAction preferred)>;
    void setRunner(Runner runner) { m_runner = std::move(runner); }
    // Drags the selection, and takes it out of the box if another program took it as a move.
    void startDrag();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool canDrop(const QMimeData *data) const;

    TextEditor *m_editor;

    QWidget *m_viewport;
    Runner m_runner;
    // While a drag of ours runs, a drop on the box is a move within it.
    bool m_dragRunning = false;
    bool m_droppedHere = false;
};

} // namespace rw
