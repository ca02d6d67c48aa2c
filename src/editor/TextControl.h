#pragma once

#include "editor/PieceLayout.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QVariant>

#include <optional>

class QInputMethodEvent;
class QKeyEvent;
class QMouseEvent;

namespace rw {

class LineMotion;
class TextEditor;
class TextStore;

// What the user does to a text box: keys, the mouse (selecting, double and triple clicks, scrolling
// while selecting), input methods, the clipboard; it also sets up drag and drop and the box's face for
// screen readers. The box hands it its events; it moves the box's caret and edits through the box.
// Positions move by graphemes and words as Qt's boundary finders count them (see CursorMotion).
class TextControl final : public QObject {
public:
    explicit TextControl(TextEditor *box);

    // Whether the box takes a key before the window's shortcuts do.
    bool shortcutOverride(QKeyEvent *key) const;
    void keyPressEvent(QKeyEvent *e);
    void mousePressEvent(QMouseEvent *e);
    void mouseMoveEvent(QMouseEvent *e);
    void mouseReleaseEvent(QMouseEvent *e);
    void mouseDoubleClickEvent(QMouseEvent *e);
    void inputMethodEvent(QInputMethodEvent *e);
    // The answer to an input method's query, or none where the widget's own answer serves.
    std::optional<QVariant> inputMethodQuery(Qt::InputMethodQuery query) const;

    void cut();
    void copy() const;
    void paste();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    qsizetype caret() const;
    qsizetype anchor() const;
    const PieceLayout &layout() const;
    const TextStore &store() const;

    LineMotion lineMotion(qsizetype line) const;
    template <typename Motion> qsizetype forward(qsizetype position, Motion motion) const;
    template <typename Motion> qsizetype backward(qsizetype position, Motion motion) const;
    // Grapheme steps (a surrogate pair, a base with its marks, a flag is one); a line break is one.
    qsizetype previousCharacter(qsizetype position) const;
    qsizetype nextCharacter(qsizetype position) const;
    // What Backspace removes: one code point, as QTextCursor does.
    qsizetype previousCodePoint(qsizetype position) const;
    // The nearest grapheme boundary: position itself, or the one before (or after, when forwards).
    qsizetype snapToCharacter(qsizetype position, bool forwards) const;
    qsizetype previousWord(qsizetype position) const;
    qsizetype nextWord(qsizetype position) const;
    std::pair<qsizetype, qsizetype> wordAt(qsizetype position) const;
    bool lineIsRightToLeft(qsizetype position) const;
    // Where Left (or Right) takes the caret, as the line's direction has it.
    qsizetype visualStep(qsizetype position, bool left) const;

    TextEditor *m_box;
    QBasicTimer m_dragScroll;
    bool m_dragging = false;
    QPoint m_dragPoint;
    QElapsedTimer m_sinceDoubleClick;
    QPoint m_doubleClickPoint;
};

} // namespace rw
