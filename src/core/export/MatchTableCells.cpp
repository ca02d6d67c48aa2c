#include "MatchTableCells.h"

namespace rw {

namespace {
// A number written without a temporary string: a large export has a million of them.
void appendNumber(qsizetype n, QString &out) {
    char16_t digits[24];
    char16_t *end = digits + std::size(digits);
    char16_t *first = end;
    for (; n > 0; n /= 10)
        *--first = char16_t(u'0' + n % 10);
    out += QStringView(first, end);
}
} // namespace

void MatchTableCells::appendCell(qsizetype row, int column, QString &out) const {
    if (row < 0 || row >= m_table.rowCount() || column < 0 || column >= m_table.columnCount())
        return;
    if (column == 0)
        appendNumber(row + 1, out);
    else if (column == m_table.lineColumn())
        appendNumber(m_table.lineNumber(row), out);
    else
        out += m_table.text(row, column - 1);
}

} // namespace rw
