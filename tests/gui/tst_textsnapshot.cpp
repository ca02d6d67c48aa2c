#include "platform/TextSnapshot.h"
#include "text/DocumentText.h"

#include <QPlainTextEdit>
#include <QTest>

#include <optional>

using namespace rw;

class TestTextSnapshot final : public QObject {
    Q_OBJECT
private slots:
    void takesTheWholeText_data();
    void takesTheWholeText();
    void anEditMeanwhileStartsOver();
    void nothingArrivesAfterTheContextIsGone();
    void paragraphsBecomeCrLf_data();
    void paragraphsBecomeCrLf();
};

void TestTextSnapshot::takesTheWholeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("short with breaks") << QStringLiteral("a\nb\n\nc😀\n");
    // Longer than one slice, with a break and a surrogate pair near the slice boundaries.
    QString big = QString(1 << 20, QLatin1Char('x'));
    big[(1 << 20) - 1] = QLatin1Char('\n');
    QTest::newRow("several slices") << (big + QStringLiteral("😀") + big + QStringLiteral("end"));
}

void TestTextSnapshot::takesTheWholeText()
{
    QFETCH(QString, text);
    QPlainTextEdit box;
    box.setPlainText(text);
    std::optional<QString> got;
    takeText(&box, &box, [&](QString raw) { got = paragraphsToCrLf(raw); });
    QTRY_VERIFY(got.has_value());
    QCOMPARE(*got, QString(text).replace(QLatin1Char('\n'), QLatin1String("\r\n")));
}

void TestTextSnapshot::anEditMeanwhileStartsOver()
{
    QPlainTextEdit box;
    box.setPlainText(QString(3 << 20, QLatin1Char('a')));
    std::optional<QString> got;
    takeText(&box, &box, [&](QString raw) { got = raw; });
    QVERIFY(!got.has_value());
    QTextCursor cursor(box.document());
    cursor.insertText(QStringLiteral("B"));
    QTRY_VERIFY(got.has_value());
    QCOMPARE(got->size(), (3 << 20) + 1);
    QCOMPARE(got->front(), QLatin1Char('B'));
}

void TestTextSnapshot::nothingArrivesAfterTheContextIsGone()
{
    QPlainTextEdit box;
    box.setPlainText(QString(3 << 20, QLatin1Char('a')));
    bool called = false;
    {
        QObject context;
        takeText(&box, &context, [&](QString) { called = true; });
    }
    QTest::qWait(200);
    QVERIFY(!called);
}

void TestTextSnapshot::paragraphsBecomeCrLf_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("expected");
    QTest::newRow("paragraph separator") << QStringLiteral("a\u2029b") << QStringLiteral("a\r\nb");
    QTest::newRow("line separator") << QStringLiteral("a\u2028b") << QStringLiteral("a\r\nb");
    QTest::newRow("crlf stays one break") << QStringLiteral("a\r\nb\rc\nd") << QStringLiteral("a\r\nb\r\nc\r\nd");
    QTest::newRow("trailing break") << QStringLiteral("a\u2029") << QStringLiteral("a\r\n");
    QTest::newRow("no-break space kept") << QStringLiteral("a\u00a0b") << QStringLiteral("a\u00a0b");
}

void TestTextSnapshot::paragraphsBecomeCrLf()
{
    QFETCH(QString, raw);
    QTEST(paragraphsToCrLf(raw), "expected");
}

QTEST_MAIN(TestTextSnapshot)
#include "tst_textsnapshot.moc"
