#pragma once

namespace rw {

// Gives every results list an accessible interface with the role Table and the table interface (rows,
// columns, captions, cell texts, selection), as screen readers know a table view. Qt gives one only to its
// own table, list and tree views. Installs the interface factory on the first call; later calls do nothing.
void serveResultsViewAccessibility();

// The number a screen reader knows a cell of the list by: the column captions are row -1 and come first,
// then the rows' cells, row by row.
int accessibleCellNumber(int row, int column, int columns);

} // namespace rw
