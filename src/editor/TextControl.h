#pragma once

#include "core/editor/TextDocument.h"
#include "editor/PieceLayout.h"

#include <QBasicTimer>
#include <QElapsedTimer>
#include <QFont>
#include <QObject>
#include <QPoint>
#include <QRectF>
#include <QVariant>

#include <algorithm>
#include <optional>

class QInputMethodEvent;
class QKeyEvent;
class QMouseEvent;

namespace rw {

class LineMotion;
class TextStore;

// The box a TextControl works, as the control sees it: the text, the rows, the caret, edits and the view.
class TextControlHost {
public:
    virtual const TextStore &store() const = 0;
    virtual const PieceLayout &pieceLayout() const = 0;
    virtual qsizetype cursorPosition() const = 0;
    virtual qsizetype anchorPosition() const = 0;
    virtual bool isReadOnly() const = 0;
    virtual bool overwriteMode() const = 0;
    virtual void setOverwriteMode(bool overwrite) = 0;
    virtual bool tabChangesFocus() const = 0;

    // Moves the caret (and the anchor unless keepAnchor) and shows it; keepX keeps the column that Up
    // and Down aim at.
    virtual void moveCursor(qsizetype position, bool keepAnchor, bool keepX) = 0;
    virtual void setSelection(qsizetype anchor, qsizetype position) = 0;
    // Where Up and Down aim, or -1 to take the caret's place.
    virtual qreal desiredX() const = 0;
    virtual void setDesiredX(qreal x) = 0;
    // Replaces length characters at position as an undo step (which kind may merge with the one
    // before); the caret goes after the new text.
    virtual void edit(qsizetype position, qsizetype length, const TextPiece &text,
                      TextDocument::EditKind kind) = 0;
    virtual void undo() = 0;
    virtual void redo() = 0;
    // The input method's text being composed, with its formats and its caret, shown at the caret.
    virtual void setPreedit(const QString &text, const QList<QTextLayout::FormatRange> &formats, int caret,
                            bool caretShown) = 0;

    virtual qsizetype positionAt(const QPoint &point) const = 0;
    virtual QRectF caretRectInWidget() const = 0;
    virtual QFont textFont() const = 0;
    virtual int viewHeight() const = 0;
    virtual void updateView() = 0;
    virtual void scrollRows(qsizetype rows) = 0;
    virtual qsizetype rowsPerPage() const = 0;
    // Moves the focus on (or back), as Ctrl+Tab does.
    virtual void moveFocus(bool next) = 0;

protected:
    ~TextControlHost() = default;
};

// What the user does to a text box: keys, the mouse (selecting, double and triple clicks, scrolling
// while selecting), input methods, the clipboard. The box hands it its events; it moves the caret and
// edits through the box. Positions move by graphemes and words as Qt's boundary finders count them (see
// CursorMotion).
class TextControl final : public QObject {
public:
    TextControl(TextControlHost *host, QObject *parent);

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
    bool hasSelection() const { return caret() != anchor(); }
    qsizetype selectionStart() const { return std::min(caret(), anchor()); }
    qsizetype selectionEnd() const { return std::max(caret(), anchor()); }
    QString selectedText() const;
    void removeSelection();
    // As typing does not: a paste's one step.
    void replaceSelection(const QString &text);
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

    TextControlHost *m_host;
    QBasicTimer m_dragScroll;
    bool m_dragging = false;
    QPoint m_dragPoint;
    QElapsedTimer m_sinceDoubleClick;
    QPoint m_doubleClickPoint;
};

} // namespace rw
