// Export of a 1,000,000-row results list through a three-reference template, against building the same
// text by plain concatenation from the same rows.
#include "BenchSupport.h"
#include "core/export/CellTable.h"
#include "core/export/ExportTemplate.h"

#include <QCoreApplication>

#include <cstdio>
#include <vector>

namespace {

constexpr int Runs = 5;
constexpr qsizetype Rows = 1'000'000;
constexpr int Columns = 4;

// Appends the decimal digits of number without a temporary string.
void appendNumber(QString &out, qsizetype number) {
    char16_t digits[24];
    char16_t *end = digits + std::size(digits);
    char16_t *p = end;
    do {
        *--p = char16_t(u'0' + number % 10);
        number /= 10;
    } while (number != 0);
    out.append(QStringView(p, end - p));
}

// Shaped like the results list: the running number made on demand, the other cells sliced from one
// subject text by offsets.
class ResultsLikeTable final : public rw::CellTable {
public:
    ResultsLikeTable() {
        m_offsets.reserve(std::size_t(Rows) * (Columns - 1) * 2);
        for (qsizetype row = 0; row < Rows; ++row) {
            for (int column = 1; column < Columns; ++column) {
                const qsizetype start = m_subject.size();
                m_subject += column == 1 ? QStringLiteral("匹配%1-%2").arg(row).arg(row * 7 % 1000)
                                         : QString::number(row * column % 100000);
                m_offsets.push_back(start);
                m_offsets.push_back(m_subject.size());
            }
        }
    }

    qsizetype rowCount() const override { return Rows; }
    void appendCell(qsizetype row, int column, QString &out) const override {
        if (row < 0 || row >= Rows || column < 0 || column >= Columns)
            return;
        if (column == 0)
            appendNumber(out, row + 1);
        else
            out.append(slice(row, column));
    }

    QStringView slice(qsizetype row, int column) const {
        const std::size_t at = std::size_t((row * (Columns - 1) + column - 1) * 2);
        return QStringView(m_subject).sliced(m_offsets[at], m_offsets[at + 1] - m_offsets[at]);
    }

private:
    QString m_subject;
    std::vector<qsizetype> m_offsets;
};

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const ResultsLikeTable table;
    const QString templateText = QStringLiteral("{1}\t{2}\t{3}#换行符");

    QString exported;
    const double exportMs = rwbench::medianMs(Runs, [&] { exported = rw::exportText(templateText, table); });

    QString concatenated;
    const auto concatenate = [&](bool reserve) {
        QString out;
        if (reserve)
            out.reserve(exported.size());
        for (qsizetype row = 0; row < Rows; ++row) {
            appendNumber(out, row + 1);
            out += u'\t';
            out += table.slice(row, 1);
            out += u'\t';
            out += table.slice(row, 2);
            if (row + 1 < Rows)
                out += u"\r\n";
        }
        concatenated = std::move(out);
    };
    const double concatMs = rwbench::medianMs(Runs, [&] { concatenate(false); });
    const double reservedMs = rwbench::medianMs(Runs, [&] { concatenate(true); });

    const bool same = exported == concatenated;
    std::printf(
        "Export, %lld rows x %d columns, template {1}\\t{2}\\t{3}#换行符, %.1f MB text (medians of %d)\n",
        static_cast<long long>(Rows), Columns, exported.size() * 2 / 1e6, Runs);
    std::printf("%-36s %10s\n", "measure", "value");
    std::printf("%-36s %10.1f\n", "export through the template (ms)", exportMs);
    std::printf("%-36s %10.1f\n", "plain concatenation (ms)", concatMs);
    std::printf("%-36s %10.1f\n", "concatenation, reserved (ms)", reservedMs);
    std::printf("%-36s %10.2f  (goal <= 2)\n", "ratio template / concatenation", exportMs / concatMs);
    std::printf("%-36s %10.2f\n", "ratio template / reserved", exportMs / reservedMs);
    std::printf("%-36s %10s\n", "same text", same ? "yes" : "NO");
    return same ? 0 : 1;
}
