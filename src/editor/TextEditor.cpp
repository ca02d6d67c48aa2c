#include "TextEditor.h"

#include "CursorMotion.h"
#include "editor/MarkSource.h"
#include "editor/TextDrag.h"
#include "editor/TextEditorAccessible.h"
#include "editor/TextRenderer.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>

namespace rw {

namespace {
constexpr qreal kMargin = 4;
// How much of the line around the cursor an input method is given as surrounding text.
constexpr qsizetype kSurroundingReach = 1024;
// Up to this many pieces the scroll bar counts rows rather than pieces.
constexpr qsizetype kRowScrollingPieces = 4;
} // namespace

TextEditor::TextEditor(QWidget *parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setSingleStep(1);
    m_layout.setFont(font());
    m_layout.setWidth(layoutWidth());
    updateScrollBar();
    serveAccessibility(this);
    new TextDrag(this);
}

TextEditor::~TextEditor() = default;

// ---- content ----

QString TextEditor::toPlainText() const {
    return store().toPlain();
}

void TextEditor::setPlainText(const QString &text) {
    setStore(TextStore(text)); // shared: a text with "\r" is copied once
}

void TextEditor::setStore(TextStore text) {
    const qsizetype removed = size();
    const bool hadUndo = isUndoAvailable(), hadRedo = isRedoAvailable();
    m_document.reset(std::move(text));
    m_top = {};
    m_topOffset = 0;
    const qsizetype oldCursor = m_cursor, oldAnchor = m_anchor;
    m_cursor = m_anchor = 0;
    applied({0, removed, size()});
    if (hadUndo)
        emit undoAvailable(false);
    if (hadRedo)
        emit redoAvailable(false);
    cursorChanged(oldCursor, oldAnchor, false);
    emit textReplaced();
}

QString TextEditor::selectedText() const {
    return store().mid(selectionStart(), selectionEnd() - selectionStart());
}

// ---- cursor and selection ----

void TextEditor::setCursorPosition(qsizetype position, bool keepAnchor) {
    moveCursor(position, keepAnchor);
}

void TextEditor::setSelection(qsizetype anchor, qsizetype position) {
    const qsizetype oldCursor = m_cursor, oldAnchor = m_anchor;
    m_anchor = std::clamp<qsizetype>(anchor, 0, size());
    m_cursor = std::clamp<qsizetype>(position, 0, size());
    cursorChanged(oldCursor, oldAnchor, false);
}

void TextEditor::selectAll() {
    setSelection(0, size());
}

void TextEditor::moveCursor(qsizetype position, bool keepAnchor, bool keepX) {
    const qsizetype oldCursor = m_cursor, oldAnchor = m_anchor;
    m_cursor = std::clamp<qsizetype>(position, 0, size());
    if (!keepAnchor)
        m_anchor = m_cursor;
    cursorChanged(oldCursor, oldAnchor, keepX);
}

void TextEditor::cursorChanged(qsizetype oldCursor, qsizetype oldAnchor, bool keepX) {
    if (!keepX)
        m_desiredX = -1;
    if (oldCursor != m_cursor)
        showPreedit(); // the preedit goes with the caret
    ensureCursorVisible();
    restartBlink();
    viewport()->update();
    const bool hadSelection = oldCursor != oldAnchor;
    if (oldCursor != m_cursor)
        emit cursorPositionChanged();
    if ((hadSelection || hasSelection()) && (std::min(oldCursor, oldAnchor) != selectionStart() ||
                                             std::max(oldCursor, oldAnchor) != selectionEnd()))
        emit selectionChanged();
    if (hadSelection != hasSelection())
        emit copyAvailable(hasSelection());
    if (hasSelection() && selectionEnd() - selectionStart() <= 1'000'000 &&
        QGuiApplication::clipboard()->supportsSelection())
        QGuiApplication::clipboard()->setText(selectedText(), QClipboard::Selection);
}

void TextEditor::showPreedit() {
    m_layout.setPreedit(m_cursor, m_preedit, m_preeditFormats);
    keepTopInPiece();
}

void TextEditor::ensureCursorVisible() {
    const Row row = m_layout.rowOf(m_cursor);
    qreal y = 0;
    if (row < m_top || (row == m_top && m_topOffset > 0)) {
        setTop(row);
        return;
    }
    if (rowInView(row, &y))
        return;
    // Below the view: put the row on the bottom line.
    setTop(topShowingAtBottom(row, 0));
}

TextEditor::Row TextEditor::topShowingAtBottom(Row row, qreal slack) const {
    // Walks back up from row a viewport's height.
    const qreal height = viewport()->height() - 2 * kMargin;
    Row top = row;
    qreal used = m_layout.rowHeight(row);
    for (;;) {
        const Row above = m_layout.previousRow(top);
        if (above == top)
            break;
        const qreal h = m_layout.rowHeight(above);
        if (used + h > height + slack)
            break;
        used += h;
        top = above;
    }
    return top;
}

void TextEditor::walkView(const PieceLayout::RowVisitor &visit) const {
    m_layout.walk(m_top, kMargin - m_topOffset, viewport()->height(), visit);
}

// Whether row is wholly in view; y gets its top in viewport coordinates.
bool TextEditor::rowInView(Row row, qreal *y) const {
    if (row < m_top || (row == m_top && m_topOffset > 0))
        return false;
    const qreal bottom = viewport()->height() - kMargin;
    bool found = false;
    walkView([&](const PieceLayout::RowView &r) {
        if (r.row != row)
            return r.row < row;
        *y = r.y;
        found = r.y + r.line.height() <= bottom + 0.5;
        return false;
    });
    return found;
}

std::optional<QRectF> TextEditor::spanRect(const PieceLayout::RowView &row, qsizetype from, qsizetype to) const {
    const PieceLayout::Piece &p = row.piece;
    const qsizetype rowStart = row.start(), rowEnd = row.end();
    const auto x = [&](qsizetype position) {
        return row.line.cursorToX(m_layout.layoutPosition(p, row.row.unit, position));
    };
    if (from == to) {
        // A position at a wrap is on the later row; at a long line's piece boundary, on the later piece.
        if (from < rowStart || from > rowEnd || (from == rowEnd && !row.lastOfPiece()))
            return std::nullopt;
        return QRectF(kMargin + x(from), row.y, 0, row.line.height());
    }
    const qsizetype a = std::max(from, rowStart), b = std::min(to, rowEnd);
    if (b <= a)
        return std::nullopt;
    const qreal x1 = x(a), x2 = x(b);
    return QRectF(kMargin + std::min(x1, x2), row.y, std::abs(x2 - x1), row.line.height());
}

// ---- rows and scrolling ----

qreal TextEditor::layoutWidth() const {
    return std::max<qreal>(1, viewport()->width() - 2 * kMargin);
}

void TextEditor::keepTopInPiece() {
    // Laid out again (other marks, a preedit, an edit), the top piece may have fewer rows than before.
    const int rows = m_layout.piece(m_top.unit).layout->lineCount();
    if (m_top.line >= rows) {
        m_top.line = std::max(0, rows - 1);
        m_topOffset = 0;
    }
    m_topOffset = std::min(m_topOffset, m_layout.rowHeight(m_top) - 1);
    m_topOffset = std::max<qreal>(0, m_topOffset);
}

// The top row that shows the last row at the bottom of the view.
TextEditor::Row TextEditor::endTop() const {
    return topShowingAtBottom(m_layout.lastRow(), 0.5);
}

void TextEditor::setTop(Row row, qreal offset) {
    const Row end = endTop();
    if (end < row || (end == row && offset > 0)) {
        row = end;
        offset = 0;
    }
    if (row == m_top && offset == m_topOffset)
        return;
    m_top = row;
    m_topOffset = offset;
    m_settingScrollBar = true;
    verticalScrollBar()->setValue(scrollValue(row));
    m_settingScrollBar = false;
    viewport()->update();
    emit viewChanged();
}

void TextEditor::scrollByPixels(qreal dy) {
    Row row = m_top;
    qreal offset = m_topOffset + dy;
    while (offset < 0) {
        const Row above = m_layout.previousRow(row);
        if (above == row) {
            offset = 0;
            break;
        }
        row = above;
        offset += m_layout.rowHeight(row);
    }
    while (offset > 0 && offset >= m_layout.rowHeight(row)) {
        const Row below = m_layout.nextRow(row);
        if (below == row) {
            offset = 0;
            break;
        }
        offset -= m_layout.rowHeight(row);
        row = below;
    }
    setTop(row, offset);
}

bool TextEditor::rowScrolling() const {
    // A short text (one wrapped line taller than the view, say) scrolls by rows: its few pieces are laid
    // out anyway. A long one scrolls by pieces, so that nothing off screen is laid out to count rows.
    return m_layout.unitCount() <= kRowScrollingPieces;
}

int TextEditor::scrollValue(Row row) const {
    if (!rowScrolling())
        return int(std::min<qsizetype>(row.unit, INT_MAX));
    int value = row.line;
    for (qsizetype unit = 0; unit < row.unit; ++unit)
        value += m_layout.piece(unit).layout->lineCount();
    return value;
}

TextEditor::Row TextEditor::rowAtScrollValue(int value) const {
    if (!rowScrolling())
        return {value, 0};
    for (qsizetype unit = 0; unit < m_layout.unitCount(); ++unit) {
        const int rows = std::max(1, m_layout.piece(unit).layout->lineCount());
        if (value < rows)
            return {unit, value};
        value -= rows;
    }
    return endTop();
}

void TextEditor::scrollRows(qsizetype rows) {
    Row row = m_top;
    for (; rows > 0; --rows)
        row = m_layout.nextRow(row);
    for (; rows < 0; ++rows)
        row = m_layout.previousRow(row);
    setTop(row);
}

void TextEditor::updateScrollBar() {
    QScrollBar *bar = verticalScrollBar();
    m_settingScrollBar = true;
    const Row end = endTop();
    bar->setRange(0, rowScrolling() ? scrollValue(end) : int(std::min<qsizetype>(end.unit, INT_MAX)));
    const QFontMetricsF metrics(font());
    bar->setPageStep(std::max(1, int((viewport()->height() - 2 * kMargin) / metrics.lineSpacing())));
    bar->setValue(scrollValue(m_top));
    m_settingScrollBar = false;
    if (end < m_top || (end == m_top && m_topOffset > 0))
        setTop(end);
}

qsizetype TextEditor::rowsPerPage() const {
    const QFontMetricsF metrics(font());
    return std::max<qsizetype>(1,
                               qsizetype((viewport()->height() - 2 * kMargin) / metrics.lineSpacing()) - 1);
}

void TextEditor::scrollContentsBy(int, int) {
    if (m_settingScrollBar)
        return;
    m_top = rowAtScrollValue(verticalScrollBar()->value());
    m_topOffset = 0;
    viewport()->update();
    emit viewChanged();
}

std::pair<qsizetype, qsizetype> TextEditor::visibleRange() const {
    qsizetype first = -1, last = 0;
    const qreal bottom = viewport()->height() - kMargin;
    walkView([&](const PieceLayout::RowView &row) {
        if (first < 0)
            first = last = row.start();
        if (row.y >= bottom)
            return false;
        last = row.end();
        return true;
    });
    return {std::max<qsizetype>(first, 0), last};
}

qsizetype TextEditor::positionAt(const QPoint &point) const {
    const qreal x = point.x() - kMargin;
    if (point.y() < kMargin)
        return m_layout.positionInRow(m_top, x);
    // A point below the view (a drag going on down) finds the rows just below it too.
    Row last = m_top;
    const qreal bottom = std::clamp<qreal>(point.y() + 1, viewport()->height(), 2 * viewport()->height());
    m_layout.walk(m_top, kMargin - m_topOffset, bottom, [&](const PieceLayout::RowView &row) {
        last = row.row;
        return point.y() >= row.y + row.line.height();
    });
    return m_layout.positionInRow(last, x);
}

QRect TextEditor::cursorRect(qsizetype position) const {
    position = std::clamp<qsizetype>(position, 0, size());
    const Row row = m_layout.rowOf(position);
    if (row < m_top)
        return {};
    // Partly in view still counts.
    std::optional<QRect> rect;
    walkView([&](const PieceLayout::RowView &r) {
        if (r.row < row)
            return true;
        if (r.row == row) {
            const int caret = position == m_cursor ? preeditCaret() : int(m_preedit.size());
            const qreal x = m_layout.cursorX(row, position, caret) + kMargin;
            rect = QRect(int(x), int(r.y), 1, int(r.line.height() + 0.5));
        }
        return false;
    });
    return rect.value_or(QRect());
}

void TextEditor::scrollToTop(qsizetype position) {
    setTop(m_layout.rowOf(std::clamp<qsizetype>(position, 0, size())));
}

// ---- painting ----

void TextEditor::paintEvent(QPaintEvent *event) {
    QPainter painter(viewport());
    TextRenderer::Frame frame;
    frame.clip = event->rect();
    frame.palette = palette();
    frame.left = kMargin;
    frame.selectionStart = selectionStart();
    frame.selectionEnd = selectionEnd();
    if (cursorShown() && (m_preedit.isEmpty() || m_preeditCursorShown)) {
        frame.caret = m_cursor;
        frame.preeditCaret = preeditCaret();
    }
    frame.dropCaret = m_dropCaret;
    if (size() == 0 && m_preedit.isEmpty()) {
        frame.placeholder = m_placeholder;
        frame.placeholderRect = viewport()->rect().adjusted(int(kMargin), int(kMargin), -int(kMargin), 0);
    }
    TextRenderer::paint(
        painter, m_layout, frame, [this](const PieceLayout::RowVisitor &visit) { walkView(visit); },
        [this](const PieceLayout::RowView &row, qsizetype from, qsizetype to) { return spanRect(row, from, to); },
        m_markSources);
}

void TextEditor::addMarkSource(const MarkSource *source) {
    m_markSources.push_back(source);
    viewport()->update();
}

void TextEditor::removeMarkSource(const MarkSource *source) {
    std::erase(m_markSources, source);
    viewport()->update();
}

void TextEditor::setDropCaret(qsizetype position) {
    if (position == m_dropCaret)
        return;
    m_dropCaret = position;
    viewport()->update();
}

bool TextEditor::cursorShown() const {
    return hasFocus() && m_blinkOn && !m_readOnly;
}

void TextEditor::restartBlink() {
    m_blinkOn = true;
    const int flash = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && flash > 0)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
}

void TextEditor::timerEvent(QTimerEvent *event) {
    if (event->timerId() == m_blink.timerId()) {
        m_blinkOn = !m_blinkOn;
        viewport()->update(cursorRect().adjusted(-2, 0, 2, 0));
        return;
    }
    if (event->timerId() == m_dragScroll.timerId()) {
        if (!m_dragging) {
            m_dragScroll.stop();
            return;
        }
        if (m_dragPoint.y() < 0)
            scrollRows(-1);
        else if (m_dragPoint.y() > viewport()->height())
            scrollRows(1);
        else
            return;
        moveCursor(positionAt(m_dragPoint), true);
        return;
    }
    QAbstractScrollArea::timerEvent(event);
}

void TextEditor::resizeEvent(QResizeEvent *event) {
    QAbstractScrollArea::resizeEvent(event);
    m_layout.setWidth(layoutWidth());
    // Rows are laid out again at the new width: the view starts at the top piece's first row.
    m_top = {m_top.unit, 0};
    m_topOffset = 0;
    updateScrollBar();
    emit viewChanged();
}

void TextEditor::changeEvent(QEvent *event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_layout.setFont(font());
        m_top.line = 0;
        m_topOffset = 0;
        updateScrollBar();
        viewport()->update();
    }
}

// ---- editing ----

void TextEditor::setReadOnly(bool readOnly) {
    if (m_readOnly == readOnly)
        return;
    m_readOnly = readOnly;
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
    viewport()->setCursor(readOnly ? Qt::ArrowCursor : Qt::IBeamCursor);
    viewport()->update();
    emit readOnlyChanged(readOnly);
}

void TextEditor::insertPlainText(const QString &text) {
    edit(selectionStart(), selectionEnd() - selectionStart(), TextPiece(text), false);
}

void TextEditor::insertPiece(const TextPiece &text) {
    edit(selectionStart(), selectionEnd() - selectionStart(), text, false);
}

void TextEditor::replaceRange(qsizetype position, qsizetype length, const QString &text) {
    if (m_readOnly)
        return;
    position = std::clamp<qsizetype>(position, 0, size());
    length = std::clamp<qsizetype>(length, 0, size() - position);
    edit(position, length, TextPiece(text), false);
}

void TextEditor::moveRange(qsizetype from, qsizetype length, qsizetype to) {
    if (m_readOnly)
        return;
    from = std::clamp<qsizetype>(from, 0, size());
    length = std::clamp<qsizetype>(length, 0, size() - from);
    to = std::clamp<qsizetype>(to, 0, size());
    if (length == 0 || (to >= from && to <= from + length))
        return;
    const bool hadUndo = isUndoAvailable(), hadRedo = isRedoAvailable();
    const Caret before{m_cursor, m_anchor};
    const TextPiece moved = store().piece(from, length);
    // The old place goes first, and the new place shifts with it; both are one undo step.
    applied(m_document.replace(from, length, {}, before));
    if (to > from)
        to -= length;
    applied(m_document.replace(to, 0, moved, before, EditKind::Block, true));
    if (!hadUndo)
        emit undoAvailable(true);
    if (hadRedo)
        emit redoAvailable(false);
    const qsizetype oldCursor = m_cursor, oldAnchor = m_anchor;
    m_cursor = m_anchor = to + moved.size();
    cursorChanged(oldCursor, oldAnchor, false);
}

void TextEditor::edit(qsizetype position, qsizetype length, const TextPiece &text, bool typing, EditKind kind) {
    if (length == 0 && text.isEmpty())
        return;
    const bool hadUndo = isUndoAvailable(), hadRedo = isRedoAvailable();
    const TextChange change =
        m_document.replace(position, length, text, {m_cursor, m_anchor}, typing ? EditKind::Typing : kind);
    if (!hadUndo)
        emit undoAvailable(true);
    if (hadRedo)
        emit redoAvailable(false);
    const qsizetype oldCursor = m_cursor, oldAnchor = m_anchor;
    m_cursor = m_anchor = change.position + change.added;
    applied(change);
    cursorChanged(oldCursor, oldAnchor, false);
}

void TextEditor::applied(const TextChange &change) {
    m_layout.changed(change);
    if (m_top.unit >= m_layout.unitCount()) {
        m_top = {m_layout.unitCount() - 1, 0};
        m_topOffset = 0;
    }
    keepTopInPiece();
    updateScrollBar();
    viewport()->update();
    emit contentsChange(change.position, change.removed, change.added);
    emit textChanged();
    emit viewChanged();
}

void TextEditor::undo() {
    travel(true);
}

void TextEditor::redo() {
    travel(false);
}

void TextEditor::travel(bool back) {
    if (m_readOnly || !(back ? isUndoAvailable() : isRedoAvailable()))
        return;
    const bool hadUndo = isUndoAvailable(), hadRedo = isRedoAvailable();
    const TextDocument::Travel done = back ? m_document.undo() : m_document.redo();
    const qsizetype oldCursor = m_cursor, oldAnchor = m_anchor;
    m_cursor = done.caret.position;
    m_anchor = done.caret.anchor;
    for (const TextChange &change : done.changes)
        applied(change);
    if (hadUndo != isUndoAvailable())
        emit undoAvailable(isUndoAvailable());
    if (hadRedo != isRedoAvailable())
        emit redoAvailable(isRedoAvailable());
    cursorChanged(oldCursor, oldAnchor, false);
}

void TextEditor::cut() {
    if (!hasSelection() || m_readOnly)
        return;
    copy();
    edit(selectionStart(), selectionEnd() - selectionStart(), {}, false);
}

void TextEditor::copy() const {
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void TextEditor::paste() {
    if (m_readOnly)
        return;
    const QMimeData *data = QGuiApplication::clipboard()->mimeData();
    // An empty text leaves the selection alone, as in QPlainTextEdit.
    if (!data || !data->hasText() || data->text().isEmpty())
        return;
    insertPlainText(data->text());
}

void TextEditor::clear() {
    setPlainText(QString());
}

MarkList &TextEditor::marks(int layer) {
    return m_document.marks(layer);
}

void TextEditor::setMarkFormat(int layer, MarkList::Kind kind, const QTextCharFormat &format) {
    m_document.marks(layer);
    m_layout.setMarkFormat(layer, kind, format);
    marksChanged();
}

void TextEditor::marksChanged() {
    marksChanged(0, size());
}

void TextEditor::marksChanged(qsizetype from, qsizetype to) {
    // The marks are formats of the layouts: the pieces they lie on are laid out again.
    m_layout.marksChanged(from, to);
    keepTopInPiece();
    viewport()->update();
}

void TextEditor::visitRows(qsizetype from, qsizetype to, const RowVisit &visit) const {
    walkView([&](const PieceLayout::RowView &row) {
        if (row.start() > to)
            return false;
        const std::optional<QRectF> rect = spanRect(row, from, to);
        if (!rect)
            return true;
        return visit(std::max(from, row.start()), from == to ? from : std::min(to, row.end()), *rect);
    });
}

// ---- keyboard ----

LineMotion TextEditor::lineMotion(qsizetype line) const {
    const qsizetype start = store().lineStart(line);
    return LineMotion(store().lineLength(line),
                      [this, start](qsizetype from, qsizetype to) { return store().mid(start + from, to - from); });
}

// Each motion works inside the line; across a line break it is one step, as in QPlainTextEdit.
template <typename Motion> qsizetype TextEditor::forward(qsizetype position, Motion motion) const {
    if (position >= store().size())
        return store().size();
    const qsizetype line = store().lineAt(position);
    const qsizetype start = store().lineStart(line);
    if (position - start >= store().lineLength(line))
        return position + 1;
    return start + motion(lineMotion(line), position - start);
}

template <typename Motion> qsizetype TextEditor::backward(qsizetype position, Motion motion) const {
    if (position <= 0)
        return 0;
    const qsizetype line = store().lineAt(position);
    const qsizetype start = store().lineStart(line);
    if (position == start)
        return position - 1;
    return start + motion(lineMotion(line), position - start);
}

qsizetype TextEditor::previousCharacter(qsizetype position) const {
    return backward(position, [](const LineMotion &m, qsizetype at) { return m.previousCharacter(at); });
}

qsizetype TextEditor::nextCharacter(qsizetype position) const {
    return forward(position, [](const LineMotion &m, qsizetype at) { return m.nextCharacter(at); });
}

qsizetype TextEditor::previousCodePoint(qsizetype position) const {
    return backward(position, [](const LineMotion &m, qsizetype at) { return m.previousCodePoint(at); });
}

qsizetype TextEditor::previousWord(qsizetype position) const {
    return backward(position, [](const LineMotion &m, qsizetype at) { return m.previousWord(at); });
}

qsizetype TextEditor::nextWord(qsizetype position) const {
    return forward(position, [](const LineMotion &m, qsizetype at) { return m.nextWord(at); });
}

bool TextEditor::lineIsRightToLeft(qsizetype position) const {
    // A line takes the direction of its first strong character, as a text block does.
    const qsizetype line = store().lineAt(position);
    return store().lineText(line, 0, std::min<qsizetype>(store().lineLength(line), 4096)).isRightToLeft();
}

qsizetype TextEditor::visualStep(qsizetype position, bool left) const {
    // As QPlainTextEdit moves: left is back and right is on in a left-to-right line, the other way round
    // in a right-to-left one.
    return left != lineIsRightToLeft(position) ? previousCharacter(position) : nextCharacter(position);
}

qsizetype TextEditor::snapToCharacter(qsizetype position, bool forwards) const {
    position = std::clamp<qsizetype>(position, 0, store().size());
    const qsizetype line = store().lineAt(position);
    const qsizetype start = store().lineStart(line);
    const LineMotion motion = lineMotion(line);
    const qsizetype back = motion.snapBack(position - start);
    if (back == position - start || !forwards)
        return start + back;
    return start + motion.nextCharacter(back);
}

std::pair<qsizetype, qsizetype> TextEditor::wordAt(qsizetype position) const {
    const qsizetype line = store().lineAt(position);
    const qsizetype start = store().lineStart(line);
    const auto [from, to] = lineMotion(line).wordAt(position - start);
    return {start + from, start + to};
}

bool TextEditor::event(QEvent *e) {
    if (e->type() == QEvent::ShortcutOverride) {
        // Keys the box handles itself win over window shortcuts bound to the same keys.
        auto *key = static_cast<QKeyEvent *>(e);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Paste) ||
            key->matches(QKeySequence::Cut) || key->matches(QKeySequence::Undo) ||
            key->matches(QKeySequence::Redo) || key->matches(QKeySequence::SelectAll) ||
            key->matches(QKeySequence::Delete) || key->matches(QKeySequence::MoveToStartOfDocument) ||
            key->matches(QKeySequence::MoveToEndOfDocument) || key->key() == Qt::Key_Home ||
            key->key() == Qt::Key_End || key->key() == Qt::Key_Backspace ||
            (!m_readOnly && isAcceptableKeyText(key, true))) {
            e->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

void TextEditor::keyPressEvent(QKeyEvent *e) {
    const bool editable = !m_readOnly;
    auto move = [&](qsizetype position, bool keepX = false) {
        moveCursor(position, e->modifiers() & Qt::ShiftModifier, keepX);
    };
    auto rowMove = [&](qsizetype rows) {
        Row row = m_layout.rowOf(m_cursor);
        if (m_desiredX < 0)
            m_desiredX = m_layout.cursorX(row, m_cursor);
        const qreal x = m_desiredX;
        const Row from = row;
        const bool oneRow = rows == 1 || rows == -1;
        for (; rows > 0; --rows)
            row = m_layout.nextRow(row);
        for (; rows < 0; ++rows)
            row = m_layout.previousRow(row);
        // Up on the first row or Down on the last changes nothing, the selection included.
        if (oneRow && row == from)
            return;
        move(m_layout.positionInRow(row, x), true);
    };

    if (e == QKeySequence::SelectAll) {
        selectAll();
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
    } else if (e == QKeySequence::SelectPreviousLine && m_layout.rowOf(m_cursor) == Row{}) {
        // On the first row, Shift+Up selects to the start, as QPlainTextEdit does.
        move(0);
    } else if (e == QKeySequence::SelectNextLine && m_layout.nextRow(m_layout.rowOf(m_cursor)) == m_layout.rowOf(m_cursor)) {
        move(store().size());
    } else if (e == QKeySequence::MoveToPreviousLine || e == QKeySequence::SelectPreviousLine) {
        rowMove(-1);
    } else if (e == QKeySequence::MoveToNextLine || e == QKeySequence::SelectNextLine) {
        rowMove(1);
    } else if (e == QKeySequence::MoveToPreviousPage || e == QKeySequence::SelectPreviousPage) {
        scrollRows(-rowsPerPage());
        rowMove(-rowsPerPage());
    } else if (e == QKeySequence::MoveToNextPage || e == QKeySequence::SelectNextPage) {
        scrollRows(rowsPerPage());
        rowMove(rowsPerPage());
    } else if (e == QKeySequence::MoveToStartOfLine || e == QKeySequence::SelectStartOfLine ||
               e == QKeySequence::MoveToStartOfBlock || e == QKeySequence::SelectStartOfBlock) {
        const Row row = m_layout.rowOf(m_cursor);
        const PieceLayout::Piece &p = m_layout.piece(row.unit);
        // A piece of a long line may start inside a character: the caret never does.
        move(snapToCharacter(p.start + p.layout->lineAt(row.line).textStart(), true));
    } else if (e == QKeySequence::MoveToEndOfLine || e == QKeySequence::SelectEndOfLine ||
               e == QKeySequence::MoveToEndOfBlock || e == QKeySequence::SelectEndOfBlock) {
        const Row row = m_layout.rowOf(m_cursor);
        const PieceLayout::Piece &p = m_layout.piece(row.unit);
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
                edit(selectionStart(), selectionEnd() - selectionStart(), {}, false);
            else {
                const qsizetype from = previousWord(m_cursor);
                edit(from, m_cursor - from, {}, false);
            }
        }
    } else if (e == QKeySequence::DeleteEndOfWord) {
        if (editable) {
            if (hasSelection())
                edit(selectionStart(), selectionEnd() - selectionStart(), {}, false);
            else
                edit(m_cursor, nextWord(m_cursor) - m_cursor, {}, false);
        }
    } else if (e->key() == Qt::Key_Backspace && !(e->modifiers() & ~Qt::ShiftModifier)) {
        if (editable) {
            if (hasSelection())
                edit(selectionStart(), selectionEnd() - selectionStart(), {}, false);
            else if (m_cursor > 0) {
                const qsizetype from = previousCodePoint(m_cursor);
                edit(from, m_cursor - from, {}, false, EditKind::Backspace);
            }
        }
    } else if (e == QKeySequence::Delete) {
        if (editable) {
            if (hasSelection())
                edit(selectionStart(), selectionEnd() - selectionStart(), {}, false);
            else if (m_cursor < store().size())
                edit(m_cursor, nextCharacter(m_cursor) - m_cursor, {}, false, EditKind::Delete);
        }
    } else if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        if (!editable || (e->modifiers() & Qt::ControlModifier)) {
            e->ignore();
            return;
        }
        edit(selectionStart(), selectionEnd() - selectionStart(), TextPiece(QStringLiteral("\n")), true);
    } else if (e->key() == Qt::Key_Insert && !(e->modifiers() & ~Qt::KeypadModifier)) {
        setOverwriteMode(!m_overwrite);
    } else if ((e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) &&
               (e->modifiers() & Qt::ControlModifier)) {
        // Tab types; Ctrl+Tab and Ctrl+Shift+Tab are how the focus leaves the box.
        QAbstractScrollArea::focusNextPrevChild(e->key() == Qt::Key_Tab && !(e->modifiers() & Qt::ShiftModifier));
    } else {
        const QString text = e->text();
        if (editable && isAcceptableKeyText(e, !m_tabChangesFocus)) {
            qsizetype length = selectionEnd() - selectionStart();
            // Overwrite mode types over the character after the caret, never over a line break.
            const bool over =
                m_overwrite && length == 0 && m_cursor < store().size() && store().at(m_cursor) != u'\n';
            if (over)
                length = nextCharacter(m_cursor) - m_cursor;
            edit(selectionStart(), length, TextPiece(text), !over);
        } else {
            e->ignore();
            return;
        }
    }
    e->accept();
}

// ---- mouse ----

void TextEditor::mousePressEvent(QMouseEvent *e) {
    if (e->button() != Qt::LeftButton) {
        if (e->button() == Qt::MiddleButton && !m_readOnly &&
            QGuiApplication::clipboard()->supportsSelection()) {
            moveCursor(positionAt(e->position().toPoint()), false);
            insertPlainText(QGuiApplication::clipboard()->text(QClipboard::Selection));
        }
        return;
    }
    m_dragPoint = e->position().toPoint();
    // A third click soon after a double click selects the whole line, its break included.
    if (m_sinceDoubleClick.isValid() &&
        m_sinceDoubleClick.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval() &&
        (m_dragPoint - m_doubleClickPoint).manhattanLength() < QApplication::startDragDistance()) {
        m_sinceDoubleClick.invalidate();
        const qsizetype line = store().lineAt(positionAt(m_dragPoint));
        const qsizetype start = store().lineStart(line);
        setSelection(start, std::min(store().size(), start + store().lineLength(line) + 1));
        return;
    }
    m_dragging = true;
    moveCursor(positionAt(m_dragPoint), e->modifiers() & Qt::ShiftModifier);
}

void TextEditor::mouseMoveEvent(QMouseEvent *e) {
    if (!m_dragging || !(e->buttons() & Qt::LeftButton))
        return;
    m_dragPoint = e->position().toPoint();
    if (m_dragPoint.y() < 0 || m_dragPoint.y() > viewport()->height()) {
        if (!m_dragScroll.isActive())
            m_dragScroll.start(50, this);
        return;
    }
    m_dragScroll.stop();
    const qsizetype anchor = m_anchor;
    const qsizetype position = positionAt(m_dragPoint);
    if (position != m_cursor)
        setSelection(anchor, position);
}

void TextEditor::mouseReleaseEvent(QMouseEvent *e) {
    if (e->button() == Qt::LeftButton) {
        m_dragging = false;
        m_dragScroll.stop();
    }
}

void TextEditor::mouseDoubleClickEvent(QMouseEvent *e) {
    if (e->button() != Qt::LeftButton)
        return;
    const auto [start, end] = wordAt(positionAt(e->position().toPoint()));
    setSelection(start, end);
    m_sinceDoubleClick.start();
    m_doubleClickPoint = e->position().toPoint();
}

void TextEditor::wheelEvent(QWheelEvent *e) {
    // Ctrl+wheel zooms, as in QPlainTextEdit: a notch is a point.
    if (e->modifiers() & Qt::ControlModifier) {
        zoomInF(e->angleDelta().y() / 120.0);
        e->accept();
        return;
    }
    // Touchpads and high-resolution wheels send small steps: they move the view by pixels, the top row
    // showing in part, so that a slow gesture moves slowly instead of a whole row a step. A wheel's notch
    // moves as many rows of the box's font as the platform says.
    if (!e->pixelDelta().isNull()) {
        m_wheelRemainder += -e->pixelDelta().y();
    } else if (e->angleDelta().y() != 0) {
        const QFontMetricsF metrics(font());
        m_wheelRemainder += -e->angleDelta().y() / 120.0 * QApplication::wheelScrollLines() * metrics.lineSpacing();
    } else {
        e->ignore();
        return;
    }
    const int pixels = int(m_wheelRemainder); // towards zero: the rest waits for more
    m_wheelRemainder -= pixels;
    if (pixels != 0)
        scrollByPixels(pixels);
    e->accept();
}

void TextEditor::zoomInF(qreal points) {
    QFont f = font();
    const qreal size = f.pointSizeF();
    if (size <= 0)
        return;
    f.setPointSizeF(std::max<qreal>(1, size + points));
    setFont(f);
}

void TextEditor::zoomIn(int points) {
    zoomInF(points);
}

void TextEditor::zoomOut(int points) {
    zoomInF(-points);
}

void TextEditor::setPlaceholderText(const QString &text) {
    if (m_placeholder == text)
        return;
    m_placeholder = text;
    if (size() == 0)
        viewport()->update();
}

bool TextEditor::focusNextPrevChild(bool next) {
    // Tab types into an editable box, unless it is set to move the focus.
    if (!m_tabChangesFocus && !m_readOnly)
        return false;
    return QAbstractScrollArea::focusNextPrevChild(next);
}

void TextEditor::focusInEvent(QFocusEvent *e) {
    QAbstractScrollArea::focusInEvent(e);
    restartBlink();
    viewport()->update();
}

void TextEditor::focusOutEvent(QFocusEvent *e) {
    QAbstractScrollArea::focusOutEvent(e);
    m_blink.stop();
    viewport()->update();
}

// ---- input methods ----

void TextEditor::inputMethodEvent(QInputMethodEvent *e) {
    if (m_readOnly) {
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
        const qsizetype cut = from - lo - (from > lo && from - lo < kept.size() && kept.at(from - lo).isLowSurrogate() &&
                                           kept.at(from - lo - 1).isHighSurrogate());
        const qsizetype rest = to - lo + (to - lo < kept.size() && to > lo && kept.at(to - lo).isLowSurrogate() &&
                                          kept.at(to - lo - 1).isHighSurrogate());
        const QString text = kept.left(cut) + e->commitString() + kept.mid(rest);
        m_preedit.clear();
        showPreedit();
        // A commit is an undo step of its own, as a text document counts it.
        edit(lo, hi - lo, TextPiece(text), false);
        // The caret goes after the committed text (its line breaks may have been folded on the way in).
        const qsizetype caret = m_cursor - (kept.size() - rest);
        if (caret != m_cursor)
            moveCursor(caret, false);
    }
    // An input method that sets the selection (reconversion, on-screen keyboards) puts it in the line.
    for (const QInputMethodEvent::Attribute &a : e->attributes()) {
        if (a.type != QInputMethodEvent::Selection)
            continue;
        const qsizetype lineStart = store().lineStart(store().lineAt(m_cursor));
        const qsizetype anchor = std::clamp<qsizetype>(lineStart + a.start, 0, store().size());
        setSelection(snapToCharacter(anchor, false),
                     snapToCharacter(std::clamp<qsizetype>(anchor + a.length, 0, store().size()), true));
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
    m_preeditCursor = preeditCursor;
    m_preeditCursorShown = preeditCursorShown;
    if (preedit != m_preedit || formats != m_preeditFormats) {
        m_preedit = preedit;
        m_preeditFormats = formats;
        showPreedit();
    }
    viewport()->update();
    e->accept();
}

QVariant TextEditor::inputMethodQuery(Qt::InputMethodQuery query) const {
    switch (query) {
    case Qt::ImEnabled:
        return !m_readOnly;
    case Qt::ImCursorRectangle:
        return QRectF(cursorRect()).translated(viewport()->pos());
    case Qt::ImFont:
        return font();
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
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

} // namespace rw
