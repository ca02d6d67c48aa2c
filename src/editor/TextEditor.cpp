#include "TextEditor.h"

#include "CursorMotion.h"
#include "editor/TextDrag.h"
#include "editor/TextEditorAccessible.h"

#include "core/tasks/TaskPool.h"

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
constexpr qreal kTabStop = 80;
// How much of the line around the cursor an input method is given as surrounding text.
constexpr qsizetype kSurroundingReach = 1024;
// A merged undo step (typing, Backspaces, Deletes) takes no more once it holds this many characters, so
// that merging stays cheap per key.
constexpr qsizetype kMergedStep = 4096;
} // namespace

TextEditor::TextEditor(QWidget *parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setSingleStep(1);
    updateScrollBar();
    serveAccessibility(this);
    new TextDrag(this);
}

TextEditor::~TextEditor() = default;

// ---- content ----

QString TextEditor::toPlainText() const {
    return m_store.toPlain();
}

void TextEditor::setPlainText(const QString &text) {
    setStore(TextStore(text)); // shared: a text with "\r" is copied once
}

void TextEditor::setStore(TextStore store) {
    const qsizetype removed = m_store.size();
    const bool hadUndo = !m_undo.empty(), hadRedo = !m_redo.empty();
    // The old text, its history and its marks go on a worker.
    freeInBackground(std::exchange(m_store, std::move(store)));
    freeInBackground(std::exchange(m_undo, {}));
    freeInBackground(std::exchange(m_redo, {}));
    m_top = {};
    const qsizetype oldCursor = m_cursor, oldAnchor = m_anchor;
    m_cursor = m_anchor = 0;
    m_unitsDirty = true;
    // No mark outlives the text it was on: dropped whole rather than followed through the edit one by one.
    for (Layer &layer : m_layers)
        freeInBackground(std::exchange(layer.marks, MarkList()));
    applied(0, removed, m_store.size());
    if (hadUndo)
        emit undoAvailable(false);
    if (hadRedo)
        emit redoAvailable(false);
    cursorChanged(oldCursor, oldAnchor, false);
    emit textReplaced();
}

QString TextEditor::selectedText() const {
    return m_store.mid(selectionStart(), selectionEnd() - selectionStart());
}

// ---- cursor and selection ----

void TextEditor::setCursorPosition(qsizetype position, bool keepAnchor) {
    moveCursor(position, keepAnchor);
}

void TextEditor::setSelection(qsizetype anchor, qsizetype position) {
    const qsizetype oldCursor = m_cursor, oldAnchor = m_anchor;
    m_anchor = std::clamp<qsizetype>(anchor, 0, m_store.size());
    m_cursor = std::clamp<qsizetype>(position, 0, m_store.size());
    cursorChanged(oldCursor, oldAnchor, false);
}

void TextEditor::selectAll() {
    setSelection(0, m_store.size());
}

void TextEditor::moveCursor(qsizetype position, bool keepAnchor, bool keepX) {
    const qsizetype oldCursor = m_cursor, oldAnchor = m_anchor;
    m_cursor = std::clamp<qsizetype>(position, 0, m_store.size());
    if (!keepAnchor)
        m_anchor = m_cursor;
    cursorChanged(oldCursor, oldAnchor, keepX);
}

void TextEditor::cursorChanged(qsizetype oldCursor, qsizetype oldAnchor, bool keepX) {
    if (!keepX)
        m_desiredX = -1;
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

void TextEditor::ensureCursorVisible() {
    const Row row = rowOf(m_cursor);
    qreal y = 0;
    if (row < m_top) {
        setTop(row);
        return;
    }
    if (rowInView(row, &y))
        return;
    // Below the view: put the row on the bottom line, walking back up a viewport's height.
    const qreal height = viewport()->height() - 2 * kMargin;
    Row top = row;
    qreal used = piece(row.unit).layout->lineAt(row.line).height();
    for (;;) {
        const Row above = previousRow(top);
        if (above == top)
            break;
        const qreal h = piece(above.unit).layout->lineAt(above.line).height();
        if (used + h > height)
            break;
        used += h;
        top = above;
    }
    setTop(top);
}

// Whether row is wholly in view; y gets its top in viewport coordinates.
bool TextEditor::rowInView(Row row, qreal *y) const {
    if (row < m_top)
        return false;
    const qreal bottom = viewport()->height() - kMargin;
    qreal top = kMargin - piece(m_top.unit).layout->lineAt(m_top.line).y();
    for (qsizetype unit = m_top.unit; unit < unitCount() && top < bottom; ++unit) {
        const Piece &p = piece(unit);
        if (unit == row.unit) {
            const QTextLine line = p.layout->lineAt(row.line);
            *y = top + line.y();
            return *y + line.height() <= bottom + 0.5;
        }
        top += p.height;
    }
    return false;
}

// ---- units and pieces ----

namespace {
// Up to this many pieces the scroll bar counts rows rather than pieces.
constexpr qsizetype kRowScrollingPieces = 4;
} // namespace

qsizetype TextEditor::unitsOfLine(qsizetype line) const {
    const qsizetype length = m_store.lineLength(line);
    if (length <= kWholeLine)
        return 1;
    return (length + kPieceLength - 1) / kPieceLength;
}

void TextEditor::ensureUnits() const {
    if (!m_unitsDirty)
        return;
    m_unitsDirty = false;
    m_long.clear();
    qsizetype extra = 0;
    const qsizetype lines = m_store.lineCount();
    // A long line is rare; finding them costs one pass over the line index.
    for (qsizetype line = 0; line < lines; ++line) {
        if (m_store.lineLength(line) <= kWholeLine)
            continue;
        const qsizetype units = unitsOfLine(line);
        m_long.push_back({line, units, extra});
        extra += units - 1;
    }
    m_units = lines + extra;
    m_unitsLines = lines;
}

bool TextEditor::unitsSurvive(qsizetype position, qsizetype added) const {
    // Typing in a text of two million lines should not count them all again: the units hold while the
    // number of lines stays and no line the edit touches is long, now or before.
    constexpr qsizetype kLinesChecked = 64;
    if (m_unitsDirty || m_store.lineCount() != m_unitsLines)
        return false;
    const qsizetype first = m_store.lineAt(position);
    const qsizetype last = m_store.lineAt(position + added);
    if (last - first > kLinesChecked)
        return false;
    const auto it = std::lower_bound(m_long.begin(), m_long.end(), first,
                                     [](const LongLine &l, qsizetype value) { return l.line < value; });
    if (it != m_long.end() && it->line <= last)
        return false;
    for (qsizetype line = first; line <= last; ++line)
        if (m_store.lineLength(line) > kWholeLine)
            return false;
    return true;
}

qsizetype TextEditor::unitCount() const {
    ensureUnits();
    return m_units;
}

qsizetype TextEditor::unitOf(qsizetype line, qsizetype pieceIndex) const {
    ensureUnits();
    auto it = std::lower_bound(m_long.begin(), m_long.end(), line,
                               [](const LongLine &l, qsizetype value) { return l.line < value; });
    qsizetype extra = 0;
    if (it != m_long.begin()) {
        const LongLine &before = *std::prev(it);
        extra = before.extraBefore + before.units - 1;
    }
    return line + extra + pieceIndex;
}

std::pair<qsizetype, qsizetype> TextEditor::lineOfUnit(qsizetype unit) const {
    ensureUnits();
    // The last long line starting at or before unit.
    auto it = std::upper_bound(m_long.begin(), m_long.end(), unit, [](qsizetype value, const LongLine &l) {
        return value < l.line + l.extraBefore;
    });
    if (it == m_long.begin())
        return {unit, 0};
    const LongLine &l = *std::prev(it);
    const qsizetype first = l.line + l.extraBefore;
    if (unit < first + l.units)
        return {l.line, unit - first};
    return {l.line + 1 + (unit - first - l.units), 0};
}

qsizetype TextEditor::unitAtPosition(qsizetype position) const {
    const qsizetype line = m_store.lineAt(position);
    const qsizetype length = m_store.lineLength(line);
    if (length <= kWholeLine)
        return unitOf(line, 0);
    const qsizetype column = position - m_store.lineStart(line);
    return unitOf(line, std::min(column / kPieceLength, unitsOfLine(line) - 1));
}

std::pair<qsizetype, qsizetype> TextEditor::unitRange(qsizetype unit) const {
    const auto [line, index] = lineOfUnit(unit);
    const qsizetype start = m_store.lineStart(line);
    const qsizetype length = m_store.lineLength(line);
    if (length <= kWholeLine)
        return {start, length};
    const qsizetype from = index * kPieceLength;
    return {start + from, std::min(kPieceLength, length - from)};
}

qreal TextEditor::layoutWidth() const {
    return std::max<qreal>(1, viewport()->width() - 2 * kMargin);
}

TextEditor::Piece &TextEditor::piece(qsizetype unit) const {
    auto found = m_pieces.find(unit);
    if (found != m_pieces.end())
        return found->second;
    // Only what shows is laid out: a few screens' worth is kept, the rest laid out again when needed.
    if (m_pieces.size() > 512)
        m_pieces.clear();
    Piece p;
    const auto [start, length] = unitRange(unit);
    p.start = start;
    p.length = length;
    const auto [line, index] = lineOfUnit(unit);
    p.layout = std::make_unique<QTextLayout>(m_store.lineText(line, start - m_store.lineStart(line), length),
                                             font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(kTabStop);
    p.layout->setTextOption(option);
    p.layout->setCacheEnabled(true);
    if (!m_preedit.isEmpty() && m_cursor >= start && m_cursor <= start + length &&
        unitAtPosition(m_cursor) == unit)
        p.layout->setPreeditArea(int(m_cursor - start), m_preedit);
    // Drawn as formats of the layout, the marks cost nothing per repaint, however many there are.
    QList<QTextLayout::FormatRange> marks;
    for (const Layer &layer : m_layers) {
        for (const MarkList::Mark &m : layer.marks.overlapping(start, start + length)) {
            const qsizetype from = std::max(m.start, start);
            const qsizetype to = std::min(m.end(), start + length);
            if (to > from)
                marks.append({layoutPosition(unit, p, from),
                              layoutPosition(unit, p, to) - layoutPosition(unit, p, from),
                              layer.formats[m.kind == MarkList::Kind::Found ? 0 : 1]});
        }
    }
    if (!m_preedit.isEmpty() && m_cursor >= start && m_cursor <= start + length &&
        unitAtPosition(m_cursor) == unit)
        for (const QTextLayout::FormatRange &f : m_preeditFormats)
            marks.append({int(m_cursor - start) + f.start, f.length, f.format});
    if (!marks.isEmpty())
        p.layout->setFormats(marks);
    const qreal width = layoutWidth();
    qreal y = 0;
    p.layout->beginLayout();
    for (QTextLine l = p.layout->createLine(); l.isValid(); l = p.layout->createLine()) {
        l.setLineWidth(width);
        l.setPosition(QPointF(0, y));
        y += l.height();
    }
    p.layout->endLayout();
    p.height = y;
    return m_pieces.emplace(unit, std::move(p)).first->second;
}

int TextEditor::layoutPosition(qsizetype unit, const Piece &p, qsizetype position) const {
    qsizetype at = position - p.start;
    if (!m_preedit.isEmpty() && position > m_cursor && unitAtPosition(m_cursor) == unit)
        at += m_preedit.size();
    return int(at);
}

void TextEditor::dropLayouts() {
    m_pieces.clear();
}

void TextEditor::keepTopInPiece() {
    // Laid out again (other marks, a preedit, an edit), the top piece may have fewer rows than before.
    const int rows = piece(m_top.unit).layout->lineCount();
    if (m_top.line >= rows)
        m_top.line = std::max(0, rows - 1);
}

// ---- rows ----

TextEditor::Row TextEditor::rowOf(qsizetype position) const {
    const qsizetype unit = unitAtPosition(position);
    const Piece &p = piece(unit);
    int local = int(position - p.start);
    if (!m_preedit.isEmpty() && position >= m_cursor && unitAtPosition(m_cursor) == unit)
        local += int(m_preedit.size());
    const QTextLine line = p.layout->lineForTextPosition(local);
    return {unit, line.isValid() ? line.lineNumber() : std::max(0, p.layout->lineCount() - 1)};
}

TextEditor::Row TextEditor::nextRow(Row row) const {
    if (row.line + 1 < piece(row.unit).layout->lineCount())
        return {row.unit, row.line + 1};
    if (row.unit + 1 < unitCount())
        return {row.unit + 1, 0};
    return row;
}

TextEditor::Row TextEditor::previousRow(Row row) const {
    if (row.line > 0)
        return {row.unit, row.line - 1};
    if (row.unit > 0)
        return {row.unit - 1, std::max(0, piece(row.unit - 1).layout->lineCount() - 1)};
    return row;
}

// The top row that shows the last row at the bottom of the view.
TextEditor::Row TextEditor::endTop() const {
    const qreal height = viewport()->height() - 2 * kMargin;
    const qsizetype last = unitCount() - 1;
    Row top{last, std::max(0, piece(last).layout->lineCount() - 1)};
    qreal used = piece(top.unit).layout->lineAt(top.line).height();
    for (;;) {
        const Row above = previousRow(top);
        if (above == top)
            break;
        const qreal h = piece(above.unit).layout->lineAt(above.line).height();
        if (used + h > height + 0.5)
            break;
        used += h;
        top = above;
    }
    return top;
}

qsizetype TextEditor::positionInRow(Row row, qreal x) const {
    const Piece &p = piece(row.unit);
    const QTextLine line = p.layout->lineAt(row.line);
    qsizetype local = line.xToCursor(x);
    if (!m_preedit.isEmpty() && unitAtPosition(m_cursor) == row.unit) {
        const qsizetype at = m_cursor - p.start;
        if (local > at)
            local = std::max(at, local - m_preedit.size());
    }
    // A wrapped row ends before the space it broke at: a click past its end stays on this row.
    const qsizetype rowEnd = line.textStart() + line.textLength();
    if (row.line + 1 < p.layout->lineCount() && local >= rowEnd && local > line.textStart())
        local = rowEnd - 1;
    return p.start + std::clamp<qsizetype>(local, 0, p.length);
}

void TextEditor::setTop(Row row) {
    const Row end = endTop();
    if (end < row)
        row = end;
    if (row == m_top)
        return;
    m_top = row;
    m_settingScrollBar = true;
    verticalScrollBar()->setValue(scrollValue(row));
    m_settingScrollBar = false;
    viewport()->update();
    emit viewChanged();
}

bool TextEditor::rowScrolling() const {
    // A short text (one wrapped line taller than the view, say) scrolls by rows: its few pieces are laid
    // out anyway. A long one scrolls by pieces, so that nothing off screen is laid out to count rows.
    return unitCount() <= kRowScrollingPieces;
}

int TextEditor::scrollValue(Row row) const {
    if (!rowScrolling())
        return int(std::min<qsizetype>(row.unit, INT_MAX));
    int value = row.line;
    for (qsizetype unit = 0; unit < row.unit; ++unit)
        value += piece(unit).layout->lineCount();
    return value;
}

TextEditor::Row TextEditor::rowAtScrollValue(int value) const {
    if (!rowScrolling())
        return {value, 0};
    for (qsizetype unit = 0; unit < unitCount(); ++unit) {
        const int rows = std::max(1, piece(unit).layout->lineCount());
        if (value < rows)
            return {unit, value};
        value -= rows;
    }
    return endTop();
}

void TextEditor::scrollRows(qsizetype rows) {
    Row row = m_top;
    for (; rows > 0; --rows)
        row = nextRow(row);
    for (; rows < 0; ++rows)
        row = previousRow(row);
    setTop(row);
}

void TextEditor::updateScrollBar() {
    QScrollBar *bar = verticalScrollBar();
    m_settingScrollBar = true;
    const qsizetype max = endTop().unit;
    bar->setRange(0, rowScrolling() ? scrollValue(endTop()) : int(std::min<qsizetype>(max, INT_MAX)));
    const QFontMetricsF metrics(font());
    bar->setPageStep(std::max(1, int((viewport()->height() - 2 * kMargin) / metrics.lineSpacing())));
    bar->setValue(scrollValue(m_top));
    m_settingScrollBar = false;
    if (endTop() < m_top)
        setTop(endTop());
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
    viewport()->update();
    emit viewChanged();
}

std::pair<qsizetype, qsizetype> TextEditor::visibleRange() const {
    const qsizetype first =
        piece(m_top.unit).start + piece(m_top.unit).layout->lineAt(m_top.line).textStart();
    const qreal bottom = viewport()->height() - kMargin;
    qreal top = kMargin - piece(m_top.unit).layout->lineAt(m_top.line).y();
    qsizetype last = first;
    for (qsizetype unit = m_top.unit; unit < unitCount() && top < bottom; ++unit) {
        const Piece &p = piece(unit);
        for (int i = 0; i < p.layout->lineCount(); ++i) {
            const QTextLine line = p.layout->lineAt(i);
            if (top + line.y() >= bottom)
                break;
            last = p.start + std::min<qsizetype>(line.textStart() + line.textLength(), p.length);
        }
        top += p.height;
    }
    return {first, last};
}

qsizetype TextEditor::positionAt(const QPoint &point) const {
    const qreal x = point.x() - kMargin;
    qreal top = kMargin - piece(m_top.unit).layout->lineAt(m_top.line).y();
    if (point.y() < kMargin)
        return positionInRow(m_top, x);
    Row last = m_top;
    for (qsizetype unit = m_top.unit; unit < unitCount(); ++unit) {
        const Piece &p = piece(unit);
        for (int i = unit == m_top.unit ? m_top.line : 0; i < p.layout->lineCount(); ++i) {
            const QTextLine line = p.layout->lineAt(i);
            last = {unit, i};
            if (point.y() < top + line.y() + line.height())
                return positionInRow(last, x);
        }
        top += p.height;
        if (top > viewport()->height() + p.height)
            break;
    }
    return positionInRow(last, x);
}

QRect TextEditor::cursorRect(qsizetype position) const {
    position = std::clamp<qsizetype>(position, 0, m_store.size());
    const Row row = rowOf(position);
    qreal y = 0;
    if (row < m_top || !rowInView(row, &y)) {
        // Partly in view still counts: look for the row's top again without the bottom check.
        if (row < m_top)
            return {};
        qreal top = kMargin - piece(m_top.unit).layout->lineAt(m_top.line).y();
        bool found = false;
        for (qsizetype unit = m_top.unit; unit <= row.unit && top < viewport()->height(); ++unit) {
            if (unit == row.unit) {
                y = top + piece(unit).layout->lineAt(row.line).y();
                found = y < viewport()->height();
            }
            top += piece(unit).height;
        }
        if (!found)
            return {};
    }
    const Piece &p = piece(row.unit);
    const QTextLine line = p.layout->lineAt(row.line);
    int local = int(position - p.start);
    if (!m_preedit.isEmpty() && position >= m_cursor && unitAtPosition(m_cursor) == row.unit)
        local += position == m_cursor ? preeditCaret() : int(m_preedit.size());
    const qreal x = line.cursorToX(local) + kMargin;
    return QRect(int(x), int(y), 1, int(line.height() + 0.5));
}

void TextEditor::scrollToTop(qsizetype position) {
    setTop(rowOf(std::clamp<qsizetype>(position, 0, m_store.size())));
}

// ---- painting ----

void TextEditor::paintEvent(QPaintEvent *event) {
    QPainter painter(viewport());
    const QRect clip = event->rect();
    const QPalette pal = palette();
    QTextCharFormat selection;
    selection.setBackground(pal.brush(QPalette::Highlight));
    selection.setForeground(pal.brush(QPalette::HighlightedText));
    painter.setPen(pal.color(QPalette::Text));
    const qreal bottom = viewport()->height();
    if (m_store.size() == 0 && m_preedit.isEmpty() && !m_placeholder.isEmpty()) {
        QColor faded = pal.color(QPalette::Text);
        faded.setAlpha(128);
        painter.setPen(faded);
        painter.drawText(viewport()->rect().adjusted(int(kMargin), int(kMargin), -int(kMargin), 0),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_placeholder);
        painter.setPen(pal.color(QPalette::Text));
    }
    qreal top = kMargin - piece(m_top.unit).layout->lineAt(m_top.line).y();
    for (qsizetype unit = m_top.unit; unit < unitCount() && top < bottom; ++unit) {
        const Piece &p = piece(unit);
        const qsizetype end = p.start + p.length;
        // The marks are the layout's own formats; only the selection is drawn over it.
        QList<QTextLayout::FormatRange> ranges;
        const auto local = [&](qsizetype position) { return layoutPosition(unit, p, position); };
        if (hasSelection() && selectionStart() < end && selectionEnd() > p.start) {
            const qsizetype from = std::max(selectionStart(), p.start);
            const qsizetype to = std::min(selectionEnd(), end);
            if (to > from)
                ranges.append({local(from), local(to) - local(from), selection});
        }
        if (top + p.height >= clip.top())
            p.layout->draw(&painter, QPointF(kMargin, top), ranges, clip);
        if (cursorShown() && unitAtPosition(m_cursor) == unit && (m_preedit.isEmpty() || m_preeditCursorShown))
            p.layout->drawCursor(&painter, QPointF(kMargin, top), local(m_cursor) + preeditCaret(), 1);
        top += p.height;
    }
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
    dropLayouts();
    // Rows are laid out again at the new width: the view starts at the top piece's first row.
    m_top = {m_top.unit, 0};
    updateScrollBar();
    emit viewChanged();
}

void TextEditor::changeEvent(QEvent *event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        dropLayouts();
        m_top.line = 0;
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
    position = std::clamp<qsizetype>(position, 0, m_store.size());
    length = std::clamp<qsizetype>(length, 0, m_store.size() - position);
    edit(position, length, TextPiece(text), false);
}

void TextEditor::edit(qsizetype position, qsizetype length, const TextPiece &text, bool typing, EditKind kind) {
    if (length == 0 && text.isEmpty())
        return;
    Edit e;
    e.position = position;
    e.cursorBefore = m_cursor;
    e.anchorBefore = m_anchor;
    // Typing over a selection, or a line break, is a step of its own (that later typing may join).
    e.kind = typing && length == 0 && !text.toString().contains(u'\n') ? EditKind::Typing : kind;
    e.removed = m_store.replace(position, length, text);
    e.inserted = text;
    if (!mergeIntoLastStep(e)) {
        const bool had = !m_undo.empty();
        m_undo.push_back(std::move(e));
        if (!had)
            emit undoAvailable(true);
    }
    if (!m_redo.empty()) {
        m_redo.clear();
        emit redoAvailable(false);
    }
    const qsizetype oldCursor = m_cursor, oldAnchor = m_anchor;
    m_cursor = m_anchor = position + text.size();
    applied(position, length, text.size());
    cursorChanged(oldCursor, oldAnchor, false);
}

bool TextEditor::mergeIntoLastStep(const Edit &e) {
    // Undo steps group as a text document groups them. A typed character (no selection, no line break)
    // joins the step before when that step's text ends where it goes in: a run of typing, and typing
    // right after a paste, an input-method commit or typing over a selection. Backspaces and Deletes
    // without a selection join a run of such removals. Everything else (line breaks, pastes, commits,
    // selections removed or typed over, word deletions) starts a step of its own. A merged step takes
    // no more once it holds kMergedStep characters, so merging stays cheap per key.
    if (m_undo.empty() || e.kind == EditKind::Block)
        return false;
    Edit &last = m_undo.back();
    if (!last.mergeable || last.inserted.size() + last.removed.size() > kMergedStep)
        return false;
    if (e.kind == EditKind::Typing) {
        if (last.inserted.isEmpty() || last.position + last.inserted.size() != e.position)
            return false;
        // Typing never joins a step that broke a line.
        const QString before = last.inserted.toString();
        if (before.contains(u'\n'))
            return false;
        last.inserted = TextPiece(before + e.inserted.toString());
        return true;
    }
    // Removals join only a run in the same direction: a Delete and a Backspace around a freshly typed
    // character stay two steps in a text document too.
    if (last.kind != e.kind)
        return false;
    if (e.kind == EditKind::Backspace && e.position + e.removed.size() == last.position) {
        last.removed = TextPiece(e.removed.toString() + last.removed.toString());
        last.position = e.position;
        return true;
    }
    if (e.kind == EditKind::Delete && e.position == last.position) {
        last.removed = TextPiece(last.removed.toString() + e.removed.toString());
        return true;
    }
    return false;
}

void TextEditor::applied(qsizetype position, qsizetype removed, qsizetype added) {
    ++m_revision;
    if (!unitsSurvive(position, added))
        m_unitsDirty = true;
    dropLayouts();
    for (Layer &layer : m_layers)
        layer.marks.adjust(position, removed, added);
    if (m_top.unit >= unitCount())
        m_top = {unitCount() - 1, 0};
    keepTopInPiece();
    updateScrollBar();
    viewport()->update();
    emit contentsChange(position, removed, added);
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
    if (m_readOnly)
        return;
    std::vector<Edit> &from = back ? m_undo : m_redo;
    std::vector<Edit> &to = back ? m_redo : m_undo;
    if (from.empty())
        return;
    Edit e = std::move(from.back());
    from.pop_back();
    // Undoing puts the removed text back over the inserted one, redoing does the edit again; either way
    // the caret goes after the text that came in, without a selection, as in QPlainTextEdit.
    const TextPiece &out = back ? e.inserted : e.removed;
    const TextPiece &in = back ? e.removed : e.inserted;
    m_store.replace(e.position, out.size(), in);
    const qsizetype oldCursor = m_cursor, oldAnchor = m_anchor;
    m_cursor = m_anchor = e.position + in.size();
    applied(e.position, out.size(), in.size());
    // Neither the step that came back nor the one now below it takes more typing.
    e.mergeable = false;
    if (!m_undo.empty())
        m_undo.back().mergeable = false;
    const bool toWasEmpty = to.empty();
    to.push_back(std::move(e));
    if (from.empty())
        emit back ? undoAvailable(false) : redoAvailable(false);
    if (toWasEmpty)
        emit back ? redoAvailable(true) : undoAvailable(true);
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
    if (size_t(layer) >= m_layers.size())
        m_layers.resize(size_t(layer) + 1);
    return m_layers[size_t(layer)].marks;
}

void TextEditor::setMarkFormat(int layer, MarkList::Kind kind, const QTextCharFormat &format) {
    marks(layer);
    m_layers[size_t(layer)].formats[kind == MarkList::Kind::Found ? 0 : 1] = format;
    marksChanged();
}

void TextEditor::marksChanged() {
    // The marks are formats of the layouts: the pieces in view are laid out again.
    dropLayouts();
    keepTopInPiece();
    viewport()->update();
}

void TextEditor::visitRows(qsizetype from, qsizetype to, const RowVisit &visit) const {
    const qreal bottom = viewport()->height();
    qreal top = kMargin - piece(m_top.unit).layout->lineAt(m_top.line).y();
    for (qsizetype unit = m_top.unit; unit < unitCount() && top < bottom; ++unit) {
        const Piece &p = piece(unit);
        const qsizetype end = p.start + p.length;
        if (p.start > to || end < from || (end == from && from != to)) {
            top += p.height;
            continue;
        }
        for (int i = unit == m_top.unit ? m_top.line : 0; i < p.layout->lineCount(); ++i) {
            const QTextLine line = p.layout->lineAt(i);
            const qreal y = top + line.y();
            if (y >= bottom)
                return;
            const qsizetype rowStart = p.start + line.textStart();
            const bool lastRow = i + 1 == p.layout->lineCount();
            const qsizetype rowEnd =
                p.start + std::min<qsizetype>(line.textStart() + line.textLength(), p.length);
            QRectF rect;
            qsizetype a = 0, b = 0;
            if (from == to) {
                if (from < rowStart || from > rowEnd || (from == rowEnd && !lastRow))
                    continue;
                a = b = from;
                const qreal x = line.cursorToX(int(from - p.start));
                rect = QRectF(kMargin + x, y, 0, line.height());
            } else {
                a = std::max(from, rowStart);
                b = std::min(to, rowEnd);
                if (b <= a)
                    continue;
                const qreal x1 = line.cursorToX(int(a - p.start));
                const qreal x2 = line.cursorToX(int(b - p.start));
                rect = QRectF(kMargin + std::min(x1, x2), y, std::abs(x2 - x1), line.height());
            }
            if (!visit(a, b, rect))
                return;
        }
        top += p.height;
    }
}

// ---- keyboard ----

LineMotion TextEditor::lineMotion(qsizetype line) const {
    const qsizetype start = m_store.lineStart(line);
    return LineMotion(m_store.lineLength(line),
                      [this, start](qsizetype from, qsizetype to) { return m_store.mid(start + from, to - from); });
}

// Each motion works inside the line; across a line break it is one step, as in QPlainTextEdit.
template <typename Motion> qsizetype TextEditor::forward(qsizetype position, Motion motion) const {
    if (position >= m_store.size())
        return m_store.size();
    const qsizetype line = m_store.lineAt(position);
    const qsizetype start = m_store.lineStart(line);
    if (position - start >= m_store.lineLength(line))
        return position + 1;
    return start + motion(lineMotion(line), position - start);
}

template <typename Motion> qsizetype TextEditor::backward(qsizetype position, Motion motion) const {
    if (position <= 0)
        return 0;
    const qsizetype line = m_store.lineAt(position);
    const qsizetype start = m_store.lineStart(line);
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
    const qsizetype line = m_store.lineAt(position);
    return m_store.lineText(line, 0, std::min<qsizetype>(m_store.lineLength(line), 4096)).isRightToLeft();
}

qsizetype TextEditor::visualStep(qsizetype position, bool left) const {
    // As QPlainTextEdit moves: left is back and right is on in a left-to-right line, the other way round
    // in a right-to-left one.
    return left != lineIsRightToLeft(position) ? previousCharacter(position) : nextCharacter(position);
}

qsizetype TextEditor::snapToCharacter(qsizetype position, bool forwards) const {
    position = std::clamp<qsizetype>(position, 0, m_store.size());
    const qsizetype line = m_store.lineAt(position);
    const qsizetype start = m_store.lineStart(line);
    const LineMotion motion = lineMotion(line);
    const qsizetype back = motion.snapBack(position - start);
    if (back == position - start || !forwards)
        return start + back;
    return start + motion.nextCharacter(back);
}

std::pair<qsizetype, qsizetype> TextEditor::wordAt(qsizetype position) const {
    const qsizetype line = m_store.lineAt(position);
    const qsizetype start = m_store.lineStart(line);
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
        Row row = rowOf(m_cursor);
        if (m_desiredX < 0) {
            const Piece &p = piece(row.unit);
            m_desiredX = p.layout->lineAt(row.line).cursorToX(int(m_cursor - p.start));
        }
        const qreal x = m_desiredX;
        const Row from = row;
        const bool oneRow = rows == 1 || rows == -1;
        for (; rows > 0; --rows)
            row = nextRow(row);
        for (; rows < 0; ++rows)
            row = previousRow(row);
        // Up on the first row or Down on the last changes nothing, the selection included.
        if (oneRow && row == from)
            return;
        move(positionInRow(row, x), true);
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
        move(m_store.size());
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
    } else if (e == QKeySequence::SelectPreviousLine && rowOf(m_cursor) == Row{}) {
        // On the first row, Shift+Up selects to the start, as QPlainTextEdit does.
        move(0);
    } else if (e == QKeySequence::SelectNextLine && nextRow(rowOf(m_cursor)) == rowOf(m_cursor)) {
        move(m_store.size());
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
        const Row row = rowOf(m_cursor);
        const Piece &p = piece(row.unit);
        // A piece of a long line may start inside a character: the caret never does.
        move(snapToCharacter(p.start + p.layout->lineAt(row.line).textStart(), true));
    } else if (e == QKeySequence::MoveToEndOfLine || e == QKeySequence::SelectEndOfLine ||
               e == QKeySequence::MoveToEndOfBlock || e == QKeySequence::SelectEndOfBlock) {
        const Row row = rowOf(m_cursor);
        const Piece &p = piece(row.unit);
        const QTextLine line = p.layout->lineAt(row.line);
        qsizetype end = std::min<qsizetype>(line.textStart() + line.textLength(), p.length);
        // A row wrapped at a space ends before that space, as on screen and in QPlainTextEdit; a row
        // wrapped inside a word ends after its last character.
        if (row.line + 1 < p.layout->lineCount() && end > line.textStart() &&
            m_store.at(p.start + end - 1).isSpace())
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
            else if (m_cursor < m_store.size())
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
                m_overwrite && length == 0 && m_cursor < m_store.size() && m_store.at(m_cursor) != u'\n';
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
        const qsizetype line = m_store.lineAt(positionAt(m_dragPoint));
        const qsizetype start = m_store.lineStart(line);
        setSelection(start, std::min(m_store.size(), start + m_store.lineLength(line) + 1));
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
    // Touchpads and high-resolution wheels send small steps: they add up to a row, so that a slow
    // gesture moves slowly instead of a whole row a step.
    const QFontMetricsF metrics(font());
    if (!e->pixelDelta().isNull()) {
        m_wheelRemainder += -e->pixelDelta().y() / metrics.lineSpacing();
    } else if (e->angleDelta().y() != 0) {
        m_wheelRemainder += -e->angleDelta().y() / 120.0 * QApplication::wheelScrollLines();
    } else {
        e->ignore();
        return;
    }
    const qsizetype rows = qsizetype(m_wheelRemainder); // towards zero: the rest waits for more
    m_wheelRemainder -= qreal(rows);
    if (rows != 0)
        scrollRows(rows);
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
    if (m_store.size() == 0)
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
        const qsizetype sizeAfter = m_store.size() - removed;
        const qsizetype from = std::clamp<qsizetype>(s + e->replacementStart(), 0, sizeAfter);
        const qsizetype to = std::clamp<qsizetype>(from + e->replacementLength(), from, sizeAfter);
        // The two changes as one range of the text as it is now.
        const auto before = [&](qsizetype p) { return p <= s ? p : p + removed; };
        const qsizetype lo = std::min(s, before(from));
        const qsizetype hi = std::max(s + removed, to < s ? to : to + removed);
        const QString kept = m_store.mid(lo, s - lo) + m_store.mid(s + removed, hi - s - removed);
        // A range that would split a surrogate pair takes the whole pair.
        const qsizetype cut = from - lo - (from > lo && from - lo < kept.size() && kept.at(from - lo).isLowSurrogate() &&
                                           kept.at(from - lo - 1).isHighSurrogate());
        const qsizetype rest = to - lo + (to - lo < kept.size() && to > lo && kept.at(to - lo).isLowSurrogate() &&
                                          kept.at(to - lo - 1).isHighSurrogate());
        const QString text = kept.left(cut) + e->commitString() + kept.mid(rest);
        m_preedit.clear();
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
        const qsizetype lineStart = m_store.lineStart(m_store.lineAt(m_cursor));
        const qsizetype anchor = std::clamp<qsizetype>(lineStart + a.start, 0, m_store.size());
        setSelection(snapToCharacter(anchor, false),
                     snapToCharacter(std::clamp<qsizetype>(anchor + a.length, 0, m_store.size()), true));
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
        dropLayouts();
        keepTopInPiece();
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
        const qsizetype line = m_store.lineAt(m_cursor);
        return qlonglong(std::min<qsizetype>(m_cursor - m_store.lineStart(line), kSurroundingReach));
    }
    case Qt::ImAnchorPosition: {
        const qsizetype line = m_store.lineAt(m_cursor);
        const qsizetype start = std::max(m_store.lineStart(line), m_cursor - kSurroundingReach);
        return qlonglong(std::clamp<qsizetype>(m_anchor - start, 0, (2 * kSurroundingReach)));
    }
    case Qt::ImSurroundingText: {
        const qsizetype line = m_store.lineAt(m_cursor);
        const qsizetype lineStart = m_store.lineStart(line);
        const qsizetype start = std::max(lineStart, m_cursor - kSurroundingReach);
        const qsizetype end = std::min(lineStart + m_store.lineLength(line), m_cursor + kSurroundingReach);
        return m_store.mid(start, end - start);
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
