#include "core/tasks/TaskPool.h"
#include "core/text/DocumentText.h"
#include "textbox/BoxLoader.h"
#include "textbox/BoxText.h"
#include "textbox/TextEditor.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace rw;

namespace {
std::optional<QString> takeNow(TextEditor &box) {
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
    void anEditWhileJoiningGoesToALaterTaker();
    void unchangedBoxNeedsNoReading();
    void nothingArrivesAfterTheContextIsGone();
    void paragraphsBecomeCrLf_data();
    void paragraphsBecomeCrLf();
    void aLoadHoldsTakersUntilItEnds_data();
    void aLoadHoldsTakersUntilItEnds();

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
    TextEditor box;
    box.setPlainText(text);
    QCOMPARE(takeNow(box), QString(text)
                               .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                               .replace(QLatin1Char('\n'), QLatin1String("\r\n")));
}

void TestBoxText::followsEveryEdit() {
    TextEditor box;
    box.setPlainText(QStringLiteral("one"));
    QCOMPARE(takeNow(box), QStringLiteral("one"));
    box.replaceRange(0, 0, QStringLiteral("x\n"));
    QCOMPARE(takeNow(box), QStringLiteral("x\r\none"));
    box.undo();
    QCOMPARE(takeNow(box), QStringLiteral("one"));
    box.setPlainText(QStringLiteral("two"));
    QCOMPARE(takeNow(box), QStringLiteral("two"));
    box.clear();
    QCOMPARE(takeNow(box), QString());
}

void TestBoxText::anEditWhileJoiningGoesToALaterTaker() {
    TextEditor box;
    const QString before(1 << 20, QLatin1Char('a'));
    box.setPlainText(before);
    std::optional<QString> first, second;
    BoxText::of(&box)->take(&box, [&](const QString &text) { first = text; });
    // The text is joined on a worker; the edit comes before it is back. The first taker gets the text
    // as it was when it asked, the second the edited one.
    box.replaceRange(0, 0, QStringLiteral("B"));
    BoxText::of(&box)->take(&box, [&](const QString &text) { second = text; });
    QTRY_VERIFY(first.has_value() && second.has_value());
    QVERIFY(*first == before);
    QCOMPARE(second->size(), (1 << 20) + 1);
    QCOMPARE(second->front(), QLatin1Char('B'));
    // What the second taker got is kept: the box has not changed since.
    bool atOnce = false;
    BoxText::of(&box)->take(&box, [&](const QString &text) {
        atOnce = true;
        QVERIFY(text == *second);
    });
    QVERIFY(atOnce);
}

void TestBoxText::unchangedBoxNeedsNoReading() {
    TextEditor box;
    box.setPlainText(QStringLiteral("a\nb"));
    QCOMPARE(takeNow(box), QStringLiteral("a\r\nb"));
    // Moving the cursor or selecting changes no text.
    box.setSelection(0, 2);
    bool called = false;
    BoxText::of(&box)->take(&box, [&](const QString &text) {
        called = true;
        QCOMPARE(text, QStringLiteral("a\r\nb"));
    });
    QVERIFY(called); // at once, without a round trip through a worker
}

void TestBoxText::nothingArrivesAfterTheContextIsGone() {
    TextEditor box;
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

void TestBoxText::aLoadHoldsTakersUntilItEnds_data() {
    QTest::addColumn<bool>("whole");
    QTest::newRow("the whole text comes") << true;
    QTest::newRow("the read fails") << false;
}

// While a load runs, its first screen standing in for the text, nobody takes the box's text for the
// text: takers wait for the whole, or for the text from before, which comes back with its caret and
// selection, editable as it was. A second load over the first keeps the text from before both, and the
// first, superseded, shows nothing more.
void TestBoxText::aLoadHoldsTakersUntilItEnds() {
    QFETCH(bool, whole);
    QTemporaryDir dir;
    const auto bigFile = [&dir](const QString &name, const QByteArray &word) {
        QByteArray bytes;
        for (int i = 0; bytes.size() <= 5 * 1024 * 1024; ++i)
            bytes += word + ' ' + QByteArray::number(i) + '\n';
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qWarning("can't write %s", qPrintable(file.fileName()));
        return file.fileName();
    };
    const auto utf8 = [](QByteArrayView bytes) { return QString::fromUtf8(bytes); };
    TextEditor box;
    box.setPlainText(QStringLiteral("before\nit"));
    box.setSelection(2, 8);
    BoxLoader loader(&box);
    const BoxLoader::Load first = loader.begin(&box);
    QVERIFY(box.isReadOnly());
    first.showFirstScreen(bigFile(QStringLiteral("first.txt"), "first"), utf8);
    QVERIFY(
        QTest::qWaitFor([&] { return box.toPlainText().startsWith(QStringLiteral("first 0\nfirst 1\n")); }));

    const BoxLoader::Load second = loader.begin(&box);
    second.showFirstScreen(bigFile(QStringLiteral("second.txt"), "second"), utf8);
    QVERIFY(QTest::qWaitFor([&] { return box.toPlainText().startsWith(QStringLiteral("second 0\n")); }));
    QVERIFY(box.isReadOnly());

    std::optional<QString> taken;
    BoxText::of(&box)->take(&box, [&](const QString &text) { taken = text; });
    first.showWhole(QStringLiteral("superseded"));
    first.fail();
    QTest::qWait(50);
    QVERIFY(!taken);
    QVERIFY(box.toPlainText().startsWith(QStringLiteral("second 0\n")));
    if (whole) {
        second.showWhole(QStringLiteral("other 1\nother 2"));
        QVERIFY(QTest::qWaitFor([&] { return taken.has_value(); }, 20000));
        QCOMPARE(*taken, QStringLiteral("other 1\r\nother 2"));
    } else {
        second.fail();
        QVERIFY(QTest::qWaitFor([&] { return taken.has_value(); }, 20000));
        QCOMPARE(*taken, QStringLiteral("before\r\nit"));
        QCOMPARE(box.anchorPosition(), 2);
        QCOMPARE(box.cursorPosition(), 8);
    }
    QVERIFY(!box.isReadOnly());
    QVERIFY(!loader.isLoading());
}

QTEST_MAIN(TestBoxText)
#include "tst_boxtext.moc"
