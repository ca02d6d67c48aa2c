// The export template over a small table whose cells name their place: the text matches an expansion
// written here from the template's contract, and the text of n rows begins the text of n + 1 rows.
// Input: the number of rows, the number of columns, the template as UTF-8.

#include "FuzzInput.h"

#include "core/export/CellTable.h"
#include "core/export/ExportTemplate.h"

#include <QRegularExpression>

#include <limits>

using namespace rwfuzz;

namespace {

class PlaceTable final : public rw::CellTable {
public:
    PlaceTable(qsizetype rows, int columns) : m_rows(rows), m_columns(columns) {}
    qsizetype rowCount() const override { return m_rows; }
    void appendCell(qsizetype row, int column, QString &out) const override {
        // The template may name any column; rows are the table's to give.
        RW_FUZZ_CHECK(row >= 0 && row < m_rows);
        if (column >= 0 && column < m_columns)
            out += QStringLiteral("<%1,%2>").arg(row).arg(column);
    }

private:
    qsizetype m_rows;
    int m_columns;
};

bool isSpecial(QChar c) {
    return (c >= u'0' && c <= u'9') || c == u'{' || c == u'}' || c == u'(' || c == u')' || c == u'+';
}

QString expected(const QString &templateText, qsizetype rows, int columns) {
    QList<QString> literals;
    QList<qint64> references;
    static const QRegularExpression reference(QStringLiteral("\\{([0-9]+)\\}"));
    for (auto it = reference.globalMatch(templateText); it.hasNext();) {
        const QString digits = it.next().captured(1);
        const QString trimmed = QString(digits).remove(QRegularExpression(QStringLiteral("^0+")));
        const bool ok = trimmed.size() <= 10;
        const qint64 number = trimmed.isEmpty() ? 0 : trimmed.toLongLong();
        references.append(ok && number >= 1 && number <= std::numeric_limits<int>::max() ? number - 1 : -1);
    }
    static const QRegularExpression run(QStringLiteral("[^0-9{}()+]+"));
    for (auto it = run.globalMatch(templateText); it.hasNext();)
        literals.append(it.next().captured().replace(QStringLiteral("#换行符"), QStringLiteral("\r\n")));
    const bool beginsWithLiteral = literals.isEmpty() || !isSpecial(templateText[0]);

    QString out;
    const qsizetype pieces = literals.size() + references.size();
    qsizetype nextLiteral = 0, nextReference = 0;
    for (qsizetype row = 0; row < rows; ++row) {
        for (qsizetype k = 0; k < pieces; ++k) {
            const bool literal = (k % 2 == 0) == beginsWithLiteral;
            if (literal && !literals.isEmpty()) {
                const QString &text = literals[nextLiteral++ % literals.size()];
                if (row != rows - 1 || k != pieces - 1)
                    out += text;
            } else if (!literal && !references.isEmpty()) {
                const qint64 column = references[nextReference++ % references.size()];
                if (column >= 0 && column < columns)
                    out += QStringLiteral("<%1,%2>").arg(row).arg(column);
            }
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const qsizetype rows = input.byte() % 6;
    const int columns = input.byte() % 6;
    const QString templateText = QString::fromUtf8(input.rest());
    if (templateText.size() > 1024)
        return -1;

    const rw::ExportTemplate compiled(templateText);
    const QString text = compiled.render(PlaceTable(rows, columns));
    RW_FUZZ_CHECK(text == expected(templateText, rows, columns));
    RW_FUZZ_CHECK(compiled.render(PlaceTable(rows + 1, columns)).startsWith(text));
    return 0;
}
