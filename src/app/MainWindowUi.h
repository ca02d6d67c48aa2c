#pragma once

#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTabWidget;
class QTreeView;
class QWidget;

namespace rw {
class ResultsView;
class TextEditor;
}

namespace rw {

struct WindowLayout;

// Every control of the main window, built with its design geometry, texts and initial state. Each
// control's objectName is its name; the commands look controls up here, tests by objectName.
class MainWindowUi final {
public:
    // Builds the controls as children of window.
    explicit MainWindowUi(QWidget *window);

    // Sets the status message (part 1 of the status bar).
    void setStatus(const QString &text);
    QString status() const;

    // Moves and resizes the controls; negative sizes show as 0. Tab-page controls are given relative to
    // their tab control, as in the design, and placed on their page accordingly.
    void apply(const WindowLayout &layout, int clientWidth, int clientHeight);

    QGroupBox *group1 = nullptr;     // 分组框1
    QGroupBox *group2 = nullptr;     // 分组框2
    QTabWidget *tabs1 = nullptr;     // 高级选择夹1: 表达式, 规则, 记事本, 关于
    QTabWidget *tabs2 = nullptr;     // 高级选择夹2: 匹配结果, 源文本, 替换结果, 表达式解释, 测试用例
    QStatusBar *statusBar = nullptr; // 状态条1
    QLabel *statusLabel = nullptr;   // part 0: "状态："
    QLabel *statusMessage = nullptr; // part 1
    QLabel *liveLabel = nullptr;     // 标签_实时, at the right

    QPlainTextEdit *expression = nullptr; // 编辑框_表达式
    QCheckBox *checkGlobal = nullptr;     // 选择框_全局匹配
    QCheckBox *checkCase = nullptr;       // 选择框_区分大小写
    QCheckBox *checkMultiline = nullptr;  // 选择框_多行模式
    QCheckBox *checkLive = nullptr;       // 选择框_实时
    QCheckBox *checkPerLine = nullptr;    // 选择框_逐行匹配
    QPushButton *replaceButton = nullptr; // 按钮_替换
    QPushButton *matchButton = nullptr;   // 按钮_匹配
    QPushButton *codeButton = nullptr;    // 按钮_生成代码, in the corner of 高级选择夹1
    QTreeView *rulesList = nullptr;       // 超级列表框_表达式
    QLineEdit *cellEditor = nullptr;      // 编辑框1
    QPlainTextEdit *notes = nullptr;      // 编辑框_记录
    QPlainTextEdit *about = nullptr;      // 编辑框_关于

    ResultsView *resultsList = nullptr;  // 超级列表框_结果
    QLabel *keywordLabel = nullptr;      // 透明标签1
    QLineEdit *keyword = nullptr;        // 编辑框_关键字
    QPushButton *searchButton = nullptr; // 按钮_搜索关键字
    QPushButton *importButton = nullptr; // 按钮_本地导入
    TextEditor *sourceText = nullptr;    // 编辑框_源文本
    TextEditor *replaceResult = nullptr; // 编辑框_替换结果
    QTreeView *explanationTree = nullptr; // 树_表达式解释
    QWidget *testsPage = nullptr;           // 测试用例
    QWidget *testsPanel = nullptr;          // the table and its buttons, laid out
    QTreeView *testsTable = nullptr;        // 超级列表框_测试
    QPushButton *addTestButton = nullptr;   // 按钮_添加测试
    QPushButton *removeTestButton = nullptr; // 按钮_删除测试
    QPushButton *importTestsButton = nullptr; // 按钮_导入测试

    QMenu *sourceMenu = nullptr;  // 源文本右键菜单
    QMenu *resultsMenu = nullptr; // 匹配结果右键菜单
    QMenu *replaceMenu = nullptr; // 替换结果右键菜单
    QMenu *rulesMenu = nullptr;   // 规则右键菜单
    QMenu *testsMenu = nullptr;   // 测试右键菜单

private:
    QWidget *m_window;
};

} // namespace rw
