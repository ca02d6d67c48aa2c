#include "TextControl.h"

#include "CursorMotion.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QStyleHints>

#include <algorithm>

namespace rw {

namespace {
// How much of the line around the cursor an input method is given as surrounding text.
constexpr qsizetype kSurroundingReach = 1024;
} // namespace

TextControl::TextControl(TextControlHost *host, QObject *parent) : QObject(parent), m_host(host) {}

qsizetype TextControl::caret() const {
    return m_host->cursorPosition();
}

qsizetype TextControl::anchor() const {
    return m_host->anchorPosition();
}

const PieceLayout &TextControl::layout() const {
    return m_host->pieceLayout();
}

const TextStore &TextControl::store() const {
    return m_host->store();
}

QString TextControl::selectedText() const {
    return store().mid(selectionStart(), selectionEnd() - selectionStart());
}

void TextControl::removeSelection() {
    m_host->edit(selectionStart(), selectionEnd() - selectionStart(), {}, TextDocument::EditKind::Block);
}

void TextControl::replaceSelection(const QString &text) {
    m_host->edit(selectionStart(), selectionEnd() - selectionStart(), TextPiece(text),
                 TextDocument::EditKind::Block);
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
           (!m_host->isReadOnly() && isAcceptableKeyText(key, true));
}

void TextControl::keyPressEvent(QKeyEvent *e) {
    const bool editable = !m_host->isReadOnly();
    auto move = [&](qsizetype position, bool keepX = false) {
        m_host->moveCursor(position, e->modifiers() & Qt::ShiftModifier, keepX);
    };
    auto rowMove = [&](qsizetype rows) {
        TextRow row = layout().rowOf(caret());
        if (m_host->desiredX() < 0)
            m_host->setDesiredX(layout().cursorX(row, caret()));
        const qreal x = m_host->desiredX();
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
        m_host->setSelection(0, store().size());
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
            m_host->undo();
    } else if (e == QKeySequence::Redo) {
        if (editable)
            m_host->redo();
    } else if (e == QKeySequence::MoveToStartOfDocument || e == QKeySequence::SelectStartOfDocument) {
        move(0);
    } else if (e == QKeySequence::MoveToEndOfDocument || e == QKeySequence::SelectEndOfDocument) {
        move(store().size());
    } else if (e == QKeySequence::MoveToPreviousWord || e == QKeySequence::SelectPreviousWord) {
        // The word keys go left and right: in a right-to-left line, left is on.
        move(lineIsRightToLeft(caret()) ? nextWord(caret()) : previousWord(caret()));
    } else if (e == QKeySequence::MoveToNextWord || e == QKeySequence::SelectNextWord) {
        move(lineIsRightToLeft(caret()) ? previousWord(caret()) : nextWord(caret()));
    } else if (e == QKeySequence::MoveToPreviousChar || e == QKeySequence::SelectPreviousChar) {
        // With a selection, the caret goes to its left end: its start, or its end in a right-to-left line.
        if (hasSelection() && !(e->modifiers() & Qt::ShiftModifier))
            move(lineIsRightToLeft(caret()) ? selectionEnd() : selectionStart());
        else
            move(visualStep(caret(), true));
    } else if (e == QKeySequence::MoveToNextChar || e == QKeySequence::SelectNextChar) {
        if (hasSelection() && !(e->modifiers() & Qt::ShiftModifier))
            move(lineIsRightToLeft(caret()) ? selectionStart() : selectionEnd());
        else
            move(visualStep(caret(), false));
    } else if (e == QKeySequence::SelectPreviousLine && layout().rowOf(caret()) == TextRow{}) {
        // On the first row, Shift+Up selects to the start, as QPlainTextEdit does.
        move(0);
    } else if (e == QKeySequence::SelectNextLine &&
               layout().nextRow(layout().rowOf(caret())) == layout().rowOf(caret())) {
        move(store().size());
    } else if (e == QKeySequence::MoveToPreviousLine || e == QKeySequence::SelectPreviousLine) {
        rowMove(-1);
    } else if (e == QKeySequence::MoveToNextLine || e == QKeySequence::SelectNextLine) {
        rowMove(1);
    } else if (e == QKeySequence::MoveToPreviousPage || e == QKeySequence::SelectPreviousPage) {
        m_host->scrollRows(-m_host->rowsPerPage());
        rowMove(-m_host->rowsPerPage());
    } else if (e == QKeySequence::MoveToNextPage || e == QKeySequence::SelectNextPage) {
        m_host->scrollRows(m_host->rowsPerPage());
        rowMove(m_host->rowsPerPage());
    } else if (e == QKeySequence::MoveToStartOfLine || e == QKeySequence::SelectStartOfLine ||
               e == QKeySequence::MoveToStartOfBlock || e == QKeySequence::SelectStartOfBlock) {
        const TextRow row = layout().rowOf(caret());
        const PieceLayout::Piece &p = layout().piece(row.unit);
        // A piece of a long line may start inside a character: the caret never does.
        move(snapToCharacter(p.start + p.layout->lineAt(row.line).textStart(), true));
    } else if (e == QKeySequence::MoveToEndOfLine || e == QKeySequence::SelectEndOfLine ||
               e == QKeySequence::MoveToEndOfBlock || e == QKeySequence::SelectEndOfBlock) {
        const TextRow row = layout().rowOf(caret());
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
                const qsizetype from = previousWord(caret());
                m_host->edit(from, caret() - from, {}, TextDocument::EditKind::Block);
            }
        }
    } else if (e == QKeySequence::DeleteEndOfWord) {
        if (editable) {
            if (hasSelection())
                removeSelection();
            else
                m_host->edit(caret(), nextWord(caret()) - caret(), {}, TextDocument::EditKind::Block);
        }
    } else if (e->key() == Qt::Key_Backspace && !(e->modifiers() & ~Qt::ShiftModifier)) {
        if (editable) {
            if (hasSelection())
                removeSelection();
            else if (caret() > 0) {
                const qsizetype from = previousCodePoint(caret());
                m_host->edit(from, caret() - from, {}, TextDocument::EditKind::Backspace);
            }
        }
    } else if (e == QKeySequence::Delete) {
        if (editable) {
            if (hasSelection())
                removeSelection();
            else if (caret() < store().size())
                m_host->edit(caret(), nextCharacter(caret()) - caret(), {}, TextDocument::EditKind::Delete);
        }
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (!editable || (e->modifiers() & Qt::ControlModifier)) {
            e->ignore();
            return;
        }
        m_host->edit(selectionStart(), selectionEnd() - selectionStart(), TextPiece(QStringLiteral("\n")),
                     TextDocument::EditKind::Typing);
    } else if (e->key() == Qt::Key_Insert && !(e->modifiers() & ~Qt::KeypadModifier)) {
        m_host->setOverwriteMode(!m_host->overwriteMode());
    } else if ((e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) &&
               (e->modifiers() & Qt::ControlModifier)) {
        // Tab types; Ctrl+Tab and Ctrl+Shift+Tab are how the focus leaves the box.
        m_host->moveFocus(e->key() == Qt::Key_Tab && !(e->modifiers() & Qt::ShiftModifier));
    } else {
        const QString text = e->text();
        if (editable && isAcceptableKeyText(e, !m_host->tabChangesFocus())) {
            qsizetype length = selectionEnd() - selectionStart();
            // Overwrite mode types over the character after the caret, never over a line break.
            const bool over = m_host->overwriteMode() && length == 0 && caret() < store().size() &&
                              store().at(caret()) != u'\n';
            if (over)
                length = nextCharacter(caret()) - caret();
            m_host->edit(selectionStart(), length, TextPiece(text),
                         over ? TextDocument::EditKind::Block : TextDocument::EditKind::Typing);
        } else {
            e->ignore();
            return;
        }
    }
    e->accept();
}

// ---- mouse ----

void TextControl::mousePressEvent(QMouseEvent *e) {
    if (e->button() != Qt::LeftButton) {
        if (e->button() == Qt::MiddleButton && !m_host->isReadOnly() &&
            QGuiApplication::clipboard()->supportsSelection()) {
            m_host->moveCursor(m_host->positionAt(e->position().toPoint()), false, false);
            replaceSelection(QGuiApplication::clipboard()->text(QClipboard::Selection));
        }
        return;
    }
    m_dragPoint = e->position().toPoint();
    // A third click soon after a double click selects the whole line, its break included.
    if (m_sinceDoubleClick.isValid() &&
        m_sinceDoubleClick.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval() &&
        (m_dragPoint - m_doubleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        m_sinceDoubleClick.invalidate();
        const qsizetype line = store().lineAt(m_host->positionAt(m_dragPoint));
        const qsizetype start = store().lineStart(line);
        m_host->setSelection(start, std::min(store().size(), start + store().lineLength(line) + 1));
        return;
    }
    m_dragging = true;
    m_host->moveCursor(m_host->positionAt(m_dragPoint), e->modifiers() & Qt::ShiftModifier, false);
}

void TextControl::mouseMoveEvent(QMouseEvent *e) {
    if (!m_dragging || !(e->buttons() & Qt::LeftButton))
        return;
    m_dragPoint = e->position().toPoint();
    if (m_dragPoint.y() < 0 || m_dragPoint.y() > m_host->viewHeight()) {
        if (!m_dragScroll.isActive())
            m_dragScroll.start(50, this);
        return;
    }
    m_dragScroll.stop();
    const qsizetype position = m_host->positionAt(m_dragPoint);
    if (position != caret())
        m_host->setSelection(anchor(), position);
}

void TextControl::timerEvent(QTimerEvent *event) {
    if (event->timerId() != m_dragScroll.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    // The mouse held above or below the view while selecting: the view scrolls and the selection
    // follows.
    if (!m_dragging) {
        m_dragScroll.stop();
        return;
    }
    if (m_dragPoint.y() < 0)
        m_host->scrollRows(-1);
    else if (m_dragPoint.y() > m_host->viewHeight())
        m_host->scrollRows(1);
    else
        return;
    m_host->moveCursor(m_host->positionAt(m_dragPoint), true, false);
}

void TextControl::mouseReleaseEvent(QMouseEvent *e) {
    if (e->button() == Qt::LeftButton) {
        m_dragging = false;
        m_dragScroll.stop();
    }
}

void TextControl::mouseDoubleClickEvent(QMouseEvent *e) {
    if (e->button() != Qt::LeftButton)
        return;
    const auto [start, end] = wordAt(m_host->positionAt(e->position().toPoint()));
    m_host->setSelection(start, end);
    m_sinceDoubleClick.start();
    m_doubleClickPoint = e->position().toPoint();
}

void TextControl::cut() {
    if (!hasSelection() || m_host->isReadOnly())
        return;
    copy();
    removeSelection();
}

void TextControl::copy() const {
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void TextControl::paste() {
    if (m_host->isReadOnly())
        return;
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    // An empty text leaves the selection alone, as in QPlainTextEdit.
    if (!data || !data->hasText() || data->text().isEmpty())
        return;
    replaceSelection(data->text());
}

// ---- input methods ----

void TextControl::inputMethodEvent(QInputMethodEvent *e) {
    if (m_host->isReadOnly()) {
        e->ignore();
        return;
    }
    if (!e->commitString().isEmpty() || e->replacementLength() > 0) {
        // As in Qt's text boxes: the selection goes first, then the replacement range counts from the
        // caret where it stood. Both go as one step.
        const qsizetype s = selectionStart(), removed = selectionEnd() - selectionStart();
        const qsizetype sizeAfter = store().size() - removed;
        const qsizetype from = std::clamp<qsizetype>(s + e->replacementStart(), 0, sizeAfter);
        const qsizetype to = std::clamp<qsizetype>(from + e->replacementLength(), from, sizeAfter);
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
        m_host->setPreedit(QString(), {}, 0, true);
        // A commit is an undo step of its own, as a text document counts it.
        m_host->edit(lo, hi - lo, TextPiece(text), TextDocument::EditKind::Block);
        // The caret goes after the committed text (its line breaks may have been folded on the way in).
        const qsizetype after = caret() - (kept.size() - rest);
        if (after != caret())
            m_host->moveCursor(after, false, false);
    }
    // An input method that sets the selection (reconversion, on-screen keyboards) puts it in the line.
    for (const QInputMethodEvent::Attribute &a : e->attributes()) {
        if (a.type != QInputMethodEvent::Selection)
            continue;
        const qsizetype lineStart = store().lineStart(store().lineAt(caret()));
        const qsizetype from = std::clamp<qsizetype>(lineStart + a.start, 0, store().size());
        m_host->setSelection(
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
    m_host->setPreedit(preedit, formats, preeditCursor, preeditCursorShown);
    m_host->updateView();
    e->accept();
}

std::optional<QVariant> TextControl::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return !m_host->isReadOnly();
    case Qt::ImCursorRectangle:
        return m_host->caretRectInWidget();
    case Qt::ImFont:
        return m_host->textFont();
    case Qt::ImCursorPosition: {
        const qsizetype line = store().lineAt(caret());
        return qlonglong(std::min<qsizetype>(caret() - store().lineStart(line), kSurroundingReach));
    }
    case Qt::ImAnchorPosition: {
        const qsizetype line = store().lineAt(caret());
        const qsizetype start = std::max(store().lineStart(line), caret() - kSurroundingReach);
        return qlonglong(std::clamp<qsizetype>(anchor() - start, 0, (2 * kSurroundingReach)));
    }
    case Qt::ImSurroundingText: {
        const qsizetype line = store().lineAt(caret());
        const qsizetype lineStart = store().lineStart(line);
        const qsizetype start = std::max(lineStart, caret() - kSurroundingReach);
        const qsizetype end = std::min(lineStart + store().lineLength(line), caret() + kSurroundingReach);
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
