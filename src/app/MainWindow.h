#pragma once

#include <QWidget>

#include <memory>

namespace rw {

struct AppContext;
class MainWindowUi;
class MatchController;
class ReplaceController;
class Importer;
class KeywordSearch;
class RulesController;
class WorkingFiles;

// The main window: builds the controls and composes the commands of every subsystem.
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    // context gives the dialogs, the directories and the clock the commands use; it outlives the window.
    explicit MainWindow(AppContext &context, QWidget *parent = nullptr);
    ~MainWindow() override;

    MainWindowUi &ui() const { return *m_ui; }
    AppContext &context() const { return m_context; }
    MatchController *matchController() const { return m_match; }
    RulesController *rulesController() const { return m_rules; }
    WorkingFiles *workingFiles() const { return m_files; }
    // Loads the file at path into the source-text box, as 按钮_本地导入 does, after the start-up loader.
    void openFile(const QString &path);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void relayout();

    AppContext &m_context;
    std::unique_ptr<MainWindowUi> m_ui;
    MatchController *m_match = nullptr;
    ReplaceController *m_replace = nullptr;
    Importer *m_importer = nullptr;
    KeywordSearch *m_search = nullptr;
    RulesController *m_rules = nullptr;
    WorkingFiles *m_files = nullptr;
    bool m_placed = false;
};

} // namespace rw
