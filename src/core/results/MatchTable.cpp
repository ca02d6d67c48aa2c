#include "MatchTable.h"

#include <algorithm>
#include <charconv>
#include <iterator>

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
    // Each row once and in order: clip, sort, then merge the spans.
    for (auto &[first, last] : rowSpans) {
        first = std::max<qsizetype>(first, 0);
        last = std::min(last, rowCount() - 1);
    }
    std::sort(rowSpans.begin(), rowSpans.end());
    QList<std::pair<qsizetype, qsizetype>> rows;
    for (const auto &span : rowSpans) {
        if (span.first > span.second)
            continue;
        if (!rows.isEmpty() && span.first <= rows.back().second + 1)
            rows.back().second = std::max(rows.back().second, span.second);
        else
            rows.push_back(span);
    }

    // Sized first from the offsets alone, then filled with slices of the subject: a million rows make one
    // allocation, not a string per cell and a copy at every doubling.
    const int columns = columnCount();
    qsizetype size = 0;
    for (const auto &[first, last] : rows)
        for (qsizetype row = first; row <= last; ++row) {
            size += 2 + 20 + columns; // CRLF, number, tabs (a bound)
            for (int column = 1; column < columns; ++column)
                size += m_matches.text(m_subject, row, column - 1).size();
        }
    QString out;
    out.reserve(size);
    char digits[24];
    for (const auto &[first, last] : rows)
        for (qsizetype row = first; row <= last; ++row) {
            if (!out.isEmpty())
                out += QLatin1String("\r\n");
            const auto [end, ec] = std::to_chars(std::begin(digits), std::end(digits), row + 1);
            out += QLatin1String(digits, end);
            for (int column = 1; column < columns; ++column) {
                out += QLatin1Char('\t');
                out += m_matches.text(m_subject, row, column - 1);
            }
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
