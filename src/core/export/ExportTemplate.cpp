#include "ExportTemplate.h"

#include "CellTable.h"

#include <limits>

namespace rw {

namespace {

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The characters that end a literal run: braces, parentheses, the plus sign and ASCII digits.
bool endsLiteral(QChar c) {
    return isAsciiDigit(c) || c == u'{' || c == u'}' || c == u'(' || c == u')' || c == u'+';
}

// Column (from 0) named by the decimal digits of a reference, or -1 when no table can have it.
int columnOf(QStringView digits) {
    qint64 number = 0;
    for (QChar c : digits) {
        number = number * 10 + (c.unicode() - u'0');
        if (number > std::numeric_limits<int>::max())
            return -1;
    }
    return int(number) - 1;
}

} // namespace

ExportTemplate::ExportTemplate(QStringView templateText) {
    const qsizetype size = templateText.size();

    // References: "{", digits, "}", found left to right without overlap.
    for (qsizetype i = 0; i < size; ++i) {
        if (templateText[i] != u'{')
            continue;
        qsizetype end = i + 1;
        while (end < size && isAsciiDigit(templateText[end]))
            ++end;
        if (end > i + 1 && end < size && templateText[end] == u'}') {
            m_columns.append(columnOf(templateText.sliced(i + 1, end - i - 1)));
            i = end;
        }
    }

    // Literal runs, found independently of the references.
    QStringView firstRun;
    for (qsizetype i = 0; i < size;) {
        if (endsLiteral(templateText[i])) {
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < size && !endsLiteral(templateText[end]))
            ++end;
        const QStringView run = templateText.sliced(i, end - i);
        if (m_literals.isEmpty())
            firstRun = run;
        m_literals.append(run.toString().replace(QStringLiteral("#换行符"), QStringLiteral("\r\n")));
        i = end;
    }

    m_beginsWithLiteral = templateText.startsWith(firstRun);
}

QString ExportTemplate::render(const CellTable &table) const {
    QString out;
    const qsizetype rows = table.rowCount();
    const qsizetype pieces = m_literals.size() + m_columns.size();
    if (rows <= 0 || pieces == 0)
        return out;

    const qsizetype literalCount = m_literals.size();
    const qsizetype columnCount = m_columns.size();
    qsizetype literalCursor = 0;
    qsizetype columnCursor = 0;

    // Reserve from the first rows' length, so that a large export seldom has to grow its text.
    constexpr qsizetype SampleRows = 64;

    for (qsizetype row = 0; row < rows; ++row) {
        if (row == SampleRows)
            out.reserve(out.size() / SampleRows * (rows + 1));
        const bool lastRow = row == rows - 1;
        bool literal = m_beginsWithLiteral;
        for (qsizetype k = 0; k < pieces; ++k, literal = !literal) {
            if (literal) {
                if (literalCount == 0)
                    continue;
                const QString &text = m_literals[literalCursor];
                literalCursor = literalCursor + 1 == literalCount ? 0 : literalCursor + 1;
                if (!(lastRow && k == pieces - 1))
                    out += text;
            } else {
                if (columnCount == 0)
                    continue;
                const int column = m_columns[columnCursor];
                columnCursor = columnCursor + 1 == columnCount ? 0 : columnCursor + 1;
                if (column >= 0)
                    table.appendCell(row, column, out);
            }
        }
    }
    return out;
}

QString exportText(QStringView templateText, const CellTable &table) {
    return ExportTemplate(templateText).render(table);
}

} // namespace rw
