#include "MatchTableCells.h"

namespace rw {

void MatchTableCells::appendCell(qsizetype row, int column, QString &out) const {
    if (row < 0 || row >= m_table.rowCount() || column < 0 || column >= m_table.columnCount())
        return;
    if (column > 0) {
        out += m_table.text(row, column - 1);
        return;
    }
    // The running number, written without a temporary string: a large export has a million of them.
    char16_t digits[24];
    char16_t *end = digits + std::size(digits);
    char16_t *first = end;
    for (qsizetype n = row + 1; n > 0; n /= 10)
        *--first = char16_t(u'0' + n % 10);
    out += QStringView(first, end);
}

} // namespace rw
