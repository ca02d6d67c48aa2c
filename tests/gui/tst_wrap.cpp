#include "core/text/LongLines.h"
#include "textbox/AffordableWrap.h"
#include "textbox/LargeText.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>

using namespace rw;

namespace {
QTextOption::WrapMode wrapOf(const QPlainTextEdit &box) {
    return box.document()->defaultTextOption().wrapMode();
}

const QString kLongRun = QString(kLongUnbrokenRun + 1, QLatin1Char('a'));
const QString kLongProse = QStringLiteral("word ").repeated(kLongUnbrokenRun);
} // namespace

class TestWrap final : public QObject {
    Q_OBJECT
private slots:
    void findsLongRuns_data();
    void findsLongRuns();
    void editsWithALongRunWrapAnywhere_data();
    void editsWithALongRunWrapAnywhere();
    void builtDocumentsChooseTheirWrap();
};

void TestWrap::findsLongRuns_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("long");
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("exactly the limit") << QString(kLongUnbrokenRun, QLatin1Char('a')) << false;
    QTest::newRow("one past the limit") << kLongRun << true;
    QTest::newRow("prose") << kLongProse << false;
    QTest::newRow("broken by a line break")
        << (QString(6000, QLatin1Char('a')) + QLatin1Char('\n') + QString(6000, QLatin1Char('a'))) << false;
    QTest::newRow("after prose") << (kLongProse + kLongRun) << true;
}

void TestWrap::findsLongRuns() {
    QFETCH(QString, text);
    QTEST(hasLongUnbrokenRun(text), "long");
}

void TestWrap::editsWithALongRunWrapAnywhere_data() {
    QTest::addColumn<QString>("inserted");
    QTest::addColumn<bool>("anywhere");
    QTest::newRow("long run") << kLongRun << true;
    QTest::newRow("long run among lines")
        << (QStringLiteral("x\n").repeated(100) + kLongRun + QStringLiteral("\ny")) << true;
    QTest::newRow("long prose") << kLongProse << false;
    QTest::newRow("short") << QStringLiteral("abc") << false;
}

void TestWrap::editsWithALongRunWrapAnywhere() {
    QFETCH(QString, inserted);
    QFETCH(bool, anywhere);
    QPlainTextEdit box;
    keepWrappingAffordable(&box);
    box.setPlainText(QStringLiteral("start\n"));
    QTextCursor(box.document()).insertText(inserted);
    QCOMPARE(wrapOf(box) == QTextOption::WrapAnywhere, anywhere);
    QCOMPARE(box.toPlainText(), inserted + QStringLiteral("start\n"));
}

void TestWrap::builtDocumentsChooseTheirWrap() {
    QPlainTextEdit box;
    keepWrappingAffordable(&box);
    showPlainDocument(&box, buildPlainDocument(kLongRun, plainDocumentSettings(&box), box.thread()));
    QCOMPARE(wrapOf(box), QTextOption::WrapAnywhere);
    QCOMPARE(box.toPlainText(), kLongRun);
    // A later ordinary text wraps at word boundaries again.
    showPlainDocument(&box, buildPlainDocument(kLongProse, plainDocumentSettings(&box), box.thread()));
    QCOMPARE(wrapOf(box), QTextOption::WrapAtWordBoundaryOrAnywhere);
    // The box's new document is watched too.
    QTextCursor(box.document()).insertText(kLongRun);
    QCOMPARE(wrapOf(box), QTextOption::WrapAnywhere);
}

QTEST_MAIN(TestWrap)
#include "tst_wrap.moc"
