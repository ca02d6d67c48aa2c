#pragma once

#include <QString>

namespace rw {

// Read access to a table of text cells (the results list) for an export. Implementations append a cell's
// text straight to the output, so that a cell made on demand or sliced from a larger text needs no string
// of its own.
class CellTable {
public:
    virtual ~CellTable() = default;

    // Number of rows.
    virtual qsizetype rowCount() const = 0;
    // Appends the text of the cell at (row, column), both counted from 0, to out; appends nothing for a
    // row or a column that the table doesn't have (a negative one included).
    virtual void appendCell(qsizetype row, int column, QString &out) const = 0;
};

} // namespace rw
