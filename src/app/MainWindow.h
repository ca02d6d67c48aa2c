#pragma once

#include "core/rules/Rule.h"
#include "core/tests/PatternTests.h"

#include <QWidget>

#include <memory>
#include <optional>

namespace rw {

struct AppContext;
class MainWindowUi;
class MatchController;
class ReplaceController;
class ExportController;
class BoxLoader;
class TextBoxMenus;
class Importer;
class KeywordSearch;
class RulesController;
class WorkingFiles;
class LiveController;
class CostController;
class ExplanationController;
class PatternOwner;
class TestsController;
class CodeController;

// The main window: builds the controls, hands each command the controls it drives, and wires the
// commands' signals to the status bar and the pages.
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    // context gives the dialogs, the directories and the clock the commands use; it outlives the window.
    explicit MainWindow(AppContext &context, QWidget *parent = nullptr);
    ~MainWindow() override;

    MainWindowUi &ui() const { return *m_ui; }
    AppContext &context() const { return m_context; }
    MatchController *matchController() const { return m_match.get(); }
    RulesController *rulesController() const { return m_rules.get(); }
    WorkingFiles *workingFiles() const { return m_files.get(); }
    ReplaceController *replaceController() const { return m_replace.get(); }
    ExportController *exportController() const { return m_export.get(); }
    Importer *importer() const { return m_importer.get(); }
    KeywordSearch *keywordSearch() const { return m_search.get(); }
    LiveController *liveController() const { return m_live.get(); }
    CostController *costController() const { return m_cost.get(); }
    PatternOwner *patternOwner() const { return m_pattern.get(); }
    TestsController *testsController() const { return m_tests.get(); }
    CodeController *codeController() const { return m_code.get(); }

    // Loads the file at path into the source text, as an import does.
    void openFile(const QString &path);
    // Sizes and moves the shown window (frame included) into a screen's available area; called on first show.
    void placeIn(const QRect &available);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void relayout();
    void installShortcuts();
    // 填入表达式框: the rule's expression, and its tests with their options, go into the expression box.
    void putRuleIntoBox(const Rule &rule, const std::optional<TestedPattern> &tests);

    AppContext &m_context;
    // The controls are children of the window and go in ~QWidget, after every member below: the commands,
    // which hold pointers to them, are destroyed first and with them every run they still had.
    std::unique_ptr<MainWindowUi> m_ui;
    // Read by the commands below, so made before them and gone after them.
    std::unique_ptr<PatternOwner> m_pattern;
    // Everything that loads or pastes a text into the source box goes through its loader, which outlives
    // the commands.
    std::unique_ptr<BoxLoader> m_sourceLoader;
    std::unique_ptr<MatchController> m_match;
    std::unique_ptr<ReplaceController> m_replace;
    std::unique_ptr<ExportController> m_export;
    std::unique_ptr<TextBoxMenus> m_menus;
    std::unique_ptr<Importer> m_importer;
    std::unique_ptr<KeywordSearch> m_search;
    std::unique_ptr<RulesController> m_rules;
    std::unique_ptr<WorkingFiles> m_files;
    std::unique_ptr<LiveController> m_live;
    std::unique_ptr<ExplanationController> m_explanation;
    std::unique_ptr<CostController> m_cost;
    std::unique_ptr<TestsController> m_tests;
    std::unique_ptr<CodeController> m_code;
    bool m_placed = false;
};

} // namespace rw
