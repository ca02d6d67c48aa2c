#include "core/tasks/TaskPool.h"
#include "core/text/DocumentText.h"
#include "textbox/BoxText.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>

#include <optional>

using namespace rw;

namespace {
std::optional<QString> takeNow(QPlainTextEdit &box) {
    std::optional<QString> got;
    BoxText::of(&box)->take(&box, [&](const QString &text) { got = text; });
    if (!QTest::qWaitFor([&] { return got.has_value(); }, 20000))
        return std::nullopt;
    return got;
}
} // namespace

class TestBoxText final : public QObject {
    Q_OBJECT
private slots:
    void givesTheTextWithCrLf_data();
    void givesTheTextWithCrLf();
    void followsEveryEdit();
    void anEditWhileConvertingIsNotLost();
    void unchangedBoxNeedsNoReading();
    void nothingArrivesAfterTheContextIsGone();
    void paragraphsBecomeCrLf_data();
    void paragraphsBecomeCrLf();

private:
    TaskPool m_pool;
};

void TestBoxText::givesTheTextWithCrLf_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("breaks, blank lines, surrogate pair") << QStringLiteral("a\nb\n\nc😀\n");
    QTest::newRow("crlf from a file") << QStringLiteral("a\r\nb");
}

void TestBoxText::givesTheTextWithCrLf() {
    QFETCH(QString, text);
    QPlainTextEdit box;
    box.setPlainText(text);
    QCOMPARE(takeNow(box), QString(text)
                               .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                               .replace(QLatin1Char('\n'), QLatin1String("\r\n")));
}

void TestBoxText::followsEveryEdit() {
    QPlainTextEdit box;
    box.setPlainText(QStringLiteral("one"));
    QCOMPARE(takeNow(box), QStringLiteral("one"));
    QTextCursor(box.document()).insertText(QStringLiteral("x\n"));
    QCOMPARE(takeNow(box), QStringLiteral("x\r\none"));
    box.setPlainText(QStringLiteral("two"));
    QCOMPARE(takeNow(box), QStringLiteral("two"));
    box.clear();
    QCOMPARE(takeNow(box), QString());
}

void TestBoxText::anEditWhileConvertingIsNotLost() {
    QPlainTextEdit box;
    box.setPlainText(QString(1 << 20, QLatin1Char('a')));
    std::optional<QString> got;
    BoxText::of(&box)->take(&box, [&](const QString &text) { got = text; });
    // The conversion runs on a worker; an edit before it comes back makes it stale.
    QTextCursor(box.document()).insertText(QStringLiteral("B"));
    QTRY_VERIFY(got.has_value());
    QCOMPARE(got->size(), (1 << 20) + 1);
    QCOMPARE(got->front(), QLatin1Char('B'));
}

void TestBoxText::unchangedBoxNeedsNoReading() {
    QPlainTextEdit box;
    box.setPlainText(QStringLiteral("a\nb"));
    QCOMPARE(takeNow(box), QStringLiteral("a\r\nb"));
    bool called = false;
    BoxText::of(&box)->take(&box, [&](const QString &text) {
        called = true;
        QCOMPARE(text, QStringLiteral("a\r\nb"));
    });
    QVERIFY(called); // at once, without a round trip through a worker
}

void TestBoxText::nothingArrivesAfterTheContextIsGone() {
    QPlainTextEdit box;
    box.setPlainText(QStringLiteral("abc"));
    bool called = false;
    {
        QObject context;
        BoxText::of(&box)->take(&context, [&](const QString &) { called = true; });
    }
    QVERIFY(takeNow(box).has_value());
    QVERIFY(!called);
}

void TestBoxText::paragraphsBecomeCrLf_data() {
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("expected");
    QTest::newRow("paragraph separator") << QStringLiteral("a\u2029b") << QStringLiteral("a\r\nb");
    QTest::newRow("line separator") << QStringLiteral("a\u2028b") << QStringLiteral("a\r\nb");
    QTest::newRow("crlf stays one break")
        << QStringLiteral("a\r\nb\rc\nd") << QStringLiteral("a\r\nb\r\nc\r\nd");
    QTest::newRow("trailing break") << QStringLiteral("a\u2029") << QStringLiteral("a\r\n");
    QTest::newRow("no-break space kept") << QStringLiteral("a\u00a0b") << QStringLiteral("a\u00a0b");
}

void TestBoxText::paragraphsBecomeCrLf() {
    QFETCH(QString, raw);
    QTEST(paragraphsToCrLf(raw), "expected");
}

QTEST_MAIN(TestBoxText)
#include "tst_boxtext.moc"
