#pragma once

#include "MarkSource.h"
#include "PieceLayout.h"

#include <QPalette>
#include <QRectF>

#include <functional>
#include <optional>
#include <vector>

class QPainter;

namespace rw {

// Paints the rows in view of a box: the marks of its mark sources beneath the text, the text with its
// layouts' formats and the selection, the caret, a drop caret and the placeholder of an empty box.
class TextRenderer final {
public:
    struct Frame {
        QRectF clip;
        QPalette palette;
        qreal left = 0;               // the rows' left edge
        qsizetype selectionStart = 0; // an empty selection draws none
        qsizetype selectionEnd = 0;
        qsizetype caret = -1;     // -1: not shown
        int preeditCaret = 0;     // the caret's place inside a preedit at the caret
        qsizetype dropCaret = -1; // -1: not shown
        QString placeholder;      // shown when the box is empty
        QRectF placeholderRect;
    };
    // The walk over the rows in view, and where a stretch of a row in view lies.
    using Walk = std::function<void(const PieceLayout::RowVisitor &)>;
    using Span = std::function<std::optional<QRectF>(const PieceLayout::RowView &, qsizetype, qsizetype)>;

    static void paint(QPainter &painter, const PieceLayout &layout, const Frame &frame, const Walk &walk,
                      const Span &span, const std::vector<const MarkSource *> &sources);
};

} // namespace rw
