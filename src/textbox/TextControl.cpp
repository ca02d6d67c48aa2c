#include "TextControl.h"

#include "CursorMotion.h"
#include "TextEditor.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>

#include <algorithm>

namespace rw {

namespace {
// How much of the line around the cursor an input method is given as surrounding text.
constexpr qsizetype kSurroundingReach = 1024;
} // namespace

TextControl::TextControl(TextEditor *editor) : m_editor(editor) {}

const PieceLayout &TextControl::layout() const {
    return m_editor->pieceLayout();
}

QString TextControl::selectedText() const {
    return store().mid(selectionStart(), selectionEnd() - selectionStart());
}

// ---- caret and edits ----

void TextControl::moveCursor(qsizetype position, bool keepAnchor, bool keepX) {
    const Caret before{m_cursor, m_anchor};
    m_cursor = std::clamp<qsizetype>(position, 0, store().size());
    if (!keepAnchor)
        m_anchor = m_cursor;
    caretChanged(before, keepX);
}

void TextControl::setSelection(qsizetype anchor, qsizetype position) {
    const Caret before{m_cursor, m_anchor};
    m_anchor = std::clamp<qsizetype>(anchor, 0, store().size());
    m_cursor = std::clamp<qsizetype>(position, 0, store().size());
    caretChanged(before, false);
}

void TextControl::caretChanged(Caret before, bool keepX) {
    if (!keepX)
        m_desiredX = -1;
    m_editor->caretMoved(before);
    // The selection is the one the middle button pastes, where the platform has one.
    if (hasSelection() && selectionEnd() - selectionStart() <= 1'000'000 &&
        QGuiApplication::clipboard()->supportsSelection())
        QGuiApplication::clipboard()->setText(selectedText(), QClipboard::Selection);
}

void TextControl::setStore(TextStore text) {
    const qsizetype removed = store().size();
    const bool hadUndo = m_document.canUndo(), hadRedo = m_document.canRedo();
    m_document.reset(std::move(text));
    const Caret before{m_cursor, m_anchor};
    m_cursor = m_anchor = 0;
    m_clickedWord = m_clickedLine = {};
    m_editor->applied({0, removed, store().size()});
    m_editor->historyChanged(hadUndo, hadRedo);
    caretChanged(before, false);
}

void TextControl::edit(qsizetype position, qsizetype length, const TextPiece &text, EditKind kind) {
    if (length == 0 && text.isEmpty())
        return;
    const bool hadUndo = m_document.canUndo(), hadRedo = m_document.canRedo();
    const Caret before{m_cursor, m_anchor};
    const TextChange change = m_document.replace(position, length, text, before, kind);
    clickedSpansFollow(change);
    m_editor->historyChanged(hadUndo, hadRedo);
    m_cursor = m_anchor = change.position + change.added;
    m_editor->applied(change);
    caretChanged(before, false);
}

void TextControl::moveRange(qsizetype from, qsizetype length, qsizetype to) {
    if (m_readOnly)
        return;
    const qsizetype size = store().size();
    from = std::clamp<qsizetype>(from, 0, size);
    length = std::clamp<qsizetype>(length, 0, size - from);
    to = std::clamp<qsizetype>(to, 0, size);
    if (length == 0 || (to >= from && to <= from + length))
        return;
    const bool hadUndo = m_document.canUndo(), hadRedo = m_document.canRedo();
    const Caret before{m_cursor, m_anchor};
    const TextPiece moved = store().piece(from, length);
    // The old place goes first, and the new place shifts with it; both are one undo step.
    const TextChange removal = m_document.replace(from, length, {}, before);
    clickedSpansFollow(removal);
    m_editor->applied(removal);
    if (to > from)
        to -= length;
    const TextChange insertion = m_document.replace(to, 0, moved, before, EditKind::Block, true);
    clickedSpansFollow(insertion);
    m_editor->applied(insertion);
    m_editor->historyChanged(hadUndo, hadRedo);
    m_cursor = m_anchor = to + moved.size();
    caretChanged(before, false);
}

void TextControl::travel(bool back) {
    if (m_readOnly || !(back ? m_document.canUndo() : m_document.canRedo()))
        return;
    const bool hadUndo = m_document.canUndo(), hadRedo = m_document.canRedo();
    const TextDocument::Travel done = back ? m_document.undo() : m_document.redo();
    const Caret before{m_cursor, m_anchor};
    m_cursor = done.caret.position;
    m_anchor = done.caret.anchor;
    for (const TextChange &change : done.changes) {
        clickedSpansFollow(change);
        m_editor->applied(change);
    }
    m_editor->historyChanged(hadUndo, hadRedo);
    caretChanged(before, false);
}

void TextControl::clickedSpansFollow(const TextChange &change) {
    // A place before the change stays, one in the removed text goes after the text put there, one at or
    // after the change shifts.
    const auto follow = [&](qsizetype p) {
        if (p < change.position)
            return p;
        if (p < change.position + change.removed)
            return change.position + change.added;
        return p - change.removed + change.added;
    };
    for (Span *span : {&m_clickedWord, &m_clickedLine})
        *span = {follow(span->start), follow(span->end)};
}

void TextControl::removeSelection() {
    edit(selectionStart(), selectionEnd() - selectionStart(), {}, EditKind::Block);
}

void TextControl::replaceSelection(const QString &text) {
    edit(selectionStart(), selectionEnd() - selectionStart(), TextPiece(text), EditKind::Block);
}

void TextControl::setPreedit(const QString &text, const QList<QTextLayout::FormatRange> &formats, int caret,
                             bool caretShown) {
    m_preeditCursor = caret;
    m_preeditCursorShown = caretShown;
    if (text == m_preedit && formats == m_preeditFormats)
        return;
    m_preedit = text;
    m_preeditFormats = formats;
    m_editor->showPreedit();
}

// ---- motion ----

LineMotion TextControl::lineMotion(qsizetype line) const {
    const qsizetype start = store().lineStart(line);
    return LineMotion(store().lineLength(line), [this, start](qsizetype from, qsizetype to) {
        return store().mid(start + from, to - from);
    });
}

// Each motion works inside the line; across a line break it is one step, as in QPlainTextEdit.
template <typename Motion> qsizetype TextControl::forward(qsizetype position, Motion motion) const {
    if (position >= store().size())
        return store().size();
    const qsizetype line = store().lineAt(position);
    const qsizetype start = store().lineStart(line);
    if (position - start >= store().lineLength(line))
        return position + 1;
    return start + motion(lineMotion(line), position - start);
}

template <typename Motion> qsizetype TextControl::backward(qsizetype position, Motion motion) const {
    if (position <= 0)
        return 0;
    const qsizetype line = store().lineAt(position);
    const qsizetype start = store().lineStart(line);
    if (position == start)
        return position - 1;
    return start + motion(lineMotion(line), position - start);
}

qsizetype TextControl::previousCharacter(qsizetype position) const {
    return backward(position, [](const LineMotion &m, qsizetype at) { return m.previousCharacter(at); });
}

qsizetype TextControl::nextCharacter(qsizetype position) const {
    return forward(position, [](const LineMotion &m, qsizetype at) { return m.nextCharacter(at); });
}

qsizetype TextControl::previousCodePoint(qsizetype position) const {
    return backward(position, [](const LineMotion &m, qsizetype at) { return m.previousCodePoint(at); });
}

qsizetype TextControl::previousWord(qsizetype position) const {
    return backward(position, [](const LineMotion &m, qsizetype at) { return m.previousWord(at); });
}

qsizetype TextControl::nextWord(qsizetype position) const {
    return forward(position, [](const LineMotion &m, qsizetype at) { return m.nextWord(at); });
}

bool TextControl::lineIsRightToLeft(qsizetype position) const {
    // A line takes the direction of its first strong character, as a text block does.
    const qsizetype line = store().lineAt(position);
    return store().lineText(line, 0, std::min<qsizetype>(store().lineLength(line), 4096)).isRightToLeft();
}

qsizetype TextControl::visualStep(qsizetype position, bool left) const {
    // As QPlainTextEdit moves: left is back and right is on in a left-to-right line, the other way round
    // in a right-to-left one.
    return left != lineIsRightToLeft(position) ? previousCharacter(position) : nextCharacter(position);
}

qsizetype TextControl::snapToCharacter(qsizetype position, bool forwards) const {
    position = std::clamp<qsizetype>(position, 0, store().size());
    const qsizetype line = store().lineAt(position);
    const qsizetype start = store().lineStart(line);
    const LineMotion motion = lineMotion(line);
    const qsizetype back = motion.snapBack(position - start);
    if (back == position - start || !forwards)
        return start + back;
    return start + motion.nextCharacter(back);
}

std::pair<qsizetype, qsizetype> TextControl::wordAt(qsizetype position) const {
    const qsizetype line = store().lineAt(position);
    const qsizetype start = store().lineStart(line);
    const auto [from, to] = lineMotion(line).wordAt(position - start);
    return {start + from, start + to};
}

bool TextControl::shortcutOverride(QKeyEvent *key) const {
    // Keys the box handles itself win over window shortcuts bound to the same keys.
    return key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Paste) ||
           key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Undo) ||
           key->matches(QKeySequence::Redo) || key->matches(QKeySequence::SelectAll) ||
           key->matches(QKeySequence::Delete) || key->matches(QKeySequence::MoveToStartOfDocument) ||
           key->matches(QKeySequence::MoveToEndOfDocument) || key->key() == Qt::Key_Home ||
           key->key() == Qt::Key_End || key->key() == Qt::Key_Backspace ||
           (!m_readOnly && isAcceptableKeyText(key, true));
}

void TextControl::keyPressEvent(QKeyEvent *e) {
    const bool editable = !m_readOnly;
    auto move = [&](qsizetype position, bool keepX = false) {
        moveCursor(position, e->modifiers() & Qt::ShiftModifier, keepX);
    };
    auto rowMove = [&](qsizetype rows) {
        TextRow row = layout().rowOf(m_cursor);
        if (m_desiredX < 0)
            m_desiredX = layout().cursorX(row, m_cursor);
        const qreal x = m_desiredX;
        const TextRow from = row;
        const bool oneRow = rows == 1 || rows == -1;
        for (; rows > 0; --rows)
            row = layout().nextRow(row);
        for (; rows < 0; ++rows)
            row = layout().previousRow(row);
        // Up on the first row or Down on the last changes nothing, the selection included.
        if (oneRow && row == from)
            return;
        move(layout().positionInRow(row, x), true);
    };

    if (e == QKeySequence::SelectAll) {
        setSelection(0, store().size());
    } else if (e == QKeySequence::Copy) {
        copy();
    } else if (e == QKeySequence::Cut) {
        if (editable)
            cut();
        else
            copy();
    } else if (e == QKeySequence::Paste) {
        if (editable)
            paste();
    } else if (e == QKeySequence::Undo) {
        if (editable)
            undo();
    } else if (e == QKeySequence::Redo) {
        if (editable)
            redo();
    } else if (e == QKeySequence::MoveToStartOfDocument || e == QKeySequence::SelectStartOfDocument) {
        move(0);
    } else if (e == QKeySequence::MoveToEndOfDocument || e == QKeySequence::SelectEndOfDocument) {
        move(store().size());
    } else if (e == QKeySequence::MoveToPreviousWord || e == QKeySequence::SelectPreviousWord) {
        // The word keys go left and right: in a right-to-left line, left is on.
        move(lineIsRightToLeft(m_cursor) ? nextWord(m_cursor) : previousWord(m_cursor));
    } else if (e == QKeySequence::MoveToNextWord || e == QKeySequence::SelectNextWord) {
        move(lineIsRightToLeft(m_cursor) ? previousWord(m_cursor) : nextWord(m_cursor));
    } else if (e == QKeySequence::MoveToPreviousChar || e == QKeySequence::SelectPreviousChar) {
        // With a selection, the caret goes to its left end: its start, or its end in a right-to-left line.
        if (hasSelection() && !(e->modifiers() & Qt::ShiftModifier))
            move(lineIsRightToLeft(m_cursor) ? selectionEnd() : selectionStart());
        else
            move(visualStep(m_cursor, true));
    } else if (e == QKeySequence::MoveToNextChar || e == QKeySequence::SelectNextChar) {
        if (hasSelection() && !(e->modifiers() & Qt::ShiftModifier))
            move(lineIsRightToLeft(m_cursor) ? selectionStart() : selectionEnd());
        else
            move(visualStep(m_cursor, false));
    } else if (e == QKeySequence::SelectPreviousLine && layout().rowOf(m_cursor) == TextRow{}) {
        // On the first row, Shift+Up selects to the start, as QPlainTextEdit does.
        move(0);
    } else if (e == QKeySequence::SelectNextLine &&
               layout().nextRow(layout().rowOf(m_cursor)) == layout().rowOf(m_cursor)) {
        move(store().size());
    } else if (e == QKeySequence::MoveToPreviousLine || e == QKeySequence::SelectPreviousLine) {
        rowMove(-1);
    } else if (e == QKeySequence::MoveToNextLine || e == QKeySequence::SelectNextLine) {
        rowMove(1);
    } else if (e == QKeySequence::MoveToPreviousPage || e == QKeySequence::SelectPreviousPage) {
        m_editor->scrollRows(-m_editor->rowsPerPage());
        rowMove(-m_editor->rowsPerPage());
    } else if (e == QKeySequence::MoveToNextPage || e == QKeySequence::SelectNextPage) {
        m_editor->scrollRows(m_editor->rowsPerPage());
        rowMove(m_editor->rowsPerPage());
    } else if (e == QKeySequence::MoveToStartOfLine || e == QKeySequence::SelectStartOfLine ||
               e == QKeySequence::MoveToStartOfBlock || e == QKeySequence::SelectStartOfBlock) {
        const TextRow row = layout().rowOf(m_cursor);
        const PieceLayout::Piece &p = layout().piece(row.unit);
        // A piece of a long line may start inside a character: the caret never does.
        move(snapToCharacter(p.start + p.layout->lineAt(row.line).textStart(), true));
    } else if (e == QKeySequence::MoveToEndOfLine || e == QKeySequence::SelectEndOfLine ||
               e == QKeySequence::MoveToEndOfBlock || e == QKeySequence::SelectEndOfBlock) {
        const TextRow row = layout().rowOf(m_cursor);
        const PieceLayout::Piece &p = layout().piece(row.unit);
        const QTextLine line = p.layout->lineAt(row.line);
        qsizetype end = std::min<qsizetype>(line.textStart() + line.textLength(), p.length);
        // A row wrapped at a space ends before that space, as on screen and in QPlainTextEdit; a row
        // wrapped inside a word ends after its last character.
        if (row.line + 1 < p.layout->lineCount() && end > line.textStart() &&
            store().at(p.start + end - 1).isSpace())
            --end;
        move(snapToCharacter(p.start + end, false));
    } else if (e == QKeySequence::DeleteStartOfWord) {
        if (editable) {
            if (hasSelection())
                removeSelection();
            else {
                const qsizetype from = previousWord(m_cursor);
                edit(from, m_cursor - from, {}, EditKind::Block);
            }
        }
    } else if (e == QKeySequence::DeleteEndOfWord) {
        if (editable) {
            if (hasSelection())
                removeSelection();
            else
                edit(m_cursor, nextWord(m_cursor) - m_cursor, {}, EditKind::Block);
        }
    } else if (e->key() == Qt::Key_Backspace && !(e->modifiers() & ~Qt::ShiftModifier)) {
        if (editable) {
            if (hasSelection())
                removeSelection();
            else if (m_cursor > 0) {
                const qsizetype from = previousCodePoint(m_cursor);
                edit(from, m_cursor - from, {}, EditKind::Backspace);
            }
        }
    } else if (e == QKeySequence::Delete) {
        if (editable) {
            if (hasSelection())
                removeSelection();
            else if (m_cursor < store().size())
                edit(m_cursor, nextCharacter(m_cursor) - m_cursor, {}, EditKind::Delete);
        }
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (!editable || (e->modifiers() & Qt::ControlModifier)) {
            e->ignore();
            return;
        }
        edit(selectionStart(), selectionEnd() - selectionStart(), TextPiece(QStringLiteral("\n")),
                     EditKind::Typing);
    } else if (e->key() == Qt::Key_Insert && !(e->modifiers() & ~Qt::KeypadModifier)) {
        m_overwrite = !m_overwrite;
    } else if ((e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) &&
               (e->modifiers() & Qt::ControlModifier)) {
        // Tab types; Ctrl+Tab and Ctrl+Shift+Tab are how the focus leaves the box.
        m_editor->moveFocus(e->key() == Qt::Key_Tab && !(e->modifiers() & Qt::ShiftModifier));
    } else {
        const QString text = e->text();
        if (editable && isAcceptableKeyText(e, !m_tabChangesFocus)) {
            qsizetype length = selectionEnd() - selectionStart();
            // Overwrite mode types over the character after the caret, never over a line break.
            const bool over = m_overwrite && length == 0 && m_cursor < store().size() &&
                              store().at(m_cursor) != u'\n';
            if (over)
                length = nextCharacter(m_cursor) - m_cursor;
            edit(selectionStart(), length, TextPiece(text),
                         over ? EditKind::Block : EditKind::Typing);
        } else {
            e->ignore();
            return;
        }
    }
    e->accept();
}

// ---- mouse ----

void TextControl::mousePressEvent(QMouseEvent *e) {
    m_mightStartDrag = false;
    if (e->button() != Qt::LeftButton) {
        if (e->button() == Qt::MiddleButton && !m_readOnly && QGuiApplication::clipboard()->supportsSelection()) {
            moveCursor(m_editor->positionAt(e->position().toPoint()), false);
            replaceSelection(QGuiApplication::clipboard()->text(QClipboard::Selection));
        }
        return;
    }
    m_pressPoint = m_dragPoint = e->position().toPoint();
    // While the button is down the mouse selects; also after a press on the selection, should a double
    // click come of it.
    m_selecting = true;
    // A third click soon after a double click and near it selects the caret's line (the clicked word's),
    // its break included.
    if (m_tripleClick.isActive() &&
        (m_pressPoint - m_tripleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        m_tripleClick.stop();
        const qsizetype line = store().lineAt(m_cursor);
        const qsizetype start = store().lineStart(line);
        const qsizetype end = std::min(store().size(), start + store().lineLength(line) + 1);
        setSelection(start, end);
        m_clickedLine = {start, end};
        return;
    }
    const qsizetype at = m_editor->positionAt(m_pressPoint);
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    // Pressed on the selection: it stays, to be dragged away, until the mouse comes up.
    if (!shift && hasSelection() && at >= selectionStart() && at <= selectionEnd()) {
        m_mightStartDrag = true;
        return;
    }
    // Shift+press extends as a drag does; a press without puts the caret down and ends the selecting by
    // words or lines.
    if (shift) {
        selectTo(at, m_pressPoint.x());
        return;
    }
    m_clickedWord = m_clickedLine = {};
    moveCursor(at, false);
}

void TextControl::mouseMoveEvent(QMouseEvent *e) {
    if (!(e->buttons() & Qt::LeftButton))
        return;
    if (m_mightStartDrag) {
        if ((e->position().toPoint() - m_pressPoint).manhattanLength() > QApplication::startDragDistance()) {
            m_selecting = false;
            m_editor->startDrag();
        }
        return;
    }
    if (!m_selecting)
        return;
    m_dragPoint = e->position().toPoint();
    if (m_dragPoint.y() < 0 || m_dragPoint.y() > m_editor->viewport()->height()) {
        if (!m_dragScroll.isActive())
            m_dragScroll.start(50, this);
        return;
    }
    m_dragScroll.stop();
    selectTo(m_editor->positionAt(m_dragPoint), m_dragPoint.x());
}

void TextControl::selectTo(qsizetype position, qreal x) {
    const std::optional<Caret> to = !m_clickedLine.empty()   ? linesTo(position)
                                    : !m_clickedWord.empty() ? wordsTo(position, x)
                                                             : Caret{position, m_anchor};
    if (to && (to->position != m_cursor || to->anchor != m_anchor))
        setSelection(to->anchor, to->position);
}

// As QPlainTextEdit extends a double click's word: the word reached is taken whole, and only while the
// mouse is over it, to its edge nearer the mouse; between it and the clicked word the selection stays.
std::optional<Caret> TextControl::wordsTo(qsizetype position, qreal x) const {
    const auto [clickedStart, clickedEnd] = m_clickedWord;
    if (m_clickedWord.contains(position))
        return Caret{clickedEnd, clickedStart};
    const qsizetype line = store().lineAt(position);
    const qsizetype lineStart = store().lineStart(line);
    const auto word = lineMotion(line).wordReached(position - lineStart);
    if (!word)
        return std::nullopt;
    const qsizetype start = lineStart + word->first, end = lineStart + word->second;
    if (layout().rowOf(start) != layout().rowOf(end))
        return std::nullopt;
    const qreal startX = m_editor->caretX(start), endX = m_editor->caretX(end);
    if (x < startX || x > endX)
        return std::nullopt;
    // Going back, the selection runs from the clicked word's end, so that word stays selected.
    return Caret{x - startX < endX - x ? start : end, position < clickedStart ? clickedEnd : clickedStart};
}

// After a triple click: from the clicked line's far end to the start of the line reached, or to the end of
// it (its break included) going on.
Caret TextControl::linesTo(qsizetype position) const {
    const auto [clickedStart, clickedEnd] = m_clickedLine;
    if (m_clickedLine.contains(position))
        return {clickedEnd, clickedStart};
    const qsizetype line = store().lineAt(position);
    const qsizetype start = store().lineStart(line);
    if (position < clickedStart)
        return {start, clickedEnd};
    return {std::min(store().size(), start + store().lineLength(line) + 1), clickedStart};
}

void TextControl::timerEvent(QTimerEvent *event) {
    if (event->timerId() == m_tripleClick.timerId()) {
        m_tripleClick.stop();
        return;
    }
    if (event->timerId() != m_dragScroll.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    // The mouse held above or below the view while selecting: the view scrolls and the selection
    // follows.
    if (!m_selecting) {
        m_dragScroll.stop();
        return;
    }
    if (m_dragPoint.y() < 0)
        m_editor->scrollRows(-1);
    else if (m_dragPoint.y() > m_editor->viewport()->height())
        m_editor->scrollRows(1);
    else
        return;
    selectTo(m_editor->positionAt(m_dragPoint), m_dragPoint.x());
}

void TextControl::mouseReleaseEvent(QMouseEvent *e) {
    if (e->button() != Qt::LeftButton)
        return;
    // Pressed on the selection, and the mouse comes up here (no drag, or one dropped nowhere): the caret
    // goes where it came up.
    if (m_mightStartDrag) {
        m_mightStartDrag = false;
        moveCursor(m_editor->positionAt(e->position().toPoint()), false);
    }
    m_selecting = false;
    m_dragScroll.stop();
}

void TextControl::mouseDoubleClickEvent(QMouseEvent *e) {
    if (e->button() != Qt::LeftButton)
        return;
    m_mightStartDrag = false;
    const auto [start, end] = wordAt(m_editor->positionAt(e->position().toPoint()));
    setSelection(start, end);
    m_clickedWord = {start, end};
    m_tripleClickPoint = e->position().toPoint();
    m_tripleClick.start(QApplication::doubleClickInterval(), this);
}

void TextControl::cut() {
    if (!hasSelection() || m_readOnly)
        return;
    copy();
    removeSelection();
}

void TextControl::copy() const {
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void TextControl::paste() {
    if (m_readOnly)
        return;
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    // An empty text leaves the selection alone, as in QPlainTextEdit.
    if (!data || !data->hasText() || data->text().isEmpty())
        return;
    replaceSelection(data->text());
}

// ---- input methods ----

void TextControl::inputMethodEvent(QInputMethodEvent *e) {
    if (m_readOnly) {
        e->ignore();
        return;
    }
    if (!e->commitString().isEmpty() || e->replacementLength() > 0) {
        // As in Qt's text boxes: the selection goes first, then the replacement range counts from the
        // caret where it stood. Both go as one step. An end of the range outside the text is not taken,
        // as a text cursor takes no such position: a start there stays at the caret, an end there leaves
        // nothing to replace. A negative length reaches back.
        const qsizetype s = selectionStart(), removed = selectionEnd() - selectionStart();
        const qsizetype sizeAfter = store().size() - removed;
        const auto inText = [&](qsizetype p) { return p >= 0 && p <= sizeAfter; };
        const qsizetype start = inText(s + e->replacementStart()) ? s + e->replacementStart() : s;
        const qsizetype end = inText(start + e->replacementLength()) ? start + e->replacementLength() : start;
        const qsizetype from = std::min(start, end), to = std::max(start, end);
        // The two changes as one range of the text as it is now.
        const auto before = [&](qsizetype p) { return p <= s ? p : p + removed; };
        const qsizetype lo = std::min(s, before(from));
        const qsizetype hi = std::max(s + removed, to < s ? to : to + removed);
        const QString kept = store().mid(lo, s - lo) + store().mid(s + removed, hi - s - removed);
        // A range that would split a surrogate pair takes the whole pair.
        const qsizetype cut = from - lo -
                              (from > lo && from - lo < kept.size() && kept.at(from - lo).isLowSurrogate() &&
                               kept.at(from - lo - 1).isHighSurrogate());
        const qsizetype rest = to - lo +
                               (to - lo < kept.size() && to > lo && kept.at(to - lo).isLowSurrogate() &&
                                kept.at(to - lo - 1).isHighSurrogate());
        const QString text = kept.left(cut) + e->commitString() + kept.mid(rest);
        setPreedit(QString(), {}, 0, true);
        // A commit is an undo step of its own, as a text document counts it.
        edit(lo, hi - lo, TextPiece(text), EditKind::Block);
        // The caret goes after the committed text (its line breaks may have been folded on the way in).
        const qsizetype after = m_cursor - (kept.size() - rest);
        if (after != m_cursor)
            moveCursor(after, false, false);
    }
    // An input method that sets the selection (reconversion, on-screen keyboards) puts it in the line.
    for (const QInputMethodEvent::Attribute &a : e->attributes()) {
        if (a.type != QInputMethodEvent::Selection)
            continue;
        const qsizetype lineStart = store().lineStart(store().lineAt(m_cursor));
        const qsizetype from = std::clamp<qsizetype>(lineStart + a.start, 0, store().size());
        setSelection(
            snapToCharacter(from, false),
            snapToCharacter(std::clamp<qsizetype>(from + a.length, 0, store().size()), true));
    }
    // The preedit shows with the input method's formats (underlines, the part being converted) and its
    // own caret.
    const QString preedit = e->preeditString();
    int preeditCursor = int(preedit.size());
    bool preeditCursorShown = true;
    QList<QTextLayout::FormatRange> formats;
    for (const QInputMethodEvent::Attribute &a : e->attributes()) {
        if (a.type == QInputMethodEvent::Cursor) {
            preeditCursor = std::clamp(a.start, 0, int(preedit.size()));
            preeditCursorShown = a.length > 0;
        } else if (a.type == QInputMethodEvent::TextFormat && a.length > 0) {
            const QTextCharFormat format = a.value.value<QTextFormat>().toCharFormat();
            if (format.isValid())
                formats.append({a.start, a.length, format});
        }
    }
    if (preedit.isEmpty())
        formats.clear();
    setPreedit(preedit, formats, preeditCursor, preeditCursorShown);
    m_editor->viewport()->update();
    e->accept();
}

std::optional<QVariant> TextControl::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return !m_readOnly;
    case Qt::ImCursorRectangle:
        return QRectF(m_editor->cursorRect()).translated(m_editor->viewport()->pos());
    case Qt::ImFont:
        return m_editor->font();
    case Qt::ImCursorPosition: {
        const qsizetype line = store().lineAt(m_cursor);
        return qlonglong(std::min<qsizetype>(m_cursor - store().lineStart(line), kSurroundingReach));
    }
    case Qt::ImAnchorPosition: {
        const qsizetype line = store().lineAt(m_cursor);
        const qsizetype start = std::max(store().lineStart(line), m_cursor - kSurroundingReach);
        return qlonglong(std::clamp<qsizetype>(m_anchor - start, 0, (2 * kSurroundingReach)));
    }
    case Qt::ImSurroundingText: {
        const qsizetype line = store().lineAt(m_cursor);
        const qsizetype lineStart = store().lineStart(line);
        const qsizetype start = std::max(lineStart, m_cursor - kSurroundingReach);
        const qsizetype end = std::min(lineStart + store().lineLength(line), m_cursor + kSurroundingReach);
        return store().mid(start, end - start);
    }
    case Qt::ImCurrentSelection:
        return selectionEnd() - selectionStart() <= 1'000'000 ? selectedText() : QString();
    case Qt::ImHints:
        return int(Qt::ImhMultiLine);
    case Qt::ImMaximumTextLength:
        return QVariant();
    default:
        return std::nullopt;
    }
}

} // namespace rw
