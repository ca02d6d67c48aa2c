#include "TextRenderer.h"

#include <QPainter>
#include <QTextCharFormat>

namespace rw {

namespace {
// How wide a bar mark is: as wide as the drop caret, wider than the caret, so the two never look alike.
constexpr qreal kBarWidth = 2;
constexpr qreal kUnderlineHeight = 2;

// A bar standing where a caret in place would.
QRectF bar(const QRectF &place) {
    return QRectF(place.left() - kBarWidth / 2, place.top(), kBarWidth, place.height());
}
} // namespace

void TextRenderer::paint(QPainter &painter, const PieceLayout &layout, const Frame &frame, const Walk &walk,
                         const Span &span, const std::vector<const MarkSource *> &sources) {
    const QPalette &pal = frame.palette;
    if (!frame.placeholder.isEmpty()) {
        QColor faded = pal.color(QPalette::Text);
        faded.setAlpha(128);
        painter.setPen(faded);
        painter.drawText(frame.placeholderRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                         frame.placeholder);
    }
    std::vector<PieceLayout::RowView> rows;
    walk([&](const PieceLayout::RowView &row) {
        rows.push_back(row);
        return true;
    });
    if (rows.empty())
        return;
    const auto shown = [&](const PieceLayout::RowView &row) {
        return row.y <= frame.clip.bottom() && row.y + row.line.height() >= frame.clip.top();
    };

    // Beneath the text: what the sources have in view, asked once for the whole view.
    std::vector<MarkSource::Mark> marks;
    for (const MarkSource *source : sources)
        source->marksIn(rows.front().start(), rows.back().end(), marks);
    for (size_t i = 0; i < rows.size(); ++i) {
        const PieceLayout::RowView &row = rows[i];
        if (!shown(row))
            continue;
        // A long line's piece boundary ends one row and starts the next: a bar there goes on the later
        // row, where the caret would.
        const bool boundary = i + 1 < rows.size() && rows[i + 1].start() == row.end();
        for (const MarkSource::Mark &mark : marks) {
            if (mark.to < row.start() || mark.from > row.end())
                continue;
            switch (mark.shape) {
            case MarkSource::Mark::Shape::Fill:
                if (const auto rect = span(row, mark.from, mark.to))
                    painter.fillRect(*rect, mark.colour);
                break;
            case MarkSource::Mark::Shape::Bar:
                if (boundary && mark.from == row.end())
                    break;
                if (const auto rect = span(row, mark.from, mark.from))
                    painter.fillRect(bar(*rect), mark.colour);
                break;
            case MarkSource::Mark::Shape::Underline:
                if (const auto rect = span(row, mark.from, mark.to))
                    painter.fillRect(QRectF(rect->left(), rect->bottom() - kUnderlineHeight - mark.lift,
                                            rect->width(), kUnderlineHeight),
                                     mark.colour);
                break;
            }
        }
    }

    // The text, a piece at a time: its marks are the layout's own formats; only the selection is drawn
    // over it.
    QTextCharFormat selection;
    selection.setBackground(pal.brush(QPalette::Highlight));
    selection.setForeground(pal.brush(QPalette::HighlightedText));
    painter.setPen(pal.color(QPalette::Text));
    qsizetype drawn = -1;
    for (const PieceLayout::RowView &row : rows) {
        const qsizetype unit = row.row.unit;
        if (unit == drawn)
            continue;
        drawn = unit;
        const PieceLayout::Piece &p = row.piece;
        const QPointF at(frame.left, row.y - row.line.y());
        const qsizetype end = p.start + p.length;
        const auto local = [&](qsizetype position) { return layout.layoutPosition(p, unit, position); };
        QList<QTextLayout::FormatRange> ranges;
        if (frame.selectionStart < frame.selectionEnd && frame.selectionStart < end &&
            frame.selectionEnd > p.start) {
            const qsizetype from = std::max(frame.selectionStart, p.start);
            const qsizetype to = std::min(frame.selectionEnd, end);
            if (to > from)
                ranges.append({local(from), local(to) - local(from), selection});
        }
        if (at.y() + p.height >= frame.clip.top())
            p.layout->draw(&painter, at, ranges, frame.clip);
        if (frame.caret >= 0 && layout.unitAtPosition(frame.caret) == unit)
            p.layout->drawCursor(&painter, at, local(frame.caret) + frame.preeditCaret, 1);
    }
    if (frame.dropCaret >= 0) {
        // On the later row where two rows meet at it, as the caret.
        std::optional<QRectF> at;
        for (const PieceLayout::RowView &row : rows)
            if (const auto rect = span(row, frame.dropCaret, frame.dropCaret))
                at = rect;
        if (at)
            painter.fillRect(bar(*at), pal.color(QPalette::Text));
    }
}

} // namespace rw
