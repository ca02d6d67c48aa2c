#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace rw {

class CellTable;

// An export template taken apart once: column references "{n}" (n from 1, leading zeros allowed) and
// literal runs (maximal runs of characters other than { } ( ) + and ASCII digits, with "#换行符" standing
// for "\r\n"). Rendering emits, per row, as many pieces as the template has references and runs together,
// alternating literal and reference pieces; each kind takes its next item in template order, wrapping
// round and carrying over from row to row. The very last piece is left out when it is a literal one.
class ExportTemplate final {
public:
    explicit ExportTemplate(QStringView templateText);

    // The export text of every row of table.
    QString render(const CellTable &table) const;

    // Whether a row starts with a literal piece: the template starts with its first literal run, or has none.
    bool beginsWithLiteral() const { return m_beginsWithLiteral; }
    // Literal runs in template order, "#换行符" already replaced.
    const QList<QString> &literals() const { return m_literals; }
    // Referenced columns in template order, counted from 0; -1 for a column no table has ({0}, or a
    // number too large to be one).
    const QList<int> &columns() const { return m_columns; }

private:
    QList<QString> m_literals;
    QList<int> m_columns;
    bool m_beginsWithLiteral = true;
};

// The export text of table through templateText; see ExportTemplate.
QString exportText(QStringView templateText, const CellTable &table);

} // namespace rw
