#include "TextEditor.h"

#include "MarkSource.h"
#include "TextControl.h"
#include "TextDrag.h"
#include "TextEditorAccessible.h"
#include "TextRenderer.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextLayout>

#include <algorithm>

namespace rw {

namespace {
constexpr qreal kMargin = 4;
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
    m_drag = new TextDrag(this);
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
    m_top = {};
    m_topOffset = 0;
    m_control.setStore(std::move(text));
    emit textReplaced();
}

// ---- cursor and selection ----

void TextEditor::setCursorPosition(qsizetype position, bool keepAnchor) {
    m_control.moveCursor(position, keepAnchor);
}

void TextEditor::setSelection(qsizetype anchor, qsizetype position) {
    m_control.setSelection(anchor, position);
}

void TextEditor::selectAll() {
    setSelection(0, size());
}

void TextEditor::caretMoved(Caret before) {
    const qsizetype oldCursor = before.position, oldAnchor = before.anchor;
    if (oldCursor != cursorPosition())
        showPreedit(); // the preedit goes with the caret
    ensureCursorVisible();
    restartBlink();
    viewport()->update();
    const bool hadSelection = oldCursor != oldAnchor;
    if (oldCursor != cursorPosition())
        emit cursorPositionChanged();
    if ((hadSelection || hasSelection()) && (std::min(oldCursor, oldAnchor) != selectionStart() ||
                                             std::max(oldCursor, oldAnchor) != selectionEnd()))
        emit selectionChanged();
    if (hadSelection != hasSelection())
        emit copyAvailable(hasSelection());
}

void TextEditor::historyChanged(bool hadUndo, bool hadRedo) {
    if (hadUndo != isUndoAvailable())
        emit undoAvailable(isUndoAvailable());
    if (hadRedo != isRedoAvailable())
        emit redoAvailable(isRedoAvailable());
}

void TextEditor::showPreedit() {
    m_layout.setPreedit(cursorPosition(), m_control.preedit(), m_control.preeditFormats());
    keepTopInPiece();
}

void TextEditor::ensureCursorVisible() {
    const Row row = m_layout.rowOf(cursorPosition());
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

std::optional<QRectF> TextEditor::spanRect(const PieceLayout::RowView &row, qsizetype from,
                                           qsizetype to) const {
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
            const int caret =
                position == cursorPosition() ? m_control.preeditCaret() : int(m_control.preedit().size());
            const qreal x = m_layout.cursorX(row, position, caret) + kMargin;
            rect = QRect(int(x), int(r.y), 1, int(r.line.height() + 0.5));
        }
        return false;
    });
    return rect.value_or(QRect());
}

qreal TextEditor::caretX(qsizetype position) const {
    return m_layout.cursorX(m_layout.rowOf(position), position) + kMargin;
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
    if (cursorShown() && (m_control.preedit().isEmpty() || m_control.preeditCaretShown())) {
        frame.caret = cursorPosition();
        frame.preeditCaret = m_control.preeditCaret();
    }
    frame.dropCaret = m_dropCaret;
    if (size() == 0 && m_control.preedit().isEmpty()) {
        frame.placeholder = m_placeholder;
        frame.placeholderRect = viewport()->rect().adjusted(int(kMargin), int(kMargin), -int(kMargin), 0);
    }
    TextRenderer::paint(
        painter, m_layout, frame, [this](const PieceLayout::RowVisitor &visit) { walkView(visit); },
        [this](const PieceLayout::RowView &row, qsizetype from, qsizetype to) {
            return spanRect(row, from, to);
        },
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
    return hasFocus() && m_blinkOn && !isReadOnly();
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
    if (isReadOnly() == readOnly)
        return;
    m_control.setReadOnly(readOnly);
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
    viewport()->setCursor(readOnly ? Qt::ArrowCursor : Qt::IBeamCursor);
    viewport()->update();
    emit readOnlyChanged(readOnly);
}

void TextEditor::insertPlainText(const QString &text) {
    insertPiece(TextPiece(text));
}

void TextEditor::insertPiece(const TextPiece &text) {
    m_control.edit(selectionStart(), selectionEnd() - selectionStart(), text, EditKind::Block);
}

void TextEditor::replaceRange(qsizetype position, qsizetype length, const QString &text) {
    if (isReadOnly())
        return;
    position = std::clamp<qsizetype>(position, 0, size());
    length = std::clamp<qsizetype>(length, 0, size() - position);
    m_control.edit(position, length, TextPiece(text), EditKind::Block);
}

void TextEditor::moveRange(qsizetype from, qsizetype length, qsizetype to) {
    m_control.moveRange(from, length, to);
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
    m_control.undo();
}

void TextEditor::redo() {
    m_control.redo();
}

void TextEditor::cut() {
    m_control.cut();
}

void TextEditor::copy() const {
    m_control.copy();
}

void TextEditor::paste() {
    m_control.paste();
}

void TextEditor::clear() {
    setPlainText(QString());
}

MarkList &TextEditor::marks(int layer) {
    return m_control.document().marks(layer);
}

void TextEditor::setMarkFormat(int layer, MarkList::Kind kind, const QTextCharFormat &format) {
    m_control.document().marks(layer);
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

void TextEditor::wheelEvent(QWheelEvent *e) {
    // Ctrl+wheel zooms, as in QPlainTextEdit: a notch is a point.
    if (e->modifiers() & Qt::ControlModifier) {
        zoomInF(e->angleDelta().y() / 120.0);
        e->accept();
        return;
    }
    // Touchpads and high-resolution wheels send small steps: they move the view by pixels, the top row
    // showing in part, so that a slow gesture moves slowly instead of a whole row a step. A whole notch
    // of a plain wheel moves as many whole rows as the platform says, as in QPlainTextEdit.
    const int angle = e->angleDelta().y();
    if (e->pixelDelta().isNull() && angle != 0 && angle % 120 == 0 && m_topOffset == 0 &&
        m_wheelRemainder == 0) {
        scrollRows(qsizetype(-angle / 120) * QApplication::wheelScrollLines());
        e->accept();
        return;
    }
    if (!e->pixelDelta().isNull()) {
        m_wheelRemainder += -e->pixelDelta().y();
    } else if (angle != 0) {
        const QFontMetricsF metrics(font());
        m_wheelRemainder += -angle / 120.0 * QApplication::wheelScrollLines() * metrics.lineSpacing();
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

// ---- events, handed to the control ----

bool TextEditor::event(QEvent *e) {
    if (e->type() == QEvent::ShortcutOverride && m_control.shortcutOverride(static_cast<QKeyEvent *>(e))) {
        e->accept();
        return true;
    }
    return QAbstractScrollArea::event(e);
}

void TextEditor::keyPressEvent(QKeyEvent *e) {
    m_control.keyPressEvent(e);
}

void TextEditor::mousePressEvent(QMouseEvent *e) {
    m_control.mousePressEvent(e);
}

void TextEditor::mouseMoveEvent(QMouseEvent *e) {
    m_control.mouseMoveEvent(e);
}

void TextEditor::mouseReleaseEvent(QMouseEvent *e) {
    m_control.mouseReleaseEvent(e);
}

void TextEditor::mouseDoubleClickEvent(QMouseEvent *e) {
    m_control.mouseDoubleClickEvent(e);
}

void TextEditor::inputMethodEvent(QInputMethodEvent *e) {
    m_control.inputMethodEvent(e);
}

QVariant TextEditor::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (std::optional<QVariant> answer = m_control.inputMethodQuery(query))
        return *answer;
    return QAbstractScrollArea::inputMethodQuery(query);
}

void TextEditor::moveFocus(bool next) {
    QAbstractScrollArea::focusNextPrevChild(next);
}

void TextEditor::startDrag() {
    m_drag->startDrag();
}

bool TextEditor::focusNextPrevChild(bool next) {
    // Tab types into an editable box, unless it is set to move the focus.
    if (!tabChangesFocus() && !isReadOnly())
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

} // namespace rw
