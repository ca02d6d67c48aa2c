#pragma once

#include "core/regex/MatchSet.h"

#include <QList>
#include <QString>

#include <utility>

namespace rw {

// The cells of the results list, made on demand from one subject text and its match offsets:
// column 0 the running number (from 1), column 1 the matched text, column 1 + j the text of group j.
// Columns exist from 0 to 1 + submatchColumns(); other cells are empty.
class MatchTable final {
public:
    MatchTable() = default;
    MatchTable(QString subject, MatchSet matches, int submatchColumns)
        : m_subject(std::move(subject)), m_matches(std::move(matches)), m_submatchColumns(submatchColumns) {}

    qsizetype rowCount() const { return m_matches.size(); }
    int columnCount() const { return 2 + m_submatchColumns; }
    int submatchColumns() const { return m_submatchColumns; }
    // The text of a cell, row and column from 0; empty outside the table. With a limit, a longer text is
    // cut to its first limit characters followed by "…" (for showing, never for exporting).
    QString cell(qsizetype row, int column, qsizetype limit = -1) const;

    // The rows in the spans (first and last row, inclusive; any order, may overlap), each row once and in
    // row order, as tab-separated whole cell texts of every column, rows joined by "\r\n" (none after the
    // last).
    QString tabSeparated(QList<std::pair<qsizetype, qsizetype>> rowSpans) const;

    const QString &subject() const { return m_subject; }
    const MatchSet &matches() const { return m_matches; }

    // Starts over with an empty table over subject.
    void reset(QString subject);
    // Appends a batch of matches (rows); the first batch sets the number of groups.
    void append(const MatchSet &batch);
    // Adds one column per group of the pattern; a list gets them just before its first row.
    void addSubmatchColumns(int count) { m_submatchColumns = count; }

private:
    QString m_subject;
    MatchSet m_matches;
    int m_submatchColumns = 0;
};

} // namespace rw
