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

QTEST_GUILESS_MAIN(TestMatchTableCells)
#include "tst_matchtablecells.moc"
