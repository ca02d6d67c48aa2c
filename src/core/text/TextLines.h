#pragma once

#include "core/memory/HugePages.h"

#include <QStringView>

#include <cstdint>
#include <vector>

namespace rw {

// The lines of a text as the text box counts them: a line ends at "\r\n", "\n" or a lone "\r", and the
// text after the last break is a line too (an empty one when the text ends with a break).

// The length of the break at offset at: 2 for "\r\n", 1 for a lone "\n" or "\r"; at must hold one.
inline qsizetype lineBreakLength(QStringView text, qsizetype at) {
    return text[at] == u'\r' && at + 1 < text.size() && text[at + 1] == u'\n' ? 2 : 1;
}

// The offset of the first "\r" or "\n" at or after pos; the text's size when there is none. A walk over
// millions of short lines calls it once a line: it goes sixteen units at a time.
qsizetype nextLineBreak(QStringView text, qsizetype pos);

// The offset where the line holding pos begins. A pos between the "\r" and the "\n" of a break belongs to
// no line; it gives the start of the line after that break.
qsizetype lineStartAt(QStringView text, qsizetype pos);
// The offset where the line holding pos ends (its break, or the text's end).
qsizetype lineEndAt(QStringView text, qsizetype pos);

// Where every line of a text begins, for the line number of an offset in it: built once, then each
// question is a binary search. Four bytes a line, offsets kept as a MatchSet keeps them (in huge pages
// too: a log of millions of lines fills megabytes as it is read).
class LineStarts final {
public:
    explicit LineStarts(QStringView text);

    qsizetype lineCount() const { return qsizetype(m_starts.size()); }
    // The number, from 1, of the line that holds offset (the last line for one past the text's end).
    qsizetype lineNumber(qsizetype offset) const;
    // Where line index (from 0) begins; and where it ends in text, the text this was made from: at its
    // break, or at the text's end.
    qsizetype start(qsizetype index) const { return m_starts[std::size_t(index)]; }
    qsizetype end(QStringView text, qsizetype index) const;
    // Bytes held, for memory figures.
    std::size_t bytesUsed() const { return m_starts.capacity() * sizeof(std::int32_t); }

private:
    std::vector<std::int32_t, HugePageAllocator<std::int32_t>> m_starts;
};

} // namespace rw
