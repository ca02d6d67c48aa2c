#include "SourcePositions.h"

#include <QTextDocument>

namespace rw {

void SourcePositions::setSeparators(bool present) {
    m_separators = present;
    m_countedBlock = 0;
    m_countedBefore = 0;
}

qsizetype SourcePositions::separatorsBefore(const QTextBlock &block) {
    if (!m_separators || !m_doc)
        return 0;
    // Counting walks the blocks; starting from the last count keeps a repaint's walk to the blocks in view.
    QTextBlock b = m_doc->findBlockByNumber(m_countedBlock);
    qsizetype count = m_countedBefore;
    if (!b.isValid() || b.blockNumber() > block.blockNumber()) {
        b = m_doc->firstBlock();
        count = 0;
    }
    for (; b.isValid() && b.blockNumber() < block.blockNumber(); b = b.next())
        count += b.text().count(QChar::LineSeparator);
    m_countedBlock = block.blockNumber();
    m_countedBefore = count;
    return count;
}

qsizetype SourcePositions::toEngine(const QTextBlock &block, int at) {
    qsizetype offset = qsizetype(block.position()) + block.blockNumber() + separatorsBefore(block) + at;
    if (m_separators)
        offset += block.text().left(at).count(QChar::LineSeparator);
    return offset;
}

int SourcePositions::toBlock(const QTextBlock &block, qsizetype offset) {
    const int last = block.length() - 1;
    const qsizetype relative = offset - toEngine(block, 0);
    if (relative <= 0)
        return 0;
    if (!m_separators)
        return int(std::min<qsizetype>(relative, last));
    const QString text = block.text();
    qsizetype units = 0;
    int at = 0;
    for (; at < last && units < relative; ++at)
        units += text.at(at) == QChar::LineSeparator ? 2 : 1;
    return at;
}

} // namespace rw
