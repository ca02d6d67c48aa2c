#pragma once

#include "CellTable.h"
#include "core/results/MatchTable.h"

namespace rw {

// The results list's cells as an export reads them: numbers and slices of the subject are appended
// straight to the export text, so no row needs strings of its own.
class MatchTableCells final : public CellTable {
public:
    explicit MatchTableCells(MatchTable table) : m_table(std::move(table)) {}

    qsizetype rowCount() const override { return m_table.rowCount(); }
    // Appends the cell's text, the same text MatchTable::cell() gives; nothing outside the table.
    void appendCell(qsizetype row, int column, QString &out) const override;

private:
    MatchTable m_table;
};

} // namespace rw
