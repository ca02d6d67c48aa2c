#include "TestWindow.h"
#include "app/MainWindowUi.h"
#include "export/ExportController.h"
#include "results/ResultsView.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

#include <optional>

using namespace rw;

namespace {
const QString kToClipboard = QStringLiteral("导出到剪辑板");
const QString kToDesktop = QStringLiteral("导出到桌面txt");
const QString kTemplateTitle = QStringLiteral("导出格式");
const QString kTemplatePrompt =
    QStringLiteral("格式:{3}#换行符\r\n解释: 3=第三列 #换行符=换行符\r\n完全自定义格式");
const QString kNameTitle = QStringLiteral("好了,请填写txt名字");
const QString kUntouched = QStringLiteral("untouched");

const QString kMenu = QStringLiteral("匹配结果右键菜单");

// Fills the results list by a real Match run: rows (1, ab, a) and (2, cd, c).
bool fillTwoRows(TestWindow &t) {
    t.setInputs(QStringLiteral("(\\w)\\w"), QStringLiteral("ab cd"));
    return t.clickAndWait(QStringLiteral("按钮_匹配"), QStringLiteral("匹配"));
}

// Exports to the clipboard through the menu and returns the clipboard text once the status says so.
std::optional<QString> exportToClipboard(TestWindow &t, const QString &templateText) {
    QGuiApplication::clipboard()->setText(kUntouched);
    t.window().ui().setStatus(QString());
    t.dialogs.texts.push_back(templateText);
    t.action(kMenu, kToClipboard)->trigger();
    if (!QTest::qWaitFor([&] { return t.status() == QStringLiteral("已放置剪辑板"); }, 20000))
        return std::nullopt;
    return QGuiApplication::clipboard()->text();
}

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}
} // namespace

class TestExport final : public QObject {
    Q_OBJECT
private slots:
    void menuOpensOnTheList();
    void templates_data();
    void templates();
    void cancelOrEmptyTemplateDoesNothing_data();
    void cancelOrEmptyTemplateDoesNothing();
    void desktopFileName_data();
    void desktopFileName();
    void desktopFileIsUtf8AndOverwritten();
    void failedWriteIsReported_data();
    void failedWriteIsReported();
    void emptyListExportsEmptyText();
    void newestOfOverlappingExportsWins_data();
    void newestOfOverlappingExportsWins();
};

void TestExport::menuOpensOnTheList() {
    TestWindow t;
    MainWindowUi &ui = t.window().ui();
    // A request over empty space opens the menu too.
    const QPoint pos(20, 30);
    emit ui.resultsList->customContextMenuRequested(pos);
    QTRY_VERIFY(ui.resultsMenu->isVisible());
    QCOMPARE(ui.resultsMenu->pos(), ui.resultsList->viewport()->mapToGlobal(pos) + QPoint(3, 3));
    ui.resultsMenu->close();
}

void TestExport::templates_data() {
    QTest::addColumn<QString>("templateText");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no break after the last row") << "{3}#换行符"
                                                 << "a\r\nc";
    QTest::newRow("final literal left out on the last row") << "{1}={2};"
                                                            << "1=ab;2=cd";
    QTest::newRow("literal before the first reference") << "第{1}项: {2}#换行符"
                                                        << "第1项: ab\r\n第2项: cd";
    QTest::newRow("whole final run left out") << "[{2}]#换行符"
                                              << "[ab]\r\n[cd";
    QTest::newRow("pieces alternate") << "{1}{2}#换行符"
                                      << "1\r\nab2\r\ncd";
    QTest::newRow("brackets and digits dropped") << "({2})#换行符"
                                                 << "ab\r\ncd";
    QTest::newRow("no literal run") << "{2}"
                                    << "";
    QTest::newRow("every break kept but the last") << "{2}#换行符{3}#换行符"
                                                   << "ab\r\na\r\ncd\r\nc";
    QTest::newRow("missing column is empty") << "<{9}>{1}"
                                             << "<>1<>2";
    QTest::newRow("column zero is empty") << "{0}-{1},"
                                          << "-1,-2";
    QTest::newRow("leading zeros") << "{002};"
                                   << "ab;cd";
}

void TestExport::templates() {
    QFETCH(QString, templateText);
    QFETCH(QString, expected);

    TestWindow t;
    QVERIFY(fillTwoRows(t));
    QCOMPARE(exportToClipboard(t, templateText), std::optional<QString>(expected));
    QCOMPARE(t.dialogs.asked.size(), 1);
    QCOMPARE(t.dialogs.asked[0].caption, kTemplateTitle);
    QCOMPARE(t.dialogs.asked[0].text, kTemplatePrompt);
    QCOMPARE(t.window().exportController()->exportTemplate(), templateText);
}

void TestExport::cancelOrEmptyTemplateDoesNothing_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<std::optional<QString>>("answer");

    QTest::newRow("clipboard, cancel") << kToClipboard << std::optional<QString>();
    QTest::newRow("clipboard, empty") << kToClipboard << std::optional<QString>(QString());
    QTest::newRow("desktop, cancel") << kToDesktop << std::optional<QString>();
    QTest::newRow("desktop, empty") << kToDesktop << std::optional<QString>(QString());
}

void TestExport::cancelOrEmptyTemplateDoesNothing() {
    QFETCH(QString, item);
    QFETCH(std::optional<QString>, answer);

    TestWindow t;
    QVERIFY(fillTwoRows(t));
    QGuiApplication::clipboard()->setText(kUntouched);
    t.window().ui().setStatus(kUntouched);
    t.dialogs.texts.push_back(answer);
    t.dialogs.texts.push_back(QStringLiteral("name"));
    t.action(kMenu, item)->trigger();
    t.settle();

    QCOMPARE(t.status(), kUntouched);
    QCOMPARE(QGuiApplication::clipboard()->text(), kUntouched);
    QCOMPARE(t.dialogs.asked.size(), 1);
    QVERIFY(QDir(t.desktopDir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

void TestExport::desktopFileName_data() {
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<std::optional<QString>>("typed");
    QTest::addColumn<QString>("fileName");

    const QDate day(2026, 12, 8);
    QTest::newRow("hour and minute") << QDateTime(day, QTime(20, 5, 0)) << std::optional<QString>()
                                     << "2026年12月8日20时5分.txt";
    QTest::newRow("midnight") << QDateTime(day, QTime(0, 0, 0)) << std::optional<QString>(QString())
                              << "2026年12月8日.txt";
    QTest::newRow("seconds") << QDateTime(QDate(2027, 1, 2), QTime(3, 0, 9)) << std::optional<QString>()
                             << "2027年1月2日3时0分9秒.txt";
    QTest::newRow("typed name gets the suffix too")
        << QDateTime(day, QTime(20, 5, 0)) << std::optional<QString>(QStringLiteral("a.txt")) << "a.txt.txt";
}

void TestExport::desktopFileName() {
    QFETCH(QDateTime, now);
    QFETCH(std::optional<QString>, typed);
    QFETCH(QString, fileName);

    TestWindow t;
    t.now = now;
    QVERIFY(fillTwoRows(t));
    t.dialogs.texts.push_back(QStringLiteral("{2},"));
    t.dialogs.texts.push_back(typed);
    t.action(kMenu, kToDesktop)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(t.status(), QStringLiteral("导出完毕"), 20000);

    const QStringList files = QDir(t.desktopDir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
    QCOMPARE(files, QStringList{fileName});
    QCOMPARE(readAll(t.desktopDir.filePath(fileName)), QByteArray("ab,cd"));
    QCOMPARE(t.dialogs.asked.size(), 2);
    QCOMPARE(t.dialogs.asked[1].caption, kNameTitle);
    QCOMPARE(t.dialogs.asked[1].text, QString());
}

void TestExport::desktopFileIsUtf8AndOverwritten() {
    TestWindow t;
    QVERIFY(fillTwoRows(t));
    const QString path = t.desktopDir.filePath(QStringLiteral("结果.txt"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(1000, 'x'));
    }
    t.dialogs.texts.push_back(QStringLiteral("第{1}项: {2}#换行符"));
    t.dialogs.texts.push_back(QStringLiteral("结果"));
    t.action(kMenu, kToDesktop)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(t.status(), QStringLiteral("导出完毕"), 20000);
    QCOMPARE(readAll(path), QStringLiteral("第1项: ab\r\n第2项: cd").toUtf8());
}

void TestExport::failedWriteIsReported_data() {
    QTest::addColumn<bool>("missingDesktop");
    QTest::addColumn<bool>("written");
    QTest::newRow("a directory in the way") << false << false;
    QTest::newRow("no desktop directory: it is made") << true << true;
}

void TestExport::failedWriteIsReported() {
    QFETCH(bool, missingDesktop);
    QFETCH(bool, written);

    TestWindow t;
    QVERIFY(fillTwoRows(t));
    if (missingDesktop)
        t.context.desktopDir = t.desktopDir.filePath(QStringLiteral("gone/deeper"));
    else
        QVERIFY(QDir(t.desktopDir.path()).mkdir(QStringLiteral("a.txt")));
    const QString path = QDir(t.context.desktopDir).filePath(QStringLiteral("a.txt"));
    t.window().ui().setStatus(QString());
    t.dialogs.texts.push_back(QStringLiteral("{2},"));
    t.dialogs.texts.push_back(QStringLiteral("a"));
    t.action(kMenu, kToDesktop)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!t.status().isEmpty(), 20000);
    t.settle();
    if (written) {
        QCOMPARE(t.status(), QStringLiteral("导出完毕"));
        QCOMPARE(readAll(path), QByteArray("ab,cd"));
    } else {
        // The failure names the file it tried, whole.
        QVERIFY2(t.status().startsWith(QStringLiteral("导出失败: ") + QDir::toNativeSeparators(path) + u':'),
                 qPrintable(t.status()));
    }
}

void TestExport::emptyListExportsEmptyText() {
    TestWindow t;
    QCOMPARE(exportToClipboard(t, QStringLiteral("{1}#换行符")), std::optional<QString>(QString()));

    // The desktop variant still writes its (empty) file.
    t.dialogs.texts.push_back(QStringLiteral("{1}#换行符"));
    t.dialogs.texts.push_back(QStringLiteral("empty"));
    t.action(kMenu, kToDesktop)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(t.status(), QStringLiteral("导出完毕"), 20000);
    QCOMPARE(readAll(t.desktopDir.filePath(QStringLiteral("empty.txt"))), QByteArray());
}

void TestExport::newestOfOverlappingExportsWins_data() {
    QTest::addColumn<bool>("toDesktop");
    QTest::newRow("clipboard") << false;
    QTest::newRow("desktop file") << true;
}

// A slow export started first and a quick one right after: whatever order they finish in, the text of
// the later one is what stays.
void TestExport::newestOfOverlappingExportsWins() {
    QFETCH(bool, toDesktop);

    TestWindow t;
    const int rows = 300000;
    t.setInputs(QStringLiteral("\\w+"), QStringLiteral("ab ").repeated(rows));
    QVERIFY(t.clickAndWait(QStringLiteral("按钮_匹配"), QStringLiteral("匹配")));
    QGuiApplication::clipboard()->setText(kUntouched);
    const QString &action = toDesktop ? kToDesktop : kToClipboard;
    t.dialogs.texts.push_back(QStringLiteral("{2}{2}{2}{2}{2}{2}{2}{2}{2}{2}{2}{2}{1}{1}{1}#换行符"));
    t.action(kMenu, action)->trigger();
    t.dialogs.texts.push_back(QStringLiteral("{2},"));
    if (toDesktop)
        t.dialogs.texts.push_back(QStringLiteral("same"));
    t.action(kMenu, action)->trigger();

    t.settle();
    QStringList cells;
    cells.fill(QStringLiteral("ab"), rows);
    const QString expected = cells.join(u',');
    if (toDesktop)
        QCOMPARE(readAll(t.desktopDir.filePath(QStringLiteral("same.txt"))), expected.toUtf8());
    else
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    QVERIFY(t.dialogs.texts.empty());
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
