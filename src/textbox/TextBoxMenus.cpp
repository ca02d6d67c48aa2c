#include "TextBoxMenus.h"

#include "TextEditor.h"
#include "core/tasks/TaskPool.h"
#include "platform/AppContext.h"
#include "platform/ContextMenu.h"
#include "platform/Dialogs.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>

namespace rw {

namespace {
const QString kDeleteAllQuestion = QStringLiteral("是否全部删除?");
} // namespace

TextBoxMenus::TextBoxMenus(const TextBoxMenuWidgets &widgets, BoxLoader &sourceLoader, AppContext &context,
                           QObject *parent)
    : QObject(parent), m_w(widgets), m_context(context), m_paste(sourceLoader) {
    for (TextEditor *box : {m_w.source, m_w.result}) {
        // The box's own menu would open on the release as well; these menus replace it.
        box->setContextMenuPolicy(Qt::NoContextMenu);
        box->viewport()->installEventFilter(this);
    }

    TextEditor *source = m_w.source;
    bind(m_w.sourceMenu, QStringLiteral("撤销"), [source] { source->undo(); });
    bind(m_w.sourceMenu, QStringLiteral("复制"), [source] { source->copy(); });
    bind(m_w.sourceMenu, QStringLiteral("粘贴"), [this] { m_paste.paste(); });
    bind(m_w.sourceMenu, QStringLiteral("剪切"), [source] { source->cut(); });
    bind(m_w.sourceMenu, QStringLiteral("复制全部"), [this, source] { copyAll(source); });
    bind(m_w.sourceMenu, QStringLiteral("删除全部"), [this, source] { deleteAll(source); });
    bind(m_w.sourceMenu, QStringLiteral("删除并粘贴"), [this] { deleteAndPaste(); });

    TextEditor *result = m_w.result;
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

void TextBoxMenus::copyAll(const TextEditor *box) {
    // The text is joined on a worker; an empty box still replaces what the clipboard held. Of two copies
    // under way the later one wins.
    const RunState::Run run = m_copies.begin();
    runInBackground([this, run, snapshot = box->snapshot()] {
        QString text = snapshot.toPlain();
        run.deliver([this, run, text = std::move(text)] {
            if (m_copies.finish(run))
                QGuiApplication::clipboard()->setText(text);
        });
    });
}

void TextBoxMenus::deleteAll(TextEditor *box) {
    // One undo step, so that a hasty Yes costs nothing.
    if (m_context.dialogs.askYesNo(box->window(), kDeleteAllQuestion, kInfoCaption, Dialogs::Icon::Question))
        box->replaceRange(0, box->size(), QString());
}

void TextBoxMenus::deleteAndPaste() {
    m_paste.replaceAll();
}

} // namespace rw
