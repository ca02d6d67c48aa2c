#pragma once

#include "core/rules/Rule.h"
#include "core/tasks/RunState.h"
#include "core/tests/TestsCodec.h"

#include <QList>
#include <QObject>
#include <QPersistentModelIndex>

#include <functional>
#include <optional>

class QLineEdit;
class QMenu;
class QPoint;
class QTreeView;

namespace rw {

struct AppContext;
class RulesModel;

// The widgets the rules library drives.
struct RulesWidgets {
    QTreeView *list;       // 超级列表框_表达式; shows the library's model
    QLineEdit *cellEditor; // 编辑框1, a child of the list's page
    QMenu *menu;           // 规则右键菜单
};

// The rules library 超级列表框_表达式: its context-menu commands (add a row, delete the current row,
// copy its expression) and the in-place cell editor 编辑框1, which opens on a double-click and commits
// when it loses the focus, its page is left or a click lands anywhere else.
class RulesController final : public QObject {
    Q_OBJECT
public:
    RulesController(const RulesWidgets &widgets, AppContext &context, QObject *parent = nullptr);
    ~RulesController() override;

    // The library as the list shows it.
    RulesModel *model() const { return m_model; }

    // Puts rules at the top of the list, ahead of any row the user added meanwhile, in their order.
    void addLoadedRules(const QList<Rule> &rules);
    // Every row of the list as a rule, in list order.
    QList<Rule> rules() const;
    // The index of the first selected row, or -1 when no row is selected.
    int currentRow() const;
    // The column a click at viewport x falls in (a click on a column's right boundary belongs to that
    // column), or -1 right of the last one.
    int columnAt(int viewportX) const;
    // Opens the cell editor over the cell at viewportPos; false (and nothing opens) when no cell is there.
    bool openEditor(const QPoint &viewportPos);
    // Commits an open edit as losing the focus would; nothing when the editor is closed.
    void commitEdit();

    // The expression box's pattern with its tests, for the commands that write it to a rule.
    void setBoxEntry(std::function<TestedPattern()> boxEntry) { m_boxEntry = std::move(boxEntry); }
    // Gives the rules their tests from gz.tests.json, and runs them.
    void setTestsFile(const TestsFile &file);
    // The tests of the library, for gz.tests.json.
    TestsFile testsFile() const;
    // Runs every rule's tests; with report, says how they came out when they have run.
    void runAllTests(bool report);
    // Whether tests of the rules are running.
    bool isTesting() const { return m_testing.isRunning(); }

signals:
    // 填入表达式框: the rule goes into the expression box, its tests (if it has any) with it.
    void putIntoBox(const Rule &rule, const std::optional<TestedPattern> &tests);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Puts the editor over the visible part of the cell being edited; false when none of it shows.
    bool placeEditor();
    void showMenu(const QPoint &viewportPos);
    void addRow();
    void deleteRow();
    void copyExpression();
    void putRuleIntoBox();
    void updateFromBox();
    // Says how the tests of the rules came out: all passed, or which rules failed.
    void reportTests();
    void addFromBox();
    // Runs the tests of the rules whose tally is not known (all of them, with everything).
    void runTests(bool everything);

    std::function<TestedPattern()> m_boxEntry;
    RunState m_testing;
    bool m_reportWanted = false;
    RulesWidgets m_ui;
    AppContext &m_context;
    RulesModel *m_model;
    // The cell being edited; it follows its row when rows above it come or go.
    QPersistentModelIndex m_editing;
    // The widgets the filter watches, compared by address only: they may be half destroyed by then.
    QObject *m_viewport = nullptr;
    QObject *m_editor = nullptr;
    bool m_listGone = false;
};

} // namespace rw
