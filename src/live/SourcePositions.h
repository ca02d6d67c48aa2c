#pragma once

#include <QtGlobal>

namespace rw {

class TextStore;

// Converts between a text box's positions (a line break is one character) and offsets in the text the
// engine is given (every line break there is "\r\n", two). Both ways are arithmetic on the store's line
// index; the store must hold the text the offsets were found in.
class SourcePositions final {
public:
    explicit SourcePositions(const TextStore &store) : m_store(store) {}

    // The engine offset of a box position (0 ≤ position ≤ size()).
    qsizetype toEngine(qsizetype position) const;
    // The box position of an engine offset; an offset inside a line's "\r\n" is that line's end.
    qsizetype toBox(qsizetype offset) const;
    // The line an engine offset lies in (an offset inside a "\r\n" lies in the line the break ends).
    qsizetype lineOf(qsizetype offset) const;

private:
    const TextStore &m_store;
};

} // namespace rw
