#pragma once

#include "PieceLayout.h"
#include "core/textbox/TextDocument.h"

#include <QBasicTimer>
#include <QObject>
#include <QPoint>
#include <QTextLayout>
#include <QVariant>

#include <algorithm>
#include <optional>

class QInputMethodEvent;
class QKeyEvent;
class QMouseEvent;

namespace rw {

class LineMotion;
class TextEditor;

// The editing side of a text box, as the user works it: the text and its history, the caret and the
// selection, the input method's preedit, read-only and overwrite, and what keys, the mouse (selecting,
// double and triple clicks, pressing on the selection to drag it, scrolling while selecting), input
// methods and the clipboard do to them. The box (a TextEditor) lays out, paints and scrolls: it hands the
// control its events and is told of every change of the text, the caret and the preedit. Positions move
// by graphemes and words as Qt's boundary finders count them (see CursorMotion).
class TextControl final : public QObject {
public:
    using EditKind = TextDocument::EditKind;

    explicit TextControl(TextEditor *editor);

    const TextDocument &document() const { return m_document; }
    TextDocument &document() { return m_document; }
    const TextStore &store() const { return m_document.store(); }
    // Replaces the whole text; the caret goes to the start and the history starts over.
    void setStore(TextStore text);

    qsizetype cursorPosition() const { return m_cursor; }
    qsizetype anchorPosition() const { return m_anchor; }
    bool hasSelection() const { return m_cursor != m_anchor; }
    qsizetype selectionStart() const { return std::min(m_cursor, m_anchor); }
    qsizetype selectionEnd() const { return std::max(m_cursor, m_anchor); }
    QString selectedText() const;
    // Moves the caret (and the anchor unless keepAnchor) and shows it; keepX keeps the column that Up
    // and Down aim at.
    void moveCursor(qsizetype position, bool keepAnchor, bool keepX = false);
    void setSelection(qsizetype anchor, qsizetype position);

    // Replaces length characters at position as an undo step (which kind may merge with the one before);
    // the caret goes after the new text. Also on a read-only box: the program's own edits.
    void edit(qsizetype position, qsizetype length, const TextPiece &text, EditKind kind);
    // Moves length characters at from to to (counted in the text before the move) as one undo step, as a
    // drop does; nothing on a read-only box, nor for a place inside the text moved.
    void moveRange(qsizetype from, qsizetype length, qsizetype to);
    // Nothing on a read-only box.
    void undo() { travel(true); }
    void redo() { travel(false); }

    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool overwriteMode() const { return m_overwrite; }
    void setOverwriteMode(bool overwrite) { m_overwrite = overwrite; }
    bool tabChangesFocus() const { return m_tabChangesFocus; }
    void setTabChangesFocus(bool moves) { m_tabChangesFocus = moves; }

    // The input method's text being composed, shown at the caret, with its formats (positions within
    // the preedit) and its own caret.
    const QString &preedit() const { return m_preedit; }
    const QList<QTextLayout::FormatRange> &preeditFormats() const { return m_preeditFormats; }
    int preeditCaret() const { return m_preedit.isEmpty() ? 0 : m_preeditCursor; }
    bool preeditCaretShown() const { return m_preeditCursorShown; }

    // Whether the box takes a key before the window's shortcuts do.
    bool shortcutOverride(QKeyEvent *key) const;
    void keyPressEvent(QKeyEvent *e);
    // In the viewport's coordinates.
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
    void removeSelection();
    // As typing does not: a paste's one step.
    void replaceSelection(const QString &text);
    void travel(bool back);
    // Tells the box that the caret moved from before, or the selection changed.
    void caretChanged(Caret before, bool keepX);
    // Moves the double- and triple-clicked spans with a change of the text, as text cursors move.
    void clickedSpansFollow(const TextChange &change);
    void setPreedit(const QString &text, const QList<QTextLayout::FormatRange> &formats, int caret,
                    bool caretShown);
    const PieceLayout &layout() const;

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

    // Extends the selection to position under the mouse at x (in the viewport): by characters from the
    // anchor, or from a triple-clicked line by whole lines, or else from a double-clicked word by whole
    // words.
    void selectTo(qsizetype position, qreal x);
    // Where the extension by words or lines takes the caret and the anchor, or nothing to leave the
    // selection as it is.
    std::optional<Caret> wordsTo(qsizetype position, qreal x) const;
    Caret linesTo(qsizetype position) const;

    TextEditor *m_editor;
    TextDocument m_document;
    qsizetype m_cursor = 0;
    qsizetype m_anchor = 0;
    qreal m_desiredX = -1; // where Up and Down aim, or -1 to take the caret's place
    bool m_readOnly = false;
    bool m_overwrite = false;
    bool m_tabChangesFocus = false;

    QString m_preedit;
    QList<QTextLayout::FormatRange> m_preeditFormats;
    int m_preeditCursor = 0;
    bool m_preeditCursorShown = true;

    // The mouse: selecting from a press, or pressed on the selection and maybe dragging it.
    bool m_selecting = false;
    bool m_mightStartDrag = false;
    QPoint m_pressPoint;
    QPoint m_dragPoint; // where the mouse is while selecting
    QBasicTimer m_dragScroll;
    // Runs for a double-click interval after a double click: a press near it meanwhile is a third click.
    QBasicTimer m_tripleClick;
    QPoint m_tripleClickPoint;
    // What the last double click selected (a word) and the last triple click (a line), [start, end);
    // empty for none. Until a press puts the caret down, a drag or a Shift+press extends the selection by
    // lines or else by words, and keeps that line or word selected. They follow edits, as text cursors do.
    struct Span {
        qsizetype start = 0;
        qsizetype end = 0;
        bool empty() const { return start >= end; }
        bool contains(qsizetype position) const { return position >= start && position <= end; }
    };
    Span m_clickedWord;
    Span m_clickedLine;
};

} // namespace rw
