#include "PieceLayout.h"

#include <algorithm>

namespace rw {

namespace {
constexpr qreal kTabStop = 80;
// Only what shows is laid out: past this many kept layouts, those far from the one asked for go and are
// laid out again when needed. Far enough that a walk over a tall view never drops a piece it stands on.
constexpr size_t kKeptPieces = 512;
constexpr qsizetype kKeptReach = 256;
} // namespace

qsizetype PieceLayout::RowView::end() const {
    return piece.start + std::min<qsizetype>(line.textStart() + line.textLength(), piece.length);
}

PieceLayout::PieceLayout(const TextDocument &document) : m_document(document) {}

void PieceLayout::setFont(const QFont &font) {
    m_font = font;
    dropAll();
}

void PieceLayout::setWidth(qreal width) {
    width = std::max<qreal>(1, width);
    if (width == m_width)
        return;
    m_width = width;
    dropAll();
}

void PieceLayout::setMarkFormat(int layer, MarkList::Kind kind, const QTextCharFormat &format) {
    if (size_t(layer) >= m_formats.size())
        m_formats.resize(size_t(layer) + 1);
    m_formats[size_t(layer)][kind == MarkList::Kind::Found ? 0 : 1] = format;
    dropAll();
}

void PieceLayout::setPreedit(qsizetype position, const QString &text,
                             const QList<QTextLayout::FormatRange> &formats) {
    if (text.isEmpty() && m_preedit.isEmpty())
        return;
    if (text == m_preedit && formats == m_preeditFormats && position == m_preeditAt)
        return;
    if (!m_preedit.isEmpty())
        dropAt(m_preeditAt);
    m_preedit = text;
    m_preeditFormats = text.isEmpty() ? QList<QTextLayout::FormatRange>() : formats;
    m_preeditAt = position;
    if (!m_preedit.isEmpty())
        dropAt(m_preeditAt);
}

void PieceLayout::dropAt(qsizetype position) {
    m_pieces.erase(unitAtPosition(std::clamp<qsizetype>(position, 0, store().size())));
}

void PieceLayout::dropAll() {
    m_pieces.clear();
}

void PieceLayout::changed(const TextChange &change) {
    if (m_unitsDirty || !m_preedit.isEmpty()) {
        // Units not counted yet, or a preedit whose place moved: nothing worth keeping is known.
        m_unitsDirty = m_unitsDirty || !unitsSurvive(change.position, change.added);
        dropAll();
        return;
    }
    // The lines before the change keep their units; those after it keep their layouts under other
    // numbers. The old numbers are worked out from the units still counted for the old text.
    const TextStore &s = store();
    const qsizetype firstLine = s.lineAt(change.position);
    const qsizetype lastLine = s.lineAt(change.position + change.added);
    const qsizetype oldLastLine = lastLine - (s.lineCount() - m_unitsLines);
    qsizetype keptBelow = unitOf(firstLine, 0);
    // In a line long before and after, the pieces before the one the change starts in keep their text:
    // each is cut at a fixed distance from the line's start.
    const auto old = std::lower_bound(m_long.begin(), m_long.end(), firstLine,
                                      [](const LongLine &l, qsizetype value) { return l.line < value; });
    if (old != m_long.end() && old->line == firstLine && s.lineLength(firstLine) > kWholeLine)
        keptBelow += (change.position - s.lineStart(firstLine)) / kPieceLength;
    const qsizetype oldAfter = oldLastLine + 1 < m_unitsLines ? unitOf(oldLastLine + 1, 0) : m_units;
    if (!unitsSurvive(change.position, change.added))
        m_unitsDirty = true;
    const qsizetype newAfter = lastLine + 1 < s.lineCount() ? unitOf(lastLine + 1, 0) : unitCount();
    const qsizetype shift = newAfter - oldAfter;
    const qsizetype delta = change.added - change.removed;
    std::unordered_map<qsizetype, Piece> kept;
    for (auto &[unit, p] : m_pieces) {
        if (unit < keptBelow) {
            kept.emplace(unit, std::move(p));
        } else if (unit >= oldAfter) {
            p.start += delta;
            kept.emplace(unit + shift, std::move(p));
        }
    }
    m_pieces.swap(kept);
}

void PieceLayout::marksChanged(qsizetype from, qsizetype to) {
    if (from <= 0 && to >= store().size()) {
        dropAll();
        return;
    }
    const qsizetype first = unitAtPosition(std::clamp<qsizetype>(from, 0, store().size()));
    const qsizetype last = unitAtPosition(std::clamp<qsizetype>(to, 0, store().size()));
    if (last - first > qsizetype(m_pieces.size())) {
        std::erase_if(m_pieces,
                      [&](const auto &entry) { return entry.first >= first && entry.first <= last; });
        return;
    }
    for (qsizetype unit = first; unit <= last; ++unit)
        m_pieces.erase(unit);
}

// ---- units ----

qsizetype PieceLayout::unitsOfLine(qsizetype line) const {
    const qsizetype length = store().lineLength(line);
    if (length <= kWholeLine)
        return 1;
    return (length + kPieceLength - 1) / kPieceLength;
}

void PieceLayout::ensureUnits() const {
    if (!m_unitsDirty)
        return;
    m_unitsDirty = false;
    m_long.clear();
    qsizetype extra = 0;
    const qsizetype lines = store().lineCount();
    // A long line is rare; finding them costs one pass over the line index.
    for (qsizetype line = 0; line < lines; ++line) {
        if (store().lineLength(line) <= kWholeLine)
            continue;
        const qsizetype units = unitsOfLine(line);
        m_long.push_back({line, units, extra});
        extra += units - 1;
    }
    m_units = lines + extra;
    m_unitsLines = lines;
}

bool PieceLayout::unitsSurvive(qsizetype position, qsizetype added) const {
    // Typing in a text of two million lines should not count them all again: the units hold while the
    // number of lines stays and no line the edit touches is long, now or before.
    constexpr qsizetype kLinesChecked = 64;
    if (m_unitsDirty || store().lineCount() != m_unitsLines)
        return false;
    const qsizetype first = store().lineAt(position);
    const qsizetype last = store().lineAt(position + added);
    if (last - first > kLinesChecked)
        return false;
    const auto it = std::lower_bound(m_long.begin(), m_long.end(), first,
                                     [](const LongLine &l, qsizetype value) { return l.line < value; });
    if (it != m_long.end() && it->line <= last)
        return false;
    for (qsizetype line = first; line <= last; ++line)
        if (store().lineLength(line) > kWholeLine)
            return false;
    return true;
}

qsizetype PieceLayout::unitCount() const {
    ensureUnits();
    return m_units;
}

qsizetype PieceLayout::unitOf(qsizetype line, qsizetype pieceIndex) const {
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

std::pair<qsizetype, qsizetype> PieceLayout::lineOfUnit(qsizetype unit) const {
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

qsizetype PieceLayout::unitAtPosition(qsizetype position) const {
    const qsizetype line = store().lineAt(position);
    const qsizetype length = store().lineLength(line);
    if (length <= kWholeLine)
        return unitOf(line, 0);
    const qsizetype column = position - store().lineStart(line);
    return unitOf(line, std::min(column / kPieceLength, unitsOfLine(line) - 1));
}

std::pair<qsizetype, qsizetype> PieceLayout::unitRange(qsizetype unit) const {
    const auto [line, index] = lineOfUnit(unit);
    const qsizetype start = store().lineStart(line);
    const qsizetype length = store().lineLength(line);
    if (length <= kWholeLine)
        return {start, length};
    const qsizetype from = index * kPieceLength;
    return {start + from, std::min(kPieceLength, length - from)};
}

// ---- pieces ----

bool PieceLayout::holdsPreedit(qsizetype unit) const {
    return !m_preedit.isEmpty() && unitAtPosition(m_preeditAt) == unit;
}

const PieceLayout::Piece &PieceLayout::piece(qsizetype unit) const {
    auto found = m_pieces.find(unit);
    if (found != m_pieces.end())
        return found->second;
    if (m_pieces.size() > kKeptPieces)
        std::erase_if(m_pieces, [&](const auto &entry) { return std::abs(entry.first - unit) > kKeptReach; });
    ++m_layoutsMade;
    Piece p;
    const auto [start, length] = unitRange(unit);
    p.start = start;
    p.length = length;
    const auto [line, index] = lineOfUnit(unit);
    p.layout = std::make_unique<QTextLayout>(store().lineText(line, start - store().lineStart(line), length),
                                             m_font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(kTabStop);
    p.layout->setTextOption(option);
    p.layout->setCacheEnabled(true);
    const bool preedit = holdsPreedit(unit);
    if (preedit)
        p.layout->setPreeditArea(int(m_preeditAt - start), m_preedit);
    // The marks are formats of the layout: they may change the font (a keyword hit's), and they cost
    // nothing per repaint, however many there are.
    QList<QTextLayout::FormatRange> formats;
    for (int i = 0; i < m_document.layerCount() && size_t(i) < m_formats.size(); ++i) {
        for (const MarkList::Mark &m : m_document.layer(i).overlapping(start, start + length)) {
            const qsizetype from = std::max(m.start, start);
            const qsizetype to = std::min(m.end(), start + length);
            if (to > from)
                formats.append({layoutPosition(p, unit, from),
                                layoutPosition(p, unit, to) - layoutPosition(p, unit, from),
                                m_formats[size_t(i)][m.kind == MarkList::Kind::Found ? 0 : 1]});
        }
    }
    if (preedit)
        for (const QTextLayout::FormatRange &f : m_preeditFormats)
            formats.append({int(m_preeditAt - start) + f.start, f.length, f.format});
    if (!formats.isEmpty())
        p.layout->setFormats(formats);
    qreal y = 0;
    p.layout->beginLayout();
    for (QTextLine l = p.layout->createLine(); l.isValid(); l = p.layout->createLine()) {
        l.setLineWidth(m_width);
        l.setPosition(QPointF(0, y));
        y += l.height();
    }
    p.layout->endLayout();
    p.height = y;
    return m_pieces.emplace(unit, std::move(p)).first->second;
}

int PieceLayout::layoutPosition(const Piece &p, qsizetype unit, qsizetype position) const {
    qsizetype at = position - p.start;
    if (position > m_preeditAt && holdsPreedit(unit))
        at += m_preedit.size();
    return int(at);
}

// ---- rows ----

TextRow PieceLayout::rowOf(qsizetype position, int preeditCaret) const {
    const qsizetype unit = unitAtPosition(position);
    const Piece &p = piece(unit);
    int local = int(position - p.start);
    if (position >= m_preeditAt && holdsPreedit(unit))
        local += position == m_preeditAt && preeditCaret >= 0 ? preeditCaret : int(m_preedit.size());
    const QTextLine line = p.layout->lineForTextPosition(local);
    return {unit, line.isValid() ? line.lineNumber() : std::max(0, p.layout->lineCount() - 1)};
}

TextRow PieceLayout::nextRow(TextRow row) const {
    if (row.line + 1 < piece(row.unit).layout->lineCount())
        return {row.unit, row.line + 1};
    if (row.unit + 1 < unitCount())
        return {row.unit + 1, 0};
    return row;
}

TextRow PieceLayout::previousRow(TextRow row) const {
    if (row.line > 0)
        return {row.unit, row.line - 1};
    if (row.unit > 0)
        return {row.unit - 1, std::max(0, piece(row.unit - 1).layout->lineCount() - 1)};
    return row;
}

qreal PieceLayout::rowHeight(TextRow row) const {
    return piece(row.unit).layout->lineAt(row.line).height();
}

TextRow PieceLayout::lastRow() const {
    const qsizetype last = unitCount() - 1;
    return {last, std::max(0, piece(last).layout->lineCount() - 1)};
}

qsizetype PieceLayout::positionInRow(TextRow row, qreal x) const {
    const Piece &p = piece(row.unit);
    const QTextLine line = p.layout->lineAt(row.line);
    qsizetype local = line.xToCursor(x);
    if (holdsPreedit(row.unit)) {
        const qsizetype at = m_preeditAt - p.start;
        if (local > at)
            local = std::max(at, local - m_preedit.size());
    }
    // A wrapped row ends before the space it broke at: a click past its end stays on this row.
    const qsizetype rowEnd = line.textStart() + line.textLength();
    if (row.line + 1 < p.layout->lineCount() && local >= rowEnd && local > line.textStart())
        local = rowEnd - 1;
    return p.start + std::clamp<qsizetype>(local, 0, p.length);
}

qreal PieceLayout::cursorX(TextRow row, qsizetype position, int preeditCaret) const {
    const Piece &p = piece(row.unit);
    int local = int(position - p.start);
    if (position >= m_preeditAt && holdsPreedit(row.unit))
        local += position == m_preeditAt ? preeditCaret : int(m_preedit.size());
    return p.layout->lineAt(row.line).cursorToX(local);
}

void PieceLayout::walk(TextRow top, qreal y, qreal bottom, const RowVisitor &visit) const {
    qreal pieceTop = y - piece(top.unit).layout->lineAt(top.line).y();
    for (qsizetype unit = top.unit; unit < unitCount() && pieceTop < bottom; ++unit) {
        const Piece &p = piece(unit);
        for (int i = unit == top.unit ? top.line : 0; i < p.layout->lineCount(); ++i) {
            const QTextLine line = p.layout->lineAt(i);
            const qreal rowTop = pieceTop + line.y();
            if (rowTop >= bottom)
                return;
            if (!visit(RowView{{unit, i}, p, line, rowTop}))
                return;
        }
        pieceTop += p.height;
    }
}

} // namespace rw
