#include "ExportController.h"

#include "MatchTableCells.h"
#include "app/MainWindowUi.h"
#include "core/export/DesktopExportName.h"
#include "core/export/ExportTemplate.h"
#include "match/ResultsModel.h"
#include "platform/AppContext.h"
#include "platform/ContextMenu.h"
#include "platform/Dialogs.h"
#include "core/tasks/TaskRuns.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QSaveFile>
#include <QTableView>

namespace rw {

namespace {
const QString kTemplatePrompt =
    QStringLiteral("格式:{3}#换行符\r\n解释: 3=第三列 #换行符=换行符\r\n完全自定义格式");
const QString kFailed = QStringLiteral("导出失败: ");

QAction *actionNamed(QMenu *menu, const QString &caption) {
    for (QAction *action : menu->actions()) {
        if (action->text() == caption)
            return action;
    }
    return nullptr;
}

// Writes text as UTF-8 (the system's own encoding here) through a temporary file, so a failed write leaves
// any earlier file whole; the reason of a failure, or an empty text.
QString writeFile(const QString &path, const QString &text) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return {};
}
} // namespace

ExportController::ExportController(MainWindowUi &ui, AppContext &context, QObject *parent)
    : QObject(parent), m_ui(ui), m_context(context) {
    connect(m_ui.resultsList, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        popUpMenu(m_ui.resultsMenu, m_ui.resultsList->viewport()->mapToGlobal(pos));
    });
    if (QAction *action = actionNamed(m_ui.resultsMenu, QStringLiteral("导出到剪辑板")))
        connect(action, &QAction::triggered, this, [this] { onExport(Target::Clipboard); });
    if (QAction *action = actionNamed(m_ui.resultsMenu, QStringLiteral("导出到桌面txt")))
        connect(action, &QAction::triggered, this, [this] { onExport(Target::DesktopFile); });
}

void ExportController::onExport(Target target) {
    const std::optional<QString> typed =
        m_context.dialogs.askText(m_ui.resultsList->window(), QStringLiteral("导出格式"), kTemplatePrompt);
    if (!typed)
        return;
    m_template = *typed;
    if (m_template.isEmpty())
        return;
    auto *model = qobject_cast<const ResultsModel *>(m_ui.resultsList->model());
    // The rows as they are now: a match run that refills the list meanwhile doesn't reach this export.
    MatchTable rows = model ? model->table() : MatchTable();
    runInBackground([this, target, templateText = m_template, rows = std::move(rows)]() mutable {
        QString text = exportText(templateText, MatchTableCells(std::move(rows)));
        postTo(this, [this, target, text = std::move(text)] { deliver(target, text); });
    });
}

void ExportController::deliver(Target target, const QString &text) {
    if (target == Target::Clipboard)
        toClipboard(text);
    else
        toDesktopFile(text);
}

void ExportController::toClipboard(const QString &text) {
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(text);
    // The platform may refuse the clipboard without saying so; reading it back tells.
    if (clipboard->text() != text)
        m_ui.setStatus(kFailed + QStringLiteral("剪辑板无法写入"));
    else
        m_ui.setStatus(QStringLiteral("已放置剪辑板"));
}

void ExportController::toDesktopFile(const QString &text) {
    // A cancelled name prompt names the file after the date and time.
    const QString typedName =
        m_context.dialogs.askText(m_ui.resultsList->window(), QStringLiteral("好了,请填写txt名字"))
            .value_or(QString());
    QString path = m_context.desktopDir;
    if (!path.isEmpty() && !path.endsWith(u'/'))
        path += u'/';
    path += desktopExportFileName(typedName, m_context.now());
    runInBackground([this, path, text] {
        QString error = writeFile(path, text);
        postTo(this, [this, error = std::move(error)] {
            m_ui.setStatus(error.isEmpty() ? QStringLiteral("导出完毕") : kFailed + error);
        });
    });
}

} // namespace rw
