#include "TestWindow.h"
#include "results/ResultsView.h"

#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTabWidget>
#include <QTextDocument>

using namespace rw;

namespace {

const QString kList = QStringLiteral("超级列表框_结果");

// Fills the inputs and presses Match (global, multi-line); returns when the run has ended.
bool runMatch(TestWindow &t, const QString &expression, const QString &source) {
    t.setInputs(expression, source);
    t.find<QCheckBox>("选择框_多行模式")->setChecked(true);
    return t.clickAndWait(QStringLiteral("按钮_匹配"), QStringLiteral("匹配"));
}

// The list, shown and holding the keyboard focus, as a user who clicked into it has it.
ResultsView *focusedList(TestWindow &t) {
    auto *view = t.find<ResultsView>(kList);
    t.find<QTabWidget>("高级选择夹2")->setCurrentIndex(0);
    view->setFocus();
    return view;
}

void clickRow(ResultsView *view, int row, Qt::KeyboardModifiers modifiers = {}) {
    const QRect cell = view->visualRect(view->model()->index(row, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, cell.center());
}

} // namespace

class TestResults final : public QObject {
    Q_OBJECT
private slots:
    void copiesSelectedRowsAsTabSeparatedWholeTexts();
    void copyingAMillionRowsIsQuick();
    void groupHeaderTooltipNamesTheGroup();
    void cellShowsMarksAndTooltipShowsText_data();
    void cellShowsMarksAndTooltipShowsText();
    void doubleClickOnDividerFitsTheShownText();
};

void TestResults::copiesSelectedRowsAsTabSeparatedWholeTexts() {
    TestWindow t;
    const QString longValue = QString(3000, QLatin1Char('v'));
    QVERIFY(runMatch(t, QStringLiteral("^(\\w+)=([^\\r\\n]*)"),
                     QStringLiteral("a=1\tx\nb=2\nc=") + longValue + QStringLiteral("\nd=")));
    auto *view = focusedList(t);
    QCOMPARE(view->model()->rowCount(), 4);
    const QString row1 = QStringLiteral("1\ta=1\tx\ta\t1\tx");
    const QString row2 = QStringLiteral("2\tb=2\tb\t2");
    const QString row3 = QStringLiteral("3\tc=") + longValue + QStringLiteral("\tc\t") + longValue;
    const QString row4 = QStringLiteral("4\td=\td\t");

    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(view->selectionModel()->selectedRows().size(), 4);
    QGuiApplication::clipboard()->setText(QStringLiteral("old"));
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), row1 + "\r\n" + row2 + "\r\n" + row3 + "\r\n" + row4);

    // Rows picked with Ctrl held, last one first, come out in list order.
    clickRow(view, 2);
    clickRow(view, 0, Qt::ControlModifier);
    QCOMPARE(view->selectionModel()->selectedRows().size(), 2);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), row1 + "\r\n" + row3);

    // A range with Shift, less one row taken out again with Ctrl.
    clickRow(view, 0);
    clickRow(view, 3, Qt::ShiftModifier);
    clickRow(view, 1, Qt::ControlModifier);
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), row1 + "\r\n" + row3 + "\r\n" + row4);

    // Nothing selected: the clipboard keeps what it had.
    view->clearSelection();
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
}

void TestResults::copyingAMillionRowsIsQuick() {
    TestWindow t;
    QVERIFY(runMatch(t, QStringLiteral("^(a)a+"), QStringLiteral("aaa\n").repeated(1'000'000)));
    auto *view = focusedList(t);
    QCOMPARE(view->model()->rowCount(), 1'000'000);

    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);
    const qint64 selectMs = clock.restart();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    const qint64 copyMs = clock.elapsed();
    qInfo("1,000,000 rows: Ctrl+A %lld ms, Ctrl+C %lld ms", selectMs, copyMs);

    const QString text = QGuiApplication::clipboard()->text();
    QVERIFY(text.startsWith(QStringLiteral("1\taaa\ta\r\n2\taaa\ta\r\n")));
    QVERIFY(text.endsWith(QStringLiteral("\r\n1000000\taaa\ta")));
    // 5,888,896 digits in the numbers 1 to 1,000,000; six more characters a row; CRLF between rows.
    QCOMPARE(text.size(), qsizetype(5'888'896 + 6 * 1'000'000 + 2 * 999'999));
    // Generous for a shared machine; the figure above is what matters.
    QVERIFY2(selectMs + copyMs < 2000, "select all and copy held the window");
}

void TestResults::groupHeaderTooltipNamesTheGroup() {
    TestWindow t;
    QVERIFY(runMatch(t, QStringLiteral("(\\d)-(\\d)"), QStringLiteral("1-2")));
    QAbstractItemModel *model = t.find<ResultsView>(kList)->model();
    QCOMPARE(model->columnCount(), 4);
    QVERIFY(model->headerData(0, Qt::Horizontal, Qt::ToolTipRole).isNull());
    QVERIFY(model->headerData(1, Qt::Horizontal, Qt::ToolTipRole).isNull());
    QCOMPARE(model->headerData(2, Qt::Horizontal, Qt::ToolTipRole).toString(),
             QStringLiteral("表达式中第 1 个捕获分组 (子匹配 1) 匹配到的文本"));
    QCOMPARE(model->headerData(3, Qt::Horizontal, Qt::ToolTipRole).toString(),
             QStringLiteral("表达式中第 2 个捕获分组 (子匹配 2) 匹配到的文本"));
}

void TestResults::cellShowsMarksAndTooltipShowsText_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("tooltip");

    // The source box hands the engine CRLF line breaks.
    QTest::newRow("services line with tabs") << "^([\\w-]+)\\s+(\\d+)/(tcp|udp)"
                                             << "tcpmux\t\t1/tcp\t# TCP port service multiplexer"
                                             << "tcpmux→→1/tcp"
                                             << "tcpmux\t\t1/tcp";
    QTest::newRow("line breaks") << "a[\\s\\S]*z"
                                 << "a\nb\n\nz"
                                 << "a↵b↵↵z"
                                 << "a\r\nb\r\n\r\nz";
    QTest::newRow("text that looks like markup") << "<b>.*</b>"
                                                 << "<b>bold?</b>"
                                                 << "<b>bold?</b>"
                                                 << "<b>bold?</b>";
    const QString longLine = QStringLiteral("x\t") + QString(2500, QLatin1Char('y'));
    QTest::newRow("long text is capped in both")
        << "x[\\s\\S]*" << longLine << QStringLiteral("x→") + QString(1998, QLatin1Char('y')) + QChar(0x2026)
        << longLine.first(2000) + QChar(0x2026);
}

void TestResults::cellShowsMarksAndTooltipShowsText() {
    QFETCH(QString, expression);
    QFETCH(QString, source);
    QFETCH(QString, shown);
    QFETCH(QString, tooltip);

    TestWindow t;
    QVERIFY(runMatch(t, expression, source));
    const QModelIndex cell = t.find<ResultsView>(kList)->model()->index(0, 1);
    QCOMPARE(cell.data(Qt::DisplayRole).toString(), shown);
    // The tooltip may be escaped to keep markup from being drawn; what the user reads is the text as it is.
    const QString tip = cell.data(Qt::ToolTipRole).toString();
    QTextDocument document;
    if (Qt::mightBeRichText(tip))
        document.setHtml(tip);
    else
        document.setPlainText(tip);
    QCOMPARE(document.toPlainText(), QString(tooltip).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    if (!Qt::mightBeRichText(tip))
        QCOMPARE(tip, tooltip);
}

void TestResults::doubleClickOnDividerFitsTheShownText() {
    TestWindow t;
    const QString tail = QString(60, QLatin1Char('y'));
    QVERIFY(runMatch(t, QStringLiteral("x\\s+y+"), QStringLiteral("x\n") + tail));
    auto *view = focusedList(t);
    QHeaderView *header = view->horizontalHeader();
    view->setColumnWidth(1, 30);

    const QPoint divider(header->sectionViewportPosition(1) + header->sectionSize(1) - 1,
                         header->height() / 2);
    QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, divider);

    // Wide enough for the whole shown text, not only what comes before the line break.
    const int textWidth = view->fontMetrics().horizontalAdvance(QStringLiteral("x↵") + tail);
    QVERIFY2(view->columnWidth(1) >= textWidth,
             qPrintable(QStringLiteral("%1 < %2").arg(view->columnWidth(1)).arg(textWidth)));
    QVERIFY(view->columnWidth(1) < textWidth + 60);
}

QTEST_MAIN(TestResults)
#include "tst_results.moc"
