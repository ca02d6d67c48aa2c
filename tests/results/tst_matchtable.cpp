#include "core/results/MatchTable.h"
#include "core/results/VisibleMarks.h"

#include <QTest>

#include <QElapsedTimer>

#include <utility>

using namespace Qt::StringLiterals;
using namespace rw;

using Spans = QList<std::pair<qsizetype, qsizetype>>;

namespace {

// Three matches of a pattern with two groups over one subject; the second group of row 2 took no part,
// and the texts hold tabs and line breaks that must reach the clipboard unchanged.
MatchTable fixture() {
    static const QString subject = QStringLiteral("k1=v\t1;k2=v\r\n2;k3;");
    MatchSet set(2);
    const std::size_t rows[][6] = {
        {0, 6, 0, 2, 3, 6}, {7, 14, 7, 9, 10, 14}, {15, 17, 15, 17, std::size_t(-1), std::size_t(-1)}};
    for (const auto &row : rows)
        set.append(row);
    return MatchTable(subject, set, 2);
}

} // namespace

class tst_MatchTable final : public QObject {
    Q_OBJECT

private slots:
    void visibleMarks_data();
    void visibleMarks();
    void tabSeparated_data();
    void tabSeparated();
    void tabSeparatedMillionRowsIsQuick();
};

void tst_MatchTable::visibleMarks_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain text unchanged") << "tcpmux 1/tcp"
                                          << "tcpmux 1/tcp";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("tab") << "tcpmux\t1"
                         << "tcpmux→1";
    QTest::newRow("tabs in a row") << "\t\ta\t"
                                   << "→→a→";
    QTest::newRow("LF") << "a\nb"
                        << "a↵b";
    QTest::newRow("CRLF is one break") << "a\r\nb"
                                       << "a↵b";
    QTest::newRow("lone CR") << "a\rb"
                             << "a↵b";
    QTest::newRow("LF CR is two breaks") << "a\n\rb"
                                         << "a↵↵b";
    QTest::newRow("CRLF CRLF") << "\r\n\r\n"
                               << "↵↵";
    QTest::newRow("CR CRLF") << "\r\r\n"
                             << "↵↵";
    QTest::newRow("trailing CR") << "a\r"
                                 << "a↵";
    QTest::newRow("unicode line and paragraph separators") << u"a\u2028b\u2029c\u0085d"_qs << "a↵b↵c↵d";
    QTest::newRow("vertical tab and form feed") << "a\vb\fc"
                                                << "a↵b↵c";
    QTest::newRow("chinese and marks") << "正则\t表达式\r\n"
                                       << "正则→表达式↵";
    QTest::newRow("the marks themselves pass") << "→↵"
                                               << "→↵";
}

void tst_MatchTable::visibleMarks() {
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(withVisibleMarks(text), expected);
}

void tst_MatchTable::tabSeparated_data() {
    QTest::addColumn<Spans>("spans");
    QTest::addColumn<QString>("expected");

    const QString r1 = QStringLiteral("1\tk1=v\t1\tk1\tv\t1");
    const QString r2 = QStringLiteral("2\tk2=v\r\n2\tk2\tv\r\n2");
    const QString r3 = QStringLiteral("3\tk3\tk3\t");
    const QString crlf = QStringLiteral("\r\n");

    QTest::newRow("every row") << Spans{{0, 2}} << r1 + crlf + r2 + crlf + r3;
    QTest::newRow("one row, no line break after it") << Spans{{1, 1}} << r2;
    QTest::newRow("spans out of order come in row order") << Spans{{2, 2}, {0, 0}} << r1 + crlf + r3;
    QTest::newRow("overlapping spans give each row once")
        << Spans{{0, 1}, {1, 2}, {0, 0}} << r1 + crlf + r2 + crlf + r3;
    QTest::newRow("span inside another") << Spans{{0, 2}, {1, 1}} << r1 + crlf + r2 + crlf + r3;
    QTest::newRow("spans past the table are clipped") << Spans{{-5, 0}, {2, 99}} << r1 + crlf + r3;
    QTest::newRow("nothing selected") << Spans{} << "";
    QTest::newRow("empty span") << Spans{{2, 1}} << "";
}

void tst_MatchTable::tabSeparated() {
    QFETCH(Spans, spans);
    QFETCH(QString, expected);
    QCOMPARE(fixture().tabSeparated(spans), expected);
}

void tst_MatchTable::tabSeparatedMillionRowsIsQuick() {
    // Whole texts are copied even where the list shows them shortened.
    const QString longText = QString(5000, QLatin1Char('x'));
    MatchSet set(1);
    const std::size_t first[] = {0, 5000, 0, 1};
    set.append(first);
    const std::size_t small[] = {5000, 5002, 5001, 5002};
    for (int i = 1; i < 1'000'000; ++i)
        set.append(small);
    const MatchTable table(longText + QStringLiteral("ab"), set, 1);

    QElapsedTimer clock;
    clock.start();
    const QString text = table.tabSeparated({{0, table.rowCount() - 1}});
    const qint64 ms = clock.elapsed();
    qInfo("1,000,000 rows as tab-separated text: %lld ms, %lld characters", ms, qint64(text.size()));
    QVERIFY(text.startsWith(QStringLiteral("1\t") + longText + QStringLiteral("\tx\r\n2\tab\tb\r\n")));
    QVERIFY(text.endsWith(QStringLiteral("\r\n1000000\tab\tb")));
    QCOMPARE(text.count(QLatin1String("\r\n")), 999'999);
    QVERIFY2(ms < 1000, qPrintable(QStringLiteral("took %1 ms").arg(ms)));
}

QTEST_GUILESS_MAIN(tst_MatchTable)
#include "tst_matchtable.moc"
