#include "MatchTable.h"

namespace rw {

QString MatchTable::cell(qsizetype row, int column, qsizetype limit) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    if (column == 0)
        return QString::number(row + 1);
    const QStringView text = m_matches.text(m_subject, row, column - 1);
    if (limit < 0 || text.size() <= limit)
        return text.toString();
    return text.first(limit).toString() + QChar(0x2026);
}

void MatchTable::reset(QString subject) {
    m_subject = std::move(subject);
    m_matches = MatchSet();
    m_submatchColumns = 0;
}

void MatchTable::append(const MatchSet &batch) {
    if (m_matches.isEmpty())
        m_matches = MatchSet(batch.groupCount());
    m_matches.append(batch);
}

} // namespace rw
