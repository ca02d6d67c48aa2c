#include "TestWindow.h"
#include "app/MainWindowUi.h"
#include "core/layout/Layout.h"
#include "results/ResultsView.h"
#include "textbox/TextEditor.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeView>

using namespace rw;

class TestMainWindow final : public QObject {
    Q_OBJECT
private slots:
    void controlsExistWithTheirKindAndTexts();
    void initialState();
    void contextMenus_data();
    void contextMenus();
    void followsTheWindowSize();
    void minimumSizeKeepsControlsApart();
    void opensInsideTheAvailableArea();
    void liveCountShowsWhole_data();
    void liveCountShowsWhole();
};

void TestMainWindow::controlsExistWithTheirKindAndTexts() {
    TestWindow t;
    QCOMPARE(t.window().windowTitle(), QStringLiteral("Dask_Tovanel  v1.6"));
    QCOMPARE(t.window().frameGeometry().size(), QSize(722, 530));

    QCOMPARE(t.find<QGroupBox>("分组框1")->title(), QStringLiteral("正则表达式"));
    QCOMPARE(t.find<QGroupBox>("分组框2")->title(), QStringLiteral("结果与源文本"));
    auto *tabs1 = t.find<QTabWidget>("高级选择夹1");
    auto *tabs2 = t.find<QTabWidget>("高级选择夹2");
    QCOMPARE(tabs1->count(), 4);
    QCOMPARE(tabs2->count(), 5);
    const QStringList pages1{"表达式", "规则", "记事本", "关于"};
    const QStringList pages2{"匹配结果", "源文本", "替换结果", "表达式解释", "测试用例"};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(tabs1->tabText(i), pages1[i]);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(tabs2->tabText(i), pages2[i]);

    // Each control sits on its page.
    const struct {
        const char *name;
        QTabWidget *tabs;
        int page;
    } onPages[] = {
        {"编辑框_表达式", tabs1, 0},     {"选择框_全局匹配", tabs1, 0}, {"选择框_区分大小写", tabs1, 0},
        {"选择框_多行模式", tabs1, 0},   {"按钮_替换", tabs1, 0},       {"按钮_匹配", tabs1, 0},
        {"超级列表框_表达式", tabs1, 1}, {"编辑框1", tabs1, 1},         {"编辑框_记录", tabs1, 2},
        {"编辑框_关于", tabs1, 3},       {"超级列表框_结果", tabs2, 0}, {"透明标签1", tabs2, 1},
        {"编辑框_关键字", tabs2, 1},     {"按钮_搜索关键字", tabs2, 1}, {"按钮_本地导入", tabs2, 1},
        {"编辑框_源文本", tabs2, 1},     {"编辑框_替换结果", tabs2, 2}, {"树_表达式解释", tabs2, 3},
        {"超级列表框_测试", tabs2, 4},   {"按钮_添加测试", tabs2, 4},   {"按钮_删除测试", tabs2, 4},
        {"按钮_导入测试", tabs2, 4},
    };
    for (const auto &c : onPages) {
        auto *w = t.find<QWidget>(QString::fromUtf8(c.name));
        QVERIFY2(w, c.name);
        QVERIFY2(c.tabs->widget(c.page)->isAncestorOf(w), c.name);
    }

    QCOMPARE(t.find<QPushButton>("按钮_匹配")->text(), QStringLiteral("匹配"));
    QCOMPARE(t.find<QPushButton>("按钮_替换")->text(), QStringLiteral("替换"));
    QCOMPARE(t.find<QPushButton>("按钮_搜索关键字")->text(), QStringLiteral("搜索"));
    QCOMPARE(t.find<QPushButton>("按钮_本地导入")->text(), QStringLiteral("导入本地文本"));
    QCOMPARE(t.find<QLabel>("透明标签1")->text(), QStringLiteral("搜索关键字："));
    QVERIFY(t.find<QPlainTextEdit>("编辑框_关于")->isReadOnly());
    QVERIFY(!t.find<QPlainTextEdit>("编辑框_关于")->toPlainText().isEmpty());
    QVERIFY(t.find<QLineEdit>("编辑框_关键字"));
    // The boxes that may hold texts of any size are the big-text box; the others plain text boxes.
    for (const char *name : {"编辑框_源文本", "编辑框_替换结果"})
        QVERIFY2(t.find<TextEditor>(QString::fromUtf8(name)), name);
    for (const char *name : {"编辑框_表达式", "编辑框_记录"})
        QVERIFY2(t.find<QPlainTextEdit>(QString::fromUtf8(name)), name);

    auto *results = t.find<ResultsView>("超级列表框_结果");
    QCOMPARE(results->model()->columnCount(), 2);
    QCOMPARE(results->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("序号"));
    QCOMPARE(results->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("匹配文本"));
    QCOMPARE(results->columnWidth(0), 50);
    QCOMPARE(results->columnWidth(1), 100);

    auto *rules = t.find<QTreeView>("超级列表框_表达式");
    QCOMPARE(rules->model()->columnCount(), 3);
    QCOMPARE(rules->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("简介"));
    QCOMPARE(rules->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("表达式"));
    QCOMPARE(rules->model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("介绍"));
    QCOMPARE(rules->columnWidth(0), 88);
    QCOMPARE(rules->columnWidth(1), 150);
    QCOMPARE(rules->columnWidth(2), 500);
}

void TestMainWindow::initialState() {
    TestWindow t;
    QVERIFY(t.find<QCheckBox>("选择框_全局匹配")->isChecked());
    QVERIFY(!t.find<QCheckBox>("选择框_区分大小写")->isChecked());
    QVERIFY(!t.find<QCheckBox>("选择框_多行模式")->isChecked());
    QVERIFY(!t.find<QLineEdit>("编辑框1")->isVisible());
    QCOMPARE(t.find<QTabWidget>("高级选择夹1")->currentIndex(), 0);
    QCOMPARE(t.find<QTabWidget>("高级选择夹2")->currentIndex(), 0);

    // Part 0 of the status bar keeps its label; only the message changes.
    auto *bar = t.find<QStatusBar>("状态条1");
    const QList<QLabel *> labels = bar->findChildren<QLabel *>();
    QVERIFY(!labels.isEmpty());
    QCOMPARE(labels.first()->text(), QStringLiteral("状态："));
    t.window().ui().setStatus(QStringLiteral("x"));
    QCOMPARE(labels.first()->text(), QStringLiteral("状态："));
    QCOMPARE(t.status(), QStringLiteral("x"));
}

void TestMainWindow::contextMenus_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("source") << "源文本右键菜单"
                            << QStringList{"撤销", "-", "复制",     "-",        "粘贴", "-",
                                           "剪切", "-", "复制全部", "删除全部", "-",    "删除并粘贴"};
    QTest::newRow("results") << "匹配结果右键菜单" << QStringList{"导出到剪辑板", "-", "导出到桌面txt"};
    QTest::newRow("replace") << "替换结果右键菜单" << QStringList{"A复制", "-", "A全部删除", "A复制全部"};
    QTest::newRow("rules") << "规则右键菜单"
                           << QStringList{"添加新一行",           "删除这行", "-", "复制表达式", "-",
                                          "填入表达式框",         "用表达式框更新此规则",
                                          "将表达式框添加为规则", "-",        "运行全部测试"};
    QTest::newRow("tests") << "测试右键菜单" << QStringList{"导入测试文件", "导出测试文件"};
}

void TestMainWindow::contextMenus() {
    QFETCH(QString, menu);
    QFETCH(QStringList, items);
    TestWindow t;
    auto *m = t.find<QMenu>(menu);
    QVERIFY(m);
    QStringList shown;
    for (QAction *a : m->actions()) {
        shown << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QVERIFY(a->isEnabled());
        QVERIFY(!a->isChecked());
        QVERIFY(a->shortcut().isEmpty());
    }
    QCOMPARE(shown, items);
}

void TestMainWindow::followsTheWindowSize() {
    TestWindow t;
    t.window().resize(900, 600);
    QTRY_COMPARE(t.find<QGroupBox>("分组框1")->height(), 235);
    QCOMPARE(t.find<QGroupBox>("分组框1")->width(), 897);
    QCOMPARE(t.find<QGroupBox>("分组框2")->y(), 240);
    QCOMPARE(t.find<ResultsView>("超级列表框_结果")->width(), 867);
    // Page controls are placed in their tab control's coordinates.
    auto *tabs1 = t.find<QTabWidget>("高级选择夹1");
    QCOMPARE(t.find<QPushButton>("按钮_匹配")->mapTo(tabs1, QPoint(0, 0)).x(), 900 - 140);
    QCOMPARE(t.find<QPushButton>("按钮_替换")->mapTo(tabs1, QPoint(0, 0)).x(), 900 - 260);
    auto *bar = t.find<QStatusBar>("状态条1");
    QCOMPARE(bar->geometry(), QRect(0, 580, 900, 20));

    // A client area smaller than the window allows (a minimised-like one) writes no negative size.
    t.window().ui().apply(rw::computeLayout(1, 1), 1, 1);
    QCOMPARE(t.find<QGroupBox>("分组框2")->height(), 0);
}

void TestMainWindow::minimumSizeKeepsControlsApart() {
    TestWindow t;
    t.window().resize(1, 1);
    QTRY_COMPARE(t.window().size(), rw::minimumClientSize());
    auto *tabs1 = t.find<QTabWidget>("高级选择夹1");
    auto *tabs2 = t.find<QTabWidget>("高级选择夹2");
    tabs1->setCurrentIndex(0);
    tabs2->setCurrentIndex(1);
    for (QWidget *page : {tabs1->widget(0), tabs2->widget(1)}) {
        QList<QWidget *> controls;
        for (QObject *child : page->children())
            if (auto *w = qobject_cast<QWidget *>(child); w && !w->isHidden())
                controls << w;
        QVERIFY(controls.size() >= 4);
        for (qsizetype i = 0; i < controls.size(); ++i) {
            for (qsizetype j = i + 1; j < controls.size(); ++j)
                QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry()),
                         qPrintable(controls[i]->objectName() + " overlaps " + controls[j]->objectName()));
            // Whole across its page and not hidden by a neighbour; the design sets the row a pixel
            // into the tab bar's edge, so only the width is held to the page.
            if (qobject_cast<QPushButton *>(controls[i])) {
                const QRect g = controls[i]->geometry();
                QVERIFY2(g.left() >= 0 && g.right() < page->width(), qPrintable(controls[i]->objectName()));
                QVERIFY(!controls[i]->visibleRegion().isEmpty());
            }
        }
    }
}

void TestMainWindow::opensInsideTheAvailableArea() {
    TestWindow t;
    const QRect small(40, 30, 700, 420);
    t.window().placeIn(small);
    QTRY_VERIFY(small.contains(t.window().frameGeometry()));
    QCOMPARE(t.window().frameGeometry().topLeft(), small.topLeft());
    // A roomy area keeps the design size, centred.
    const QRect roomy(0, 0, 1600, 1000);
    t.window().placeIn(roomy);
    QTRY_COMPARE(t.window().frameGeometry().center(), roomy.center());
    QCOMPARE(t.window().frameGeometry().size(), QSize(722, 530));
}

QTEST_MAIN(TestMainWindow)
void TestMainWindow::liveCountShowsWhole_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("count") << QStringLiteral("实时: 10000000 个匹配");
    QTest::newRow("counting") << QStringLiteral("实时: 已找到 10000000 个…");
    QTest::newRow("limit") << QStringLiteral("实时: 超出回溯上限");
}

// The live label at the status bar's right end shows its whole text at the window's default size.
void TestMainWindow::liveCountShowsWhole() {
    QFETCH(QString, text);
    TestWindow t;
    auto *bar = t.find<QStatusBar>("状态条1");
    auto *label = t.find<QLabel>("标签_实时");
    label->setText(text);
    QCoreApplication::processEvents();
    QTRY_VERIFY(label->width() >= label->sizeHint().width());
    const QRect inWindow(label->mapTo(&t.window(), QPoint(0, 0)), label->size());
    QVERIFY2(t.window().rect().contains(inWindow),
             qPrintable(QStringLiteral("label %1,%2 %3x%4 in window %5x%6")
                            .arg(inWindow.x()).arg(inWindow.y()).arg(inWindow.width())
                            .arg(inWindow.height()).arg(t.window().width()).arg(t.window().height())));
    const QRect inBar(label->mapTo(bar, QPoint(0, 0)), label->size());
    QVERIFY2(bar->rect().contains(inBar), qPrintable(QStringLiteral("label %1,%2 %3x%4 in bar %5x%6")
                                                         .arg(inBar.x()).arg(inBar.y()).arg(inBar.width())
                                                         .arg(inBar.height()).arg(bar->width()).arg(bar->height())));
    const QFontMetrics metrics(label->font());
    QVERIFY(label->contentsRect().width() >= metrics.horizontalAdvance(text));
    QVERIFY(label->contentsRect().height() >= metrics.height());
    // The ink of the last character, which may reach past its advance, stays clear of the window's edge.
    const int inkRight = label->mapTo(&t.window(), label->contentsRect().topLeft()).x() +
                         metrics.boundingRect(text).right();
    QVERIFY2(inkRight + 2 < t.window().width(),
             qPrintable(QStringLiteral("ink ends at %1 of %2").arg(inkRight).arg(t.window().width())));
}

#include "tst_mainwindow.moc"
