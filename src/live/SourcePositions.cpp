#include "SourcePositions.h"

#include "core/textbox/TextStore.h"

#include <algorithm>

namespace rw {

qsizetype SourcePositions::toEngine(qsizetype position) const {
    position = std::clamp<qsizetype>(position, 0, m_store.size());
    // Each line before position's line adds one "\r" to the engine's text.
    return position + m_store.lineAt(position);
}

qsizetype SourcePositions::lineOf(qsizetype offset) const {
    // Line l starts at engine offset lineStart(l) + l, which ascends with l: the last line starting at or
    // before offset holds it.
    qsizetype lo = 0;
    qsizetype hi = m_store.lineCount() - 1;
    while (lo < hi) {
        const qsizetype mid = hi - (hi - lo) / 2;
        if (m_store.lineStart(mid) + mid <= offset)
            lo = mid;
        else
            hi = mid - 1;
    }
    return lo;
}

qsizetype SourcePositions::toBox(qsizetype offset) const {
    if (offset <= 0)
        return 0;
    const qsizetype line = lineOf(offset);
    const qsizetype start = m_store.lineStart(line);
    return std::min(offset - line, start + m_store.lineLength(line));
}

} // namespace rw
