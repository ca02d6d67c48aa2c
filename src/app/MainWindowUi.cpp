#include "MainWindowUi.h"

#include "core/layout/Layout.h"
#include "results/ResultsView.h"
#include "textbox/AffordableWrap.h"
#include "textbox/TextEditor.h"

#include <QAction>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTextOption>
#include <QTreeView>
#include <QVBoxLayout>

namespace rw {

namespace {

// "宋体" at 9 pt, falling back to whatever CJK face the system has.
QFont songTiFont(int pointSize) {
    QFont font;
    font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                      QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN"),
                      QStringLiteral("WenQuanYi Zen Hei")});
    font.setPointSize(pointSize);
    return font;
}

template <typename W> W *named(W *widget, const char *name) {
    widget->setObjectName(QString::fromUtf8(name));
    return widget;
}

QWidget *addPage(QTabWidget *tabs, const char *title) {
    auto *page = new QWidget;
    tabs->addTab(page, QString::fromUtf8(title));
    return page;
}

QPlainTextEdit *plainBox(QWidget *page, const char *name) {
    auto *box = named(new QPlainTextEdit(page), name);
    box->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    keepWrappingAffordable(box);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    return box;
}

// Keep the selection visible while another control has the focus.
void keepSelectionVisible(QWidget *box) {
    QPalette pal = box->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    box->setPalette(pal);
}

// The boxes that may hold texts of a hundred megabytes.
TextEditor *bigBox(QWidget *page, const char *name) {
    auto *box = named(new TextEditor(page), name);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    box->setFont(songTiFont(9));
    keepSelectionVisible(box);
    return box;
}

QMenu *menu(QWidget *window, const char *name, std::initializer_list<const char *> items) {
    auto *m = named(new QMenu(window), name);
    for (const char *item : items) {
        if (qstrcmp(item, "-") == 0)
            m->addSeparator();
        else
            m->addAction(QString::fromUtf8(item));
    }
    return m;
}

void place(QWidget *w, const QRect &r, const QPoint &offset = {}) {
    w->setGeometry(r.left() - offset.x(), r.top() - offset.y(), qMax(0, r.width()), qMax(0, r.height()));
}

// Where a tab control's pages start, relative to the tab control: the design positions of page
// controls count from the tab control's own corner.
QPoint pageOffset(QTabWidget *tabs) {
    QWidget *page = tabs->currentWidget();
    if (page && tabs->isVisible())
        return page->mapTo(tabs, QPoint(0, 0));
    return QPoint(2, tabs->tabBar()->sizeHint().height() + 2);
}

} // namespace

MainWindowUi::MainWindowUi(QWidget *window) : m_window(window) {
    const WindowLayout d = designLayout();
    QFont tabFont(QStringLiteral("SimSun"));
    tabFont.setFamilies(songTiFont(9).families());
    tabFont.setPixelSize(12);

    group1 = named(new QGroupBox(QStringLiteral("正则表达式"), window), "分组框1");
    tabs1 = named(new QTabWidget(group1), "高级选择夹1");
    tabs1->setFont(tabFont);
    QWidget *exprPage = addPage(tabs1, "表达式");
    QWidget *rulesPage = addPage(tabs1, "规则");
    QWidget *notesPage = addPage(tabs1, "记事本");
    QWidget *aboutPage = addPage(tabs1, "关于");

    group2 = named(new QGroupBox(QStringLiteral("结果与源文本"), window), "分组框2");
    tabs2 = named(new QTabWidget(group2), "高级选择夹2");
    tabs2->setFont(tabFont);
    QWidget *resultsPage = addPage(tabs2, "匹配结果");
    QWidget *sourcePage = addPage(tabs2, "源文本");
    QWidget *replacePage = addPage(tabs2, "替换结果");
    QWidget *explanationPage = addPage(tabs2, "表达式解释");
    testsPage = addPage(tabs2, "测试用例");

    expression = plainBox(exprPage, "编辑框_表达式");
    // A tab, a trailing space or a line break changes what the pattern matches: draw them, in a face
    // where each takes a column.
    expression->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QTextOption patternOption = expression->document()->defaultTextOption();
    patternOption.setFlags(patternOption.flags() | QTextOption::ShowTabsAndSpaces |
                           QTextOption::ShowLineAndParagraphSeparators);
    expression->document()->setDefaultTextOption(patternOption);
    checkGlobal = named(new QCheckBox(QStringLiteral("全局匹配"), exprPage), "选择框_全局匹配");
    checkGlobal->setChecked(true);
    checkCase = named(new QCheckBox(QStringLiteral("区分大小写"), exprPage), "选择框_区分大小写");
    checkMultiline = named(new QCheckBox(QStringLiteral("多行模式"), exprPage), "选择框_多行模式");
    checkLive = named(new QCheckBox(QStringLiteral("实时高亮"), exprPage), "选择框_实时");
    checkLive->setChecked(true);
    checkPerLine = named(new QCheckBox(QStringLiteral("逐行匹配"), exprPage), "选择框_逐行匹配");
    checkPerLine->setToolTip(QStringLiteral("源文本的每一行单独匹配: 匹配不跨行, ^ 和 $ 即行首行尾"));
    replaceButton = named(new QPushButton(QStringLiteral("替换"), exprPage), "按钮_替换");
    matchButton = named(new QPushButton(QStringLiteral("匹配"), exprPage), "按钮_匹配");
    // The row of the options and commands is full at the design width: this one sits at the tabs' end.
    codeButton = named(new QPushButton(QStringLiteral("生成代码")), "按钮_生成代码");
    codeButton->setToolTip(QStringLiteral("把表达式转换为其他语言的写法并生成代码"));
    tabs1->setCornerWidget(codeButton, Qt::TopRightCorner);

    // Its model, captions and column widths come from the rules command.
    rulesList = named(new QTreeView(rulesPage), "超级列表框_表达式");
    rulesList->setRootIsDecorated(false);
    rulesList->setUniformRowHeights(true);
    rulesList->setAllColumnsShowFocus(true);
    rulesList->setContextMenuPolicy(Qt::CustomContextMenu);
    rulesList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    cellEditor = named(new QLineEdit(rulesPage), "编辑框1");
    cellEditor->setGeometry(8, 80, 104, 14);
    cellEditor->hide();

    notes = plainBox(notesPage, "编辑框_记录");
    about = plainBox(aboutPage, "编辑框_关于");
    about->setReadOnly(true);
    about->setPlainText(
        QStringLiteral("正则表达式工作台\n"
                       "输入表达式和源文本，按“匹配”列出每个匹配及其子匹配；“替换”把每个匹配换成替换内容。\n"
                       "匹配结果可按自定义格式导出到剪辑板或桌面；规则页保存常用表达式。\n"
                       "表达式、记事本、源文本和规则在确认关闭时保存到工作文件目录。"));

    // Rows all one height and nothing kept per row: ten million matches list without a pause.
    resultsList = named(new ResultsView(resultsPage), "超级列表框_结果");
    resultsList->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultsList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    resultsList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultsList->setContextMenuPolicy(Qt::CustomContextMenu);
    resultsList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    resultsList->horizontalHeader()->setHighlightSections(false);
    // Dragging a divider resizes a column; double-clicking it fits the column to its shown texts.
    resultsList->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);

    explanationTree = named(new QTreeView(explanationPage), "树_表达式解释");

    // The tests page lays itself out: the table over a row of buttons.
    testsPanel = new QWidget(testsPage);
    testsTable = named(new QTreeView(testsPanel), "超级列表框_测试");
    addTestButton = named(new QPushButton(QStringLiteral("添加测试"), testsPanel), "按钮_添加测试");
    removeTestButton = named(new QPushButton(QStringLiteral("删除测试"), testsPanel), "按钮_删除测试");
    importTestsButton = named(new QPushButton(QStringLiteral("导入测试"), testsPanel), "按钮_导入测试");
    importTestsButton->setToolTip(QStringLiteral("源文本的每个非空行作为一个应匹配的样例"));
    auto *testsLayout = new QVBoxLayout(testsPanel);
    testsLayout->setContentsMargins(0, 0, 0, 3);
    testsLayout->setSpacing(4);
    testsLayout->addWidget(testsTable, 1);
    auto *testButtons = new QHBoxLayout;
    for (QPushButton *button : {addTestButton, removeTestButton, importTestsButton})
        testButtons->addWidget(button);
    testButtons->addStretch(1);
    testsLayout->addLayout(testButtons);

    keywordLabel = named(new QLabel(QStringLiteral("搜索关键字："), sourcePage), "透明标签1");
    keywordLabel->setAttribute(Qt::WA_TranslucentBackground);
    keyword = named(new QLineEdit(sourcePage), "编辑框_关键字");
    searchButton = named(new QPushButton(QStringLiteral("搜索"), sourcePage), "按钮_搜索关键字");
    importButton = named(new QPushButton(QStringLiteral("导入本地文本"), sourcePage), "按钮_本地导入");
    sourceText = bigBox(sourcePage, "编辑框_源文本");
    replaceResult = bigBox(replacePage, "编辑框_替换结果");

    statusBar = named(new QStatusBar(window), "状态条1");
    statusBar->setSizeGripEnabled(false);
    statusLabel = new QLabel(QStringLiteral("状态："), statusBar);
    statusLabel->setFixedWidth(38);
    statusMessage = new QLabel(statusBar);
    statusMessage->setObjectName(QStringLiteral("状态条1_信息"));
    statusMessage->setMinimumWidth(0);
    statusBar->addWidget(statusLabel);
    statusBar->addWidget(statusMessage, 1);
    liveLabel = named(new QLabel(statusBar), "标签_实时");
    // The bar ends at the window's edge: without room on the right, a glyph that reaches past its advance
    // (the last Chinese character, in some faces) is cut there.
    liveLabel->setContentsMargins(0, 0, 6, 0);
    statusBar->addPermanentWidget(liveLabel);

    sourceMenu =
        menu(window, "源文本右键菜单",
             {"撤销", "-", "复制", "-", "粘贴", "-", "剪切", "-", "复制全部", "删除全部", "-", "删除并粘贴"});
    resultsMenu = menu(window, "匹配结果右键菜单", {"导出到剪辑板", "-", "导出到桌面txt"});
    replaceMenu = menu(window, "替换结果右键菜单", {"A复制", "-", "A全部删除", "A复制全部"});
    rulesMenu = menu(window, "规则右键菜单",
                     {"添加新一行", "删除这行", "-", "复制表达式", "-", "填入表达式框", "用表达式框更新此规则",
                      "将表达式框添加为规则", "-", "运行全部测试"});
    testsMenu = menu(window, "测试右键菜单", {"导入测试文件", "导出测试文件"});

    apply(d, 716, 459);
    // The controls that no resize moves keep their design geometry on their page.
    place(keywordLabel, QRect(16, 31, 64, 16), pageOffset(tabs2));
    // A transparent label shows its whole caption even where the face is wider than the design's.
    keywordLabel->resize(qMax(keywordLabel->width(), keywordLabel->sizeHint().width()),
                         keywordLabel->height());
    place(about, QRect(0, 23, 699, 160), pageOffset(tabs1));
}

void MainWindowUi::setStatus(const QString &text) {
    statusMessage->setText(text);
}

QString MainWindowUi::status() const {
    return statusMessage->text();
}

void MainWindowUi::apply(const WindowLayout &l, int clientWidth, int clientHeight) {
    place(group1, l.group1);
    place(group2, l.group2);
    place(tabs1, l.tabs1);
    place(tabs2, l.tabs2);
    statusBar->setGeometry(0, qMax(0, clientHeight - 20), qMax(0, clientWidth), 20);

    const QPoint o1 = pageOffset(tabs1);
    place(expression, l.expression, o1);
    place(rulesList, l.rulesList, o1);
    place(notes, l.notes, o1);
    place(matchButton, l.matchButton, o1);
    place(replaceButton, l.replaceButton, o1);
    place(checkGlobal, l.checkGlobal, o1);
    place(checkCase, l.checkCase, o1);
    place(checkMultiline, l.checkMultiline, o1);
    place(checkLive, l.checkLive, o1);
    place(checkPerLine, l.checkPerLine, o1);

    const QPoint o2 = pageOffset(tabs2);
    place(resultsList, l.resultsList, o2);
    // A page of the same tab control, so the same place as the results list.
    place(explanationTree, l.resultsList, o2);
    place(testsPanel, l.resultsList, o2);
    place(replaceResult, l.replaceResult, o2);
    place(sourceText, l.sourceText, o2);
    place(importButton, l.importButton, o2);
    place(keyword, l.keyword, o2);
    place(searchButton, l.searchButton, o2);
}

} // namespace rw
