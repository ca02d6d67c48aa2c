#pragma once

#include <QObject>

class QAction;
class QMenu;
class QPlainTextEdit;
class QWidget;

namespace rw {

struct AppContext;
class MainWindowUi;

// The context menus of the source-text box (opened on the right button's press) and of the
// replace-result box (opened on its release), and their clipboard and clearing commands.
class TextBoxMenus final : public QObject {
    Q_OBJECT
public:
    TextBoxMenus(MainWindowUi &ui, AppContext &context, QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Connects the menu's item with this caption to command.
    template <typename Fn> void bind(QMenu *menu, const QString &caption, Fn command);
    void copyAll(const QPlainTextEdit *box);
    void deleteAll(QPlainTextEdit *box);
    void deleteAndPaste();

    MainWindowUi &m_ui;
    AppContext &m_context;
    QWidget *m_window;
};

} // namespace rw
