#include "core/export/ExportTemplate.h"
#include "core/export/MatchTableCells.h"
#include "core/results/MatchTable.h"

#include <QTest>

#include <cstddef>

using namespace rw;

namespace {

// "ab1 cd22 e" with (\w+?)(\d+) matching "ab1" (groups "ab", "1") and "cd22" (groups "cd", "22"), and a
// third match where the first group took no part.
MatchTable sampleTable() {
    const QString subject = QStringLiteral("ab1 cd22 e");
    MatchSet set(2);
    const std::size_t unset = std::size_t(-1);
    const std::size_t rows[][6] = {{0, 3, 0, 2, 2, 3}, {4, 8, 4, 6, 6, 8}, {9, 10, unset, unset, 9, 10}};
    for (const auto &row : rows)
        set.append(row);
    MatchTable table(subject, MatchSet(2), 2);
    table.append(set);
    return table;
}

} // namespace

// The results list's cells as the list shows them and as an export reads them: both must give the same
// text for every cell, and nothing outside the table.
class TestMatchTableCells final : public QObject {
    Q_OBJECT
private slots:
    void cells_data();
    void cells();
    void shownCellsAreCut();
    void lineNumbersComeLast();
};

void TestMatchTableCells::cells_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::newRow("number of the first row") << 0 << 0 << "1";
    QTest::newRow("number of the third row") << 2 << 0 << "3";
    QTest::newRow("match text") << 1 << 1 << "cd22";
    QTest::newRow("first group") << 0 << 2 << "ab";
    QTest::newRow("second group") << 1 << 3 << "22";
    QTest::newRow("unset group is empty") << 2 << 2 << "";
    QTest::newRow("column past the groups") << 0 << 4 << "";
    QTest::newRow("negative column") << 0 << -1 << "";
    QTest::newRow("row past the end") << 3 << 1 << "";
    QTest::newRow("negative row") << -1 << 0 << "";
}

void TestMatchTableCells::cells() {
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    const MatchTable table = sampleTable();
    QCOMPARE(table.rowCount(), 3);
    QCOMPARE(table.columnCount(), 4);
    QCOMPARE(table.cell(row, column), text);
    QString appended = QStringLiteral("<");
    MatchTableCells(table).appendCell(row, column, appended);
    QCOMPARE(appended, u'<' + text);
}

void TestMatchTableCells::shownCellsAreCut() {
    const MatchTable table = sampleTable();
    QCOMPARE(table.cell(1, 1, 2), QStringLiteral("cd…"));
    QCOMPARE(table.cell(1, 1, 4), QStringLiteral("cd22"));
}

// A search of each line alone gives the line of each match as the last column, after the groups: an
// export's {1}, {2}, {3} ... keep their cells, and the next number is the line.
void TestMatchTableCells::lineNumbersComeLast() {
    const QString subject = QStringLiteral("ab1\r\n\r\ncd22\ne\rf3");
    MatchSet set(2);
    const std::size_t unset = std::size_t(-1);
    const std::size_t rows[][6] = {{0, 3, 0, 2, 2, 3}, {7, 11, 7, 9, 9, 11}, {14, 16, unset, unset, 15, 16}};
    for (const auto &row : rows)
        set.append(row);
    MatchTable table;
    table.reset(subject, std::make_shared<const LineStarts>(subject));
    QCOMPARE(table.columnCount(), 3);
    QCOMPARE(table.lineColumn(), 2);
    table.addSubmatchColumns(2);
    table.append(set);
    QCOMPARE(table.columnCount(), 5);
    QCOMPARE(table.lineColumn(), 4);

    const QStringList expected[] = {
        {"1", "ab1", "ab", "1", "1"}, {"2", "cd22", "cd", "22", "3"}, {"3", "f3", "", "3", "5"}};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column <= 5; ++column) {
            const QString text = column < 5 ? expected[row][column] : QString();
            QCOMPARE(table.cell(row, column), text);
            QString appended;
            MatchTableCells(table).appendCell(row, column, appended);
            QCOMPARE(appended, text);
        }
    }
    QCOMPARE(exportText(QStringLiteral("{1}:{2}@{5};"), MatchTableCells(table)),
             QStringLiteral("1:ab1@1;2:cd22@3;3:f3@5"));
    QCOMPARE(table.tabSeparated({{1, 2}}), QStringLiteral("2\tcd22\tcd\t22\t3\r\n3\tf3\t\t3\t5"));

    // Over the whole text there is no such column.
    table.reset(subject);
    table.append(set);
    QCOMPARE(table.lineColumn(), -1);
    QCOMPARE(table.columnCount(), 2);
}

QTEST_GUILESS_MAIN(TestMatchTableCells)
#include "tst_matchtablecells.moc"
