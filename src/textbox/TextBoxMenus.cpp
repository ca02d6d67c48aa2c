#include "TextBoxMenus.h"

#include "platform/AppContext.h"
#include "platform/ContextMenu.h"
#include "platform/Dialogs.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace rw {

namespace {
const QString kDeleteAllQuestion = QStringLiteral("是否全部删除?");
} // namespace

TextBoxMenus::TextBoxMenus(const TextBoxMenuWidgets &widgets, AppContext &context, QObject *parent)
    : QObject(parent), m_w(widgets), m_context(context), m_paste(widgets.source) {
    for (QPlainTextEdit *box : {m_w.source, m_w.result}) {
        // The box's own menu would open on the release as well; these menus replace it.
        box->setContextMenuPolicy(Qt::NoContextMenu);
        box->viewport()->installEventFilter(this);
    }

    QPlainTextEdit *source = m_w.source;
    bind(m_w.sourceMenu, QStringLiteral("撤销"), [source] { source->undo(); });
    bind(m_w.sourceMenu, QStringLiteral("复制"), [source] { source->copy(); });
    bind(m_w.sourceMenu, QStringLiteral("粘贴"), [this] { m_paste.paste(); });
    bind(m_w.sourceMenu, QStringLiteral("剪切"), [source] { source->cut(); });
    bind(m_w.sourceMenu, QStringLiteral("复制全部"), [this, source] { copyAll(source); });
    bind(m_w.sourceMenu, QStringLiteral("删除全部"), [this, source] { deleteAll(source); });
    bind(m_w.sourceMenu, QStringLiteral("删除并粘贴"), [this] { deleteAndPaste(); });

    QPlainTextEdit *result = m_w.result;
    bind(m_w.resultMenu, QStringLiteral("A复制"), [result] { result->copy(); });
    bind(m_w.resultMenu, QStringLiteral("A全部删除"), [this, result] { deleteAll(result); });
    bind(m_w.resultMenu, QStringLiteral("A复制全部"), [this, result] { copyAll(result); });
}

template <typename Fn> void TextBoxMenus::bind(QMenu *menu, const QString &caption, Fn command) {
    for (QAction *action : menu->actions()) {
        if (action->text() == caption) {
            // A menu hides before it triggers the chosen action, so the command runs after it has closed.
            connect(action, &QAction::triggered, this, command);
            return;
        }
    }
    qWarning("menu %s has no item %s", qPrintable(menu->objectName()), qPrintable(caption));
}

bool TextBoxMenus::eventFilter(QObject *watched, QEvent *event) {
    const bool press = event->type() == QEvent::MouseButtonPress;
    const bool release = event->type() == QEvent::MouseButtonRelease;
    if (!press && !release)
        return false;
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() != Qt::RightButton)
        return false;
    if (press && watched == m_w.source->viewport())
        popUpMenu(m_w.sourceMenu, mouse->globalPosition().toPoint());
    else if (release && watched == m_w.result->viewport())
        popUpMenu(m_w.resultMenu, mouse->globalPosition().toPoint());
    return false;
}

void TextBoxMenus::copyAll(const QPlainTextEdit *box) {
    // An empty box still replaces what the clipboard held.
    QGuiApplication::clipboard()->setText(box->toPlainText());
}

void TextBoxMenus::deleteAll(QPlainTextEdit *box) {
    if (m_context.dialogs.askYesNo(box->window(), kDeleteAllQuestion, kInfoCaption, Dialogs::Icon::Question))
        box->setPlainText(QString());
}

void TextBoxMenus::deleteAndPaste() {
    m_paste.replaceAll();
}

} // namespace rw
