#pragma once

#include <QTextBlock>

class QTextDocument;

namespace rw {

// Converts between a text box's document positions and offsets in the text the engine is given
// (boxText: every paragraph or line separator there is "\r\n", two units for the document's one).
// Blocks are paragraphs; a line separator (Shift+Enter) inside a block also counts two units.
class SourcePositions final {
public:
    // Positions of doc; whether it holds line separators inside blocks is told by setSeparators().
    explicit SourcePositions(const QTextDocument *doc = nullptr) : m_doc(doc) {}

    const QTextDocument *document() const { return m_doc; }
    // Whether some block holds a line separator; without them every conversion is arithmetic.
    void setSeparators(bool present);

    // The engine offset of position at (0 ≤ at < block.length()) within block.
    qsizetype toEngine(const QTextBlock &block, int at);
    // The position within block of engine offset, clamped to the block (its break counts as its end).
    int toBlock(const QTextBlock &block, qsizetype offset);

private:
    qsizetype separatorsBefore(const QTextBlock &block);

    const QTextDocument *m_doc = nullptr;
    bool m_separators = false;
    // The last block whose preceding separators were counted, so neighbouring blocks count on from it.
    int m_countedBlock = 0;
    qsizetype m_countedBefore = 0;
};

} // namespace rw
