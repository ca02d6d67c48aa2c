#include "MatchTable.h"

#include <algorithm>

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

QString MatchTable::tabSeparated(QList<std::pair<qsizetype, qsizetype>> rowSpans) const {
    for (auto &[first, last] : rowSpans) {
        first = std::max<qsizetype>(first, 0);
        last = std::min(last, rowCount() - 1);
    }
    std::sort(rowSpans.begin(), rowSpans.end());
    QString out;
    qsizetype next = 0; // rows below this are already written
    bool firstRow = true;
    for (const auto &[first, last] : rowSpans) {
        for (qsizetype row = std::max(first, next); row <= last; ++row) {
            if (!firstRow)
                out += QLatin1String("\r\n");
            firstRow = false;
            out += QString::number(row + 1);
            // Slices of the subject, appended straight: a million rows must not make a string per cell.
            for (int column = 1; column < columnCount(); ++column) {
                out += QLatin1Char('\t');
                out += m_matches.text(m_subject, row, column - 1);
            }
        }
        next = std::max(next, last + 1);
    }
    return out;
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
