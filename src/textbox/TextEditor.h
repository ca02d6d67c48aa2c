#pragma once

#include "PieceLayout.h"
#include "TextControl.h"
#include "core/textbox/MarkList.h"
#include "core/textbox/TextDocument.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QTextCharFormat>
#include <QTextLayout>

#include <functional>
#include <optional>
#include <vector>

namespace rw {

class MarkSource;
class TextDrag;

// A plain-text box for texts of any size: a hundred megabytes of lines, or one line of sixty million
// characters. Only what shows is laid out, a piece at a time. A line of up to kWholeLine characters is one
// piece, laid out whole and wrapped at word boundaries; a longer line is cut into pieces of kPieceLength
// characters, each starting on a new row. The scroll bar counts pieces (rows, in a text of a few pieces);
// the wheel and touchpads scroll by pixels, the top row showing in part.
//
// It edits as a text box does: typing, selection by keyboard and mouse, clipboard, undo and redo, input
// methods. Positions count a line break as one character, as QPlainTextEdit does.
//
// The widget is the view: the scrolling, the rows in view, the blinking caret. The text with its history
// and marks, the caret and selection, the preedit and what the user does with keys, mouse and input
// methods are a TextControl, which the widget hands its events and which tells it of every change; the
// rows are a PieceLayout, painting a TextRenderer.
class TextEditor : public QAbstractScrollArea {
    Q_OBJECT
    // The properties QPlainTextEdit has, so that tools and tests that speak Qt find them.
    Q_PROPERTY(QString plainText READ toPlainText WRITE setPlainText NOTIFY textChanged USER true)
    Q_PROPERTY(bool readOnly READ isReadOnly WRITE setReadOnly NOTIFY readOnlyChanged)
    Q_PROPERTY(QString placeholderText READ placeholderText WRITE setPlaceholderText)
    Q_PROPERTY(bool overwriteMode READ overwriteMode WRITE setOverwriteMode)
    Q_PROPERTY(bool tabChangesFocus READ tabChangesFocus WRITE setTabChangesFocus)
public:
    static constexpr qsizetype kWholeLine = PieceLayout::kWholeLine;
    static constexpr qsizetype kPieceLength = PieceLayout::kPieceLength;

    explicit TextEditor(QWidget *parent = nullptr);
    ~TextEditor() override;

    // The whole text, with "\n" line breaks.
    QString toPlainText() const;
    // Replaces the text; the undo history starts over.
    void setPlainText(const QString &text);
    // Takes a store built elsewhere (on a worker, for a big text); the undo history starts over.
    void setStore(TextStore store);
    const TextStore &store() const { return m_control.store(); }
    TextSnapshot snapshot() const { return store().snapshot(); }
    qsizetype size() const { return store().size(); }
    // Goes up with every change of the text, so a reader can tell an unchanged box.
    quint64 revision() const { return m_control.document().revision(); }

    qsizetype cursorPosition() const { return m_control.cursorPosition(); }
    qsizetype anchorPosition() const { return m_control.anchorPosition(); }
    qsizetype selectionStart() const { return m_control.selectionStart(); }
    qsizetype selectionEnd() const { return m_control.selectionEnd(); }
    bool hasSelection() const { return m_control.hasSelection(); }
    QString selectedText() const { return m_control.selectedText(); }
    // Moves the cursor (the anchor too unless keepAnchor) and scrolls it into view.
    void setCursorPosition(qsizetype position, bool keepAnchor = false);
    void setSelection(qsizetype anchor, qsizetype position);
    void selectAll();
    void ensureCursorVisible();

    // Replaces the selection as typing or a paste does: one undo step; also on a read-only box.
    void insertPlainText(const QString &text);
    void insertPiece(const TextPiece &piece);
    // Replaces length characters at position as one undo step; the cursor goes after the new text. Nothing
    // on a read-only box (nor do undo and redo).
    void replaceRange(qsizetype position, qsizetype length, const QString &text);
    // Moves length characters at from to position to (counted in the text before the move) as one undo
    // step, whose undo brings back the selection as it was; the caret goes after the moved text, as after
    // a drop. Nothing on a read-only box, nor for a place inside the text moved.
    void moveRange(qsizetype from, qsizetype length, qsizetype to);

    bool isReadOnly() const { return m_control.isReadOnly(); }
    void setReadOnly(bool readOnly);
    // Whether Tab moves the focus on instead of typing a tab (Ctrl+Tab always does).
    // Insert toggles it: typing replaces the character after the caret (never a line break).
    bool overwriteMode() const { return m_control.overwriteMode(); }
    void setOverwriteMode(bool overwrite) { m_control.setOverwriteMode(overwrite); }
    // Shown faded while the box is empty.
    QString placeholderText() const { return m_placeholder; }
    void setPlaceholderText(const QString &text);
    bool tabChangesFocus() const { return m_control.tabChangesFocus(); }
    void setTabChangesFocus(bool moves) { m_control.setTabChangesFocus(moves); }
    bool isUndoAvailable() const { return m_control.document().canUndo(); }
    bool isRedoAvailable() const { return m_control.document().canRedo(); }

    // Coloured marks drawn with the text, in layers (a later layer over an earlier one); each kind of
    // mark has its format. The marks follow the text through edits. Call marksChanged() after changing
    // a layer's marks.
    MarkList &marks(int layer);
    void setMarkFormat(int layer, MarkList::Kind kind, const QTextCharFormat &format);
    void marksChanged();
    // Only the marks over [from, to] changed: only the rows there are laid out again.
    void marksChanged(qsizetype from, qsizetype to);
    // Sources of marks painted beneath the text: asked at each paint for their marks in view. A source
    // removes itself before it goes.
    void addMarkSource(const MarkSource *source);
    void removeMarkSource(const MarkSource *source);
    // Where a drop would put text (a caret drawn there), or -1 for none.
    void setDropCaret(qsizetype position);
    // For tests and diagnostics: the rows and their layouts.
    const PieceLayout &pieceLayout() const { return m_layout; }

    // For each row in view holding part of [from, to) (an empty stretch: the row holding from): calls
    // visit with that part and its rectangle in the viewport, until visit returns false.
    using RowVisit = std::function<bool(qsizetype from, qsizetype to, const QRectF &rect)>;
    void visitRows(qsizetype from, qsizetype to, const RowVisit &visit) const;

    // Geometry in viewport coordinates.
    qsizetype positionAt(const QPoint &point) const;
    // The rectangle of a cursor at position, or an empty rectangle when that position is not in view.
    QRect cursorRect(qsizetype position) const;
    QRect cursorRect() const { return cursorRect(cursorPosition()); }
    // The first and the last position in view.
    std::pair<qsizetype, qsizetype> visibleRange() const;
    // Scrolls so that position is on the top row.
    void scrollToTop(qsizetype position);
    // Scrolls by pixels (down for a positive dy): the top row may show in part.
    void scrollByPixels(qreal dy);

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

public slots:
    // Font size by points, as QPlainTextEdit zooms (Ctrl+wheel too).
    void zoomIn(int points = 1);
    void zoomOut(int points = 1);
    void undo();
    void redo();
    void cut();
    void copy() const;
    void paste();
    void clear();

signals:
    void contentsChange(qsizetype position, qsizetype removed, qsizetype added);
    void textChanged();
    void cursorPositionChanged();
    void selectionChanged();
    void copyAvailable(bool available);
    void undoAvailable(bool available);
    void redoAvailable(bool available);
    void readOnlyChanged(bool readOnly);
    // The whole text was replaced by setPlainText or setStore (after contentsChange and textChanged).
    void textReplaced();
    // What is in view may have changed: a scroll, a resize, an edit.
    void viewChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    void focusOutEvent(QFocusEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;

private:
    using Row = TextRow;
    using EditKind = TextDocument::EditKind;

    void keepTopInPiece();
    qreal layoutWidth() const;
    Row endTop() const;
    // The top row for which row shows on the bottom line (the last row: as far down as the view goes).
    Row topShowingAtBottom(Row row, qreal slack) const;
    void setTop(Row row, qreal offset = 0);
    void updateScrollBar();
    // The scroll bar counts rows in a short text and pieces in a long one.
    bool rowScrolling() const;
    int scrollValue(Row row) const;
    Row rowAtScrollValue(int value) const;
    bool rowInView(Row row, qreal *y) const;
    // The walk over the rows in view, from the top one down.
    void walkView(const PieceLayout::RowVisitor &visit) const;
    // The rectangle of [from, to) in a row in view (from == to: a caret's place), if any of it is there.
    std::optional<QRectF> spanRect(const PieceLayout::RowView &row, qsizetype from, qsizetype to) const;
    // x of a caret at position, in the viewport, whether in view or not.
    qreal caretX(qsizetype position) const;

    // What the control tells the box and asks of it.
    friend class TextControl;
    // The text changed: the rows there are laid out again.
    void applied(const TextChange &change);
    // The caret or the selection moved from before: shown, its signals sent.
    void caretMoved(Caret before);
    // An edit or a trip through the history: the undo and redo signals.
    void historyChanged(bool hadUndo, bool hadRedo);
    // The preedit changed, or the caret it shows at moved.
    void showPreedit();
    void scrollRows(qsizetype rows);
    qsizetype rowsPerPage() const;
    // Moves the focus on (or back) as the widget's base does, which Tab does not reach in an editable box.
    void moveFocus(bool next);
    void startDrag();

    void restartBlink();
    bool cursorShown() const;
    void zoomInF(qreal points);

    TextControl m_control{this};
    PieceLayout m_layout{m_control.document()};
    qreal m_wheelRemainder = 0; // pixels scrolled by a wheel not yet taken
    QString m_placeholder;
    Row m_top;
    qreal m_topOffset = 0; // pixels of the top row above the view
    bool m_settingScrollBar = false;
    std::vector<const MarkSource *> m_markSources;
    qsizetype m_dropCaret = -1;

    QBasicTimer m_blink;
    bool m_blinkOn = true;
    TextDrag *m_drag = nullptr;
};

} // namespace rw
