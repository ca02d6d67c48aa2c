#include "MatchTable.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace rw {

MatchTable::MatchTable(QString subject, MatchSet matches, int submatchColumns)
    : m_subject(std::move(subject)), m_submatchColumns(submatchColumns) {
    append(std::move(matches));
}

std::pair<std::size_t, qsizetype> MatchTable::locate(qsizetype row) const {
    const auto after = std::upper_bound(m_firstRows.begin(), m_firstRows.end(), row);
    const std::size_t batch = std::size_t(after - m_firstRows.begin()) - 1;
    return {batch, row - m_firstRows[batch]};
}

QStringView MatchTable::text(qsizetype row, int group) const {
    if (row < 0 || row >= m_rows)
        return {};
    const auto [batch, index] = locate(row);
    return m_batches[batch]->text(m_subject, index, group);
}

qsizetype MatchTable::lineNumber(qsizetype row) const {
    if (!m_lines || row < 0 || row >= m_rows)
        return 0;
    const auto [batch, index] = locate(row);
    return m_lines->lineNumber(m_batches[batch]->start(index, 0));
}

QString MatchTable::cell(qsizetype row, int column, qsizetype limit) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    if (column == 0)
        return QString::number(row + 1);
    if (column == lineColumn())
        return QString::number(lineNumber(row));
    const QStringView text = this->text(row, column - 1);
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
    const int textColumns = 2 + m_submatchColumns;
    const bool lineNumbers = m_lines != nullptr;
    qsizetype size = 0;
    for (const auto &[first, last] : rows)
        for (qsizetype row = first; row <= last; ++row) {
            size += 2 + 20 + textColumns + (lineNumbers ? 21 : 0); // CRLF, numbers, tabs (a bound)
            for (int column = 1; column < textColumns; ++column)
                size += text(row, column - 1).size();
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
            for (int column = 1; column < textColumns; ++column) {
                out += QLatin1Char('\t');
                out += text(row, column - 1);
            }
            if (lineNumbers) {
                const auto [lineEnd, lineEc] =
                    std::to_chars(std::begin(digits), std::end(digits), lineNumber(row));
                out += QLatin1Char('\t');
                out += QLatin1String(digits, lineEnd);
            }
        }
    return out;
}

std::size_t MatchTable::bytesUsed() const {
    std::size_t bytes =
        m_batches.capacity() * sizeof(m_batches[0]) + m_firstRows.capacity() * sizeof(qsizetype);
    for (const auto &batch : m_batches)
        bytes += batch->bytesUsed() + sizeof(MatchSet);
    if (m_lines)
        bytes += m_lines->bytesUsed();
    return bytes;
}

void MatchTable::reset(QString subject, std::shared_ptr<const LineStarts> lines) {
    m_subject = std::move(subject);
    m_lines = std::move(lines);
    m_batches.clear();
    m_firstRows.clear();
    m_rows = 0;
    m_submatchColumns = 0;
}

void MatchTable::append(MatchSet batch) {
    if (!batch.isEmpty())
        append(std::make_shared<const MatchSet>(std::move(batch)));
}

void MatchTable::append(std::shared_ptr<const MatchSet> batch) {
    if (!batch || batch->isEmpty())
        return;
    const qsizetype rows = batch->size();
    m_batches.push_back(std::move(batch));
    m_firstRows.push_back(m_rows);
    m_rows += rows;
}

} // namespace rw
