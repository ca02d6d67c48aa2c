#include "core/export/CellTable.h"
#include "core/export/DesktopExportName.h"
#include "core/export/ExportTemplate.h"

#include <QTest>

namespace {

using Rows = QList<QStringList>;

// A results list held as plain rows of texts.
class RowsTable final : public rw::CellTable {
public:
    explicit RowsTable(Rows rows) : m_rows(std::move(rows)) {}

    qsizetype rowCount() const override { return m_rows.size(); }
    void appendCell(qsizetype row, int column, QString &out) const override {
        if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_rows[row].size())
            return;
        out += m_rows[row][column];
    }

private:
    Rows m_rows;
};

const Rows TwoRows{{"1", "ab", "a"}, {"2", "cd", "c"}};

} // namespace

class tst_ExportTemplate final : public QObject {
    Q_OBJECT

private slots:
    void render_data();
    void render();
    void pieces();
    void desktopFileName_data();
    void desktopFileName();
};

void tst_ExportTemplate::render_data() {
    QTest::addColumn<QString>("templateText");
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("text");

    QTest::newRow("no break after the last row") << "{3}#换行符" << TwoRows << "a\r\nc";
    QTest::newRow("final literal left out on the last row only") << "{1}={2};" << TwoRows << "1=ab;2=cd";
    QTest::newRow("literal before the first reference")
        << "第{1}项: {2}#换行符" << TwoRows << "第1项: ab\r\n第2项: cd";
    QTest::newRow("whole final run left out") << "[{2}]#换行符" << TwoRows << "[ab]\r\n[cd";
    QTest::newRow("adjacent references alternate with the one run")
        << "{1}{2}#换行符" << TwoRows << "1\r\nab2\r\ncd";
    QTest::newRow("grouping characters dropped") << "({2})#换行符" << TwoRows << "ab\r\ncd";
    QTest::newRow("no literal run: one empty literal piece") << "{2}" << TwoRows << "";
    QTest::newRow("every marker a break but the final one")
        << "{2}#换行符{3}#换行符" << TwoRows << "ab\r\na\r\ncd\r\nc";

    QTest::newRow("reference cursor carries over rows") << "{1}{2}{3}a" << TwoRows << "1aabaca2";
    QTest::newRow("literal cursor carries over rows") << "a{1}b(c" << TwoRows << "a1b1c2a2";
    QTest::newRow("column zero is empty") << "{0}-{1}," << TwoRows << "-1,-2";
    QTest::newRow("column past the last is empty") << "{9}-{1}," << TwoRows << "-1,-2";
    QTest::newRow("number too large for any column") << "{99999999999999999999}-{1}," << TwoRows << "-1,-2";
    QTest::newRow("leading zeros") << "{03};" << TwoRows << "a;c";
    QTest::newRow("empty table") << "{1}#换行符" << Rows{} << "";
    QTest::newRow("single row") << "{1}={2};" << Rows{{"7", "x"}} << "7=x";
    QTest::newRow("empty template") << "" << TwoRows << "";
    QTest::newRow("literal only") << "abc" << TwoRows << "abc";
    QTest::newRow("stray digits and unclosed braces dropped") << "{2}7{ {x}+" << TwoRows << "ab abcdxcd";
    // The first literal run is "x", but the template begins with "(": each row starts with a reference.
    QTest::newRow("template starting with a dropped character") << "(x{1}" << TwoRows << "1x2";
    QTest::newRow("run not at the start") << "9a{2}" << TwoRows << "abacd";
    // Backslash and d are ordinary characters of a literal run.
    QTest::newRow("backslash and d are literal") << "\\d{1}" << TwoRows << "\\d1\\d2";
    QTest::newRow("nested brace takes the inner reference") << "{{2}}," << TwoRows << "ab,cd";
    QTest::newRow("marker split by a digit is no marker") << "{1}#换1行符" << TwoRows << "1#换12行符2";
}

void tst_ExportTemplate::render() {
    QFETCH(QString, templateText);
    QFETCH(Rows, rows);
    QFETCH(QString, text);

    const RowsTable table(rows);
    QCOMPARE(rw::exportText(templateText, table), text);

    // A template taken apart once gives the same text on every use.
    const rw::ExportTemplate parsed(templateText);
    QCOMPARE(parsed.render(table), text);
    QCOMPARE(parsed.render(table), text);
}

void tst_ExportTemplate::pieces() {
    const rw::ExportTemplate parsed(u"第{1}项#换行符{02}(+){0}");
    QCOMPARE(parsed.literals(), (QList<QString>{"第", "项\r\n"}));
    QCOMPARE(parsed.columns(), (QList<int>{0, 1, -1}));
    QVERIFY(parsed.beginsWithLiteral());

    QVERIFY(!rw::ExportTemplate(u"{1}x").beginsWithLiteral());
    QVERIFY(rw::ExportTemplate(u"{1}{2}").beginsWithLiteral());
}

void tst_ExportTemplate::desktopFileName_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("name");

    const QDate day(2026, 12, 8);
    QTest::newRow("minutes") << "" << QDateTime(day, QTime(20, 5, 0)) << "2026年12月8日20时5分.txt";
    QTest::newRow("midnight") << "" << QDateTime(day, QTime(0, 0, 0)) << "2026年12月8日.txt";
    QTest::newRow("full hour") << "" << QDateTime(day, QTime(20, 0, 0)) << "2026年12月8日20时.txt";
    QTest::newRow("seconds") << "" << QDateTime(day, QTime(20, 5, 7)) << "2026年12月8日20时5分7秒.txt";
    QTest::newRow("seconds after midnight")
        << "" << QDateTime(day, QTime(0, 0, 9)) << "2026年12月8日0时0分9秒.txt";
    QTest::newRow("minutes after midnight")
        << "" << QDateTime(QDate(2027, 1, 2), QTime(0, 30, 0)) << "2027年1月2日0时30分.txt";
    QTest::newRow("typed name") << "导出" << QDateTime(day, QTime(20, 5, 0)) << "导出.txt";
    QTest::newRow("typed name with suffix") << "a.txt" << QDateTime(day, QTime(20, 5, 0)) << "a.txt.txt";
}

void tst_ExportTemplate::desktopFileName() {
    QFETCH(QString, typed);
    QFETCH(QDateTime, now);
    QFETCH(QString, name);

    QCOMPARE(rw::desktopExportFileName(typed, now), name);
}

QTEST_GUILESS_MAIN(tst_ExportTemplate)
#include "tst_exporttemplate.moc"
