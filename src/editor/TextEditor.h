#pragma once

#include "core/editor/TextStore.h"
#include "core/search/MarkList.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QTextCharFormat>
#include <QTextLayout>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>


namespace rw {
class LineMotion;
}

namespace rw {

// A plain-text box for texts of any size: a hundred megabytes of lines, or one line of sixty million
// characters. The text lives in a TextStore; only what shows is laid out, a piece at a time. A line of up
// to kWholeLine characters is one piece, laid out whole and wrapped at word boundaries; a longer line is
// cut into pieces of kPieceLength characters, each starting on a new row. The scroll bar counts pieces.
//
// It edits as a text box does: typing, selection by keyboard and mouse, clipboard, undo and redo, input
// methods. Positions count a line break as one character, as QPlainTextEdit does.
class TextEditor : public QAbstractScrollArea {
    Q_OBJECT
    // The properties QPlainTextEdit has, so that tools and tests that speak Qt find them.
    Q_PROPERTY(QString plainText READ toPlainText WRITE setPlainText NOTIFY textChanged USER true)
    Q_PROPERTY(bool readOnly READ isReadOnly WRITE setReadOnly NOTIFY readOnlyChanged)
    Q_PROPERTY(QString placeholderText READ placeholderText WRITE setPlaceholderText)
    Q_PROPERTY(bool overwriteMode READ overwriteMode WRITE setOverwriteMode)
    Q_PROPERTY(bool tabChangesFocus READ tabChangesFocus WRITE setTabChangesFocus)
public:
    static constexpr qsizetype kWholeLine = 8192;
    static constexpr qsizetype kPieceLength = 4096;

    explicit TextEditor(QWidget *parent = nullptr);
    ~TextEditor() override;

    // The whole text, with "\n" line breaks.
    QString toPlainText() const;
    // Replaces the text; the undo history starts over.
    void setPlainText(const QString &text);
    // Takes a store built elsewhere (on a worker, for a big text); the undo history starts over.
    void setStore(TextStore store);
    const TextStore &store() const { return m_store; }
    TextSnapshot snapshot() const { return m_store.snapshot(); }
    qsizetype size() const { return m_store.size(); }
    // Goes up with every change of the text, so a reader can tell an unchanged box.
    quint64 revision() const { return m_revision; }

    qsizetype cursorPosition() const { return m_cursor; }
    qsizetype anchorPosition() const { return m_anchor; }
    qsizetype selectionStart() const { return std::min(m_cursor, m_anchor); }
    qsizetype selectionEnd() const { return std::max(m_cursor, m_anchor); }
    bool hasSelection() const { return m_cursor != m_anchor; }
    QString selectedText() const;
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

    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);
    // Whether Tab moves the focus on instead of typing a tab (Ctrl+Tab always does).
    // Insert toggles it: typing replaces the character after the caret (never a line break).
    bool overwriteMode() const { return m_overwrite; }
    void setOverwriteMode(bool overwrite) { m_overwrite = overwrite; }
    // Shown faded while the box is empty.
    QString placeholderText() const { return m_placeholder; }
    void setPlaceholderText(const QString &text);
    bool tabChangesFocus() const { return m_tabChangesFocus; }
    void setTabChangesFocus(bool moves) { m_tabChangesFocus = moves; }
    bool isUndoAvailable() const { return !m_undo.empty(); }
    bool isRedoAvailable() const { return !m_redo.empty(); }

    // Coloured marks drawn with the text, in layers (a later layer over an earlier one); each kind of
    // mark has its format. The marks follow the text through edits. Call marksChanged() after changing
    // a layer's marks.
    MarkList &marks(int layer);
    void setMarkFormat(int layer, MarkList::Kind kind, const QTextCharFormat &format);
    void marksChanged();

    // For each row in view holding part of [from, to) (an empty stretch: the row holding from): calls
    // visit with that part and its rectangle in the viewport, until visit returns false.
    using RowVisit = std::function<bool(qsizetype from, qsizetype to, const QRectF &rect)>;
    void visitRows(qsizetype from, qsizetype to, const RowVisit &visit) const;

    // Geometry in viewport coordinates.
    qsizetype positionAt(const QPoint &point) const;
    // The rectangle of a cursor at position, or an empty rectangle when that position is not in view.
    QRect cursorRect(qsizetype position) const;
    QRect cursorRect() const { return cursorRect(m_cursor); }
    // The first and the last position in view.
    std::pair<qsizetype, qsizetype> visibleRange() const;
    // Scrolls so that position is on the top row.
    void scrollToTop(qsizetype position);

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
    // A row of the view: a piece (by its unit number) and a line of its layout.
    struct Row {
        qsizetype unit = 0;
        int line = 0;
        friend bool operator==(const Row &, const Row &) = default;
        friend auto operator<=>(const Row &, const Row &) = default;
    };
    struct Piece {
        qsizetype start = 0;  // position of the piece's first character
        qsizetype length = 0; // without a line break
        std::unique_ptr<QTextLayout> layout;
        qreal height = 0;
    };
    struct LongLine {
        qsizetype line = 0;
        qsizetype units = 0;
        qsizetype extraBefore = 0; // the units beyond one of every long line before this one
    };
    // How an undo step may merge with its neighbours (see mergeIntoLastStep).
    enum class EditKind { Block, Typing, Backspace, Delete };
    struct Edit {
        qsizetype position = 0;
        TextPiece removed;
        TextPiece inserted;
        qsizetype cursorBefore = 0;
        qsizetype anchorBefore = 0;
        EditKind kind = EditKind::Block;
        bool mergeable = true; // false once undone or redone
    };

    // Units: the pieces of every line, numbered through the text.
    void ensureUnits() const;
    qsizetype unitCount() const;
    qsizetype unitsOfLine(qsizetype line) const;
    qsizetype unitOf(qsizetype line, qsizetype piece) const;
    std::pair<qsizetype, qsizetype> lineOfUnit(qsizetype unit) const;
    qsizetype unitAtPosition(qsizetype position) const;
    std::pair<qsizetype, qsizetype> unitRange(qsizetype unit) const; // start, length

    Piece &piece(qsizetype unit) const;
    // Where position (in the piece p of unit) is in the piece's layout text, which holds the preedit.
    int layoutPosition(qsizetype unit, const Piece &p, qsizetype position) const;
    void dropLayouts();
    void keepTopInPiece();
    qreal layoutWidth() const;
    Row rowOf(qsizetype position) const;
    Row nextRow(Row row) const;
    Row previousRow(Row row) const;
    Row endTop() const;
    qsizetype positionInRow(Row row, qreal x) const;
    void setTop(Row row);
    void scrollRows(qsizetype rows);
    void updateScrollBar();
    // The scroll bar counts rows in a short text and pieces in a long one.
    bool rowScrolling() const;
    int scrollValue(Row row) const;
    Row rowAtScrollValue(int value) const;
    bool rowInView(Row row, qreal *y) const;

    void moveCursor(qsizetype position, bool keepAnchor, bool keepX = false);
    void cursorChanged(qsizetype oldCursor, qsizetype oldAnchor, bool keepX);
    LineMotion lineMotion(qsizetype line) const;
    template <typename Motion> qsizetype forward(qsizetype position, Motion motion) const;
    template <typename Motion> qsizetype backward(qsizetype position, Motion motion) const;
    // Grapheme steps (a surrogate pair, a base with its marks, a flag is one); a line break is one.
    qsizetype previousCharacter(qsizetype position) const;
    // What Backspace removes: one code point, as QTextCursor does.
    qsizetype previousCodePoint(qsizetype position) const;
    // The nearest grapheme boundary: position itself, or the one before (or after, when forwards).
    qsizetype snapToCharacter(qsizetype position, bool forwards) const;
    qsizetype nextCharacter(qsizetype position) const;
    qsizetype previousWord(qsizetype position) const;
    qsizetype nextWord(qsizetype position) const;
    std::pair<qsizetype, qsizetype> wordAt(qsizetype position) const;
    qsizetype rowsPerPage() const;

    void edit(qsizetype position, qsizetype length, const TextPiece &text, bool typing,
              EditKind kind = EditKind::Block);
    bool mergeIntoLastStep(const Edit &e);
    bool lineIsRightToLeft(qsizetype position) const;
    // Where Left (or Right) takes the caret, as the line's direction has it.
    qsizetype visualStep(qsizetype position, bool left) const;
    // Takes the last undo step back (back) or does the last undone one again.
    void travel(bool back);
    void applied(qsizetype position, qsizetype removed, qsizetype added);
    // Whether the units counted before an edit of [position, position + added) still hold after it.
    bool unitsSurvive(qsizetype position, qsizetype added) const;
    void restartBlink();
    bool cursorShown() const;

    TextStore m_store;
    quint64 m_revision = 0;
    qsizetype m_cursor = 0;
    qsizetype m_anchor = 0;
    qreal m_desiredX = -1;
    bool m_readOnly = false;
    bool m_tabChangesFocus = false;
    bool m_overwrite = false;
    qreal m_wheelRemainder = 0; // rows scrolled by the wheel not yet taken
    void zoomInF(qreal points);
    QString m_placeholder;
    QString m_preedit;
    QList<QTextLayout::FormatRange> m_preeditFormats; // positions within the preedit
    int m_preeditCursor = 0;                          // the caret within the preedit
    bool m_preeditCursorShown = true;
    int preeditCaret() const { return m_preedit.isEmpty() ? 0 : m_preeditCursor; }

    Row m_top;
    bool m_settingScrollBar = false;

    mutable bool m_unitsDirty = true;
    mutable std::vector<LongLine> m_long;
    mutable qsizetype m_units = 1;
    mutable qsizetype m_unitsLines = 0; // the line count the units were counted for
    mutable std::unordered_map<qsizetype, Piece> m_pieces;

    struct Layer {
        MarkList marks;
        QTextCharFormat formats[2];
    };
    std::vector<Layer> m_layers;
    std::vector<Edit> m_undo;
    std::vector<Edit> m_redo;

    QBasicTimer m_blink;
    bool m_blinkOn = true;
    QBasicTimer m_dragScroll;
    bool m_dragging = false;
    QPoint m_dragPoint;
    QElapsedTimer m_sinceDoubleClick;
    QPoint m_doubleClickPoint;
};

} // namespace rw
