#pragma once

#include "LargePaste.h"
#include "core/tasks/RunState.h"

#include <QObject>

class QAction;
class QMenu;
class QWidget;

namespace rw {

class BoxLoader;
class TextEditor;

struct AppContext;

// The boxes with menus of their own, and those menus.
struct TextBoxMenuWidgets {
    TextEditor *source = nullptr; // 编辑框_源文本
    TextEditor *result = nullptr; // 编辑框_替换结果
    QMenu *sourceMenu = nullptr;  // 源文本右键菜单
    QMenu *resultMenu = nullptr;  // 替换结果右键菜单
};

// The context menus of the source-text box (opened on the right button's press) and of the
// replace-result box (opened on its release), and their clipboard and clearing commands.
class TextBoxMenus final : public QObject {
    Q_OBJECT
public:
    // sourceLoader: the loader of widgets.source, through which a large paste goes.
    TextBoxMenus(const TextBoxMenuWidgets &widgets, BoxLoader &sourceLoader, AppContext &context,
                 QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Connects the menu's item with this caption to command.
    template <typename Fn> void bind(QMenu *menu, const QString &caption, Fn command);
    void copyAll(const TextEditor *box);
    void deleteAll(TextEditor *box);
    void deleteAndPaste();

    TextBoxMenuWidgets m_w;
    AppContext &m_context;
    LargePaste m_paste;
    RunState m_copies;
};

} // namespace rw
