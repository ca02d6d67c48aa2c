#pragma once

#include "core/regex/MatchSet.h"
#include "core/text/TextLines.h"

#include <QList>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace rw {

// The cells of the results list, made on demand from one subject text and its match offsets:
// column 0 the running number (from 1), column 1 the matched text, column 1 + j the text of group j,
// and for a search of each line alone a last column, lineColumn(), with the number (from 1) of the line
// the match is in. Columns exist from 0 to 1 + submatchColumns() (and the line column); other cells are
// empty.
// The matches stay in the batches they came in, shared between copies: appending never moves the rows
// before, and a copy for an export costs a list of batches, not ten million offsets.
class MatchTable final {
public:
    MatchTable() = default;
    MatchTable(QString subject, MatchSet matches, int submatchColumns);

    qsizetype rowCount() const { return m_rows; }
    int columnCount() const { return 2 + m_submatchColumns + (m_lines ? 1 : 0); }
    int submatchColumns() const { return m_submatchColumns; }
    // The column of line numbers (the last one); -1 when the table has none.
    int lineColumn() const { return m_lines ? 2 + m_submatchColumns : -1; }
    // The number, from 1, of the line where row's match begins; 0 without a line column or such a row.
    qsizetype lineNumber(qsizetype row) const;
    // The text of a cell, row and column from 0; empty outside the table. With a limit, a longer text is
    // cut to its first limit characters followed by "…" (for showing, never for exporting).
    QString cell(qsizetype row, int column, qsizetype limit = -1) const;

    // The rows in the spans (first and last row, inclusive; any order, may overlap), each row once and in
    // row order, as tab-separated whole cell texts of every column, rows joined by "\r\n" (none after the
    // last).
    QString tabSeparated(QList<std::pair<qsizetype, qsizetype>> rowSpans) const;

    const QString &subject() const { return m_subject; }
    // The text of group g (0 = the whole match) of row; empty when unset or out of range.
    QStringView text(qsizetype row, int group) const;

    // Bytes the offsets hold, for memory figures.
    std::size_t bytesUsed() const;

    // Starts over with an empty table over subject; with lines (subject's), the table has a line column.
    void reset(QString subject, std::shared_ptr<const LineStarts> lines = nullptr);
    // Appends a batch of matches (rows), all with the same number of groups.
    void append(MatchSet batch);
    // The same for a batch shared with its finder (the live search), which it is not copied from.
    void append(std::shared_ptr<const MatchSet> batch);
    // Adds one column per group of the pattern; a list gets them just before its first row.
    void addSubmatchColumns(int count) { m_submatchColumns = count; }

private:
    // The batch that holds row, and the row's index in it; row must be in the table.
    std::pair<std::size_t, qsizetype> locate(qsizetype row) const;

    QString m_subject;
    std::shared_ptr<const LineStarts> m_lines;
    std::vector<std::shared_ptr<const MatchSet>> m_batches;
    std::vector<qsizetype> m_firstRows; // the row number of each batch's first match
    qsizetype m_rows = 0;
    int m_submatchColumns = 0;
};

} // namespace rw
