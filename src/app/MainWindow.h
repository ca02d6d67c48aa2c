#pragma once

#include <QWidget>

#include <memory>

namespace rw {

class Dialogs;
class MainWindowUi;
class MatchController;

// The main window: builds the controls and composes the commands of every subsystem.
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    // dialogs answers every message box, input box and file dialog of the window's commands.
    explicit MainWindow(Dialogs &dialogs, QWidget *parent = nullptr);
    ~MainWindow() override;

    MainWindowUi &ui() const { return *m_ui; }
    MatchController *matchController() const { return m_match; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void relayout();

    Dialogs &m_dialogs;
    std::unique_ptr<MainWindowUi> m_ui;
    MatchController *m_match = nullptr;
    bool m_placed = false;
};

} // namespace rw
