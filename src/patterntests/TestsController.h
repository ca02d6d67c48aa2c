#pragma once

#include "core/regex/PatternValue.h"
#include "core/tasks/RunState.h"
#include "core/tests/PatternTests.h"

#include <QObject>

class QMenu;
class QPushButton;
class QTabWidget;
class QTreeView;
class QWidget;

namespace rw {

struct AppContext;
class PatternOwner;
class TestsModel;
class TextEditor;

// The widgets the tests page drives.
struct TestsWidgets {
    PatternOwner *pattern;
    QTabWidget *tabs;           // 高级选择夹2: the page's title tells how many tests pass
    QWidget *page;              // the page 测试用例
    QTreeView *table;           // 超级列表框_测试
    QPushButton *addButton;     // 按钮_添加测试
    QPushButton *removeButton;  // 按钮_删除测试
    QPushButton *importButton;  // 按钮_导入测试
    QMenu *menu;                // 测试右键菜单: 导入测试文件, 导出测试文件
    TextEditor *source;         // 编辑框_源文本: 导入测试 takes its lines; a double-click puts a sample there
};

// The tests of the expression box's pattern, one more reader of the pattern: after each pause in which the
// pattern or its options changed, and after each edit of the tests, they run on a worker (a newer change
// stops a run) and the table shows each result, a failure in red.
class TestsController final : public QObject {
    Q_OBJECT
public:
    TestsController(const TestsWidgets &widgets, AppContext &context, QObject *parent = nullptr);
    ~TestsController() override;

    TestsModel *model() const { return m_model; }
    // The box's pattern with its tests, as bds.tests.json keeps it (unknown fields as they came).
    TestedPattern entry() const;
    // Takes the tests of entry (loaded with bds.txt, or brought along by a rule).
    void setEntry(const TestedPattern &entry);
    // Whether the last run for the tests and pattern as they are has ended.
    bool isRunning() const { return m_runs.isRunning(); }

signals:
    // A sample went into the source text (its page should come to the front).
    void sampleShown();
    void statusChanged(const QString &text);

private:
    void run();
    void showTitle();
    void addTest();
    void removeTests();
    void importLines();
    void importFile();
    void exportFile();
    void showSample(int row);

    TestsWidgets m_w;
    AppContext &m_context;
    TestsModel *m_model;
    TestedPattern m_entry; // the unknown fields, and the options and pattern as last saved
    RunState m_runs;
    RunState m_importing;
};

} // namespace rw
