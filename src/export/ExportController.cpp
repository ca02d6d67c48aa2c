#include "ExportController.h"

#include "core/export/DesktopExportName.h"
#include "core/export/ExportTemplate.h"
#include "core/export/MatchTableCells.h"
#include "core/tasks/TaskPool.h"
#include "platform/AppContext.h"
#include "platform/ContextMenu.h"
#include "platform/Dialogs.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QSaveFile>
#include <QAbstractItemView>


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
// any earlier file whole; a missing folder is made first. The reason of a failure, or an empty text.
QString writeFile(const QString &path, const QString &text) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("无法创建文件夹 %1").arg(QDir::toNativeSeparators(folder));
    QSaveFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), file.errorString());
    return {};
}
} // namespace

ExportController::ExportController(const ExportWidgets &widgets, AppContext &context,
                                   std::function<MatchTable()> rows, QObject *parent)
    : QObject(parent), m_w(widgets), m_context(context), m_rows(std::move(rows)) {
    connect(m_w.results, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { popUpMenu(m_w.menu, m_w.results->viewport()->mapToGlobal(pos)); });
    if (QAction *action = actionNamed(m_w.menu, QStringLiteral("导出到剪辑板")))
        connect(action, &QAction::triggered, this, [this] { onExport(Target::Clipboard); });
    if (QAction *action = actionNamed(m_w.menu, QStringLiteral("导出到桌面txt")))
        connect(action, &QAction::triggered, this, [this] { onExport(Target::DesktopFile); });
}

ExportController::~ExportController() = default;

void ExportController::onExport(Target target) {
    const std::optional<QString> typed =
        m_context.dialogs.askText(m_w.results->window(), QStringLiteral("导出格式"), kTemplatePrompt);
    if (!typed)
        return;
    m_template = *typed;
    if (m_template.isEmpty())
        return;
    const RunState::Run run = m_runs.begin();
    // The rows as they are now: a match run that refills the list meanwhile doesn't reach this export.
    runInBackground([this, run, target, templateText = m_template, rows = m_rows()]() mutable {
        QString text = exportText(templateText, MatchTableCells(std::move(rows)));
        if (!run.isCurrent())
            return;
        run.deliver([this, run, target, text = std::move(text)] {
            if (target == Target::Clipboard) {
                m_runs.finish(run);
                toClipboard(text);
            } else {
                toDesktopFile(run, text);
            }
        });
    });
}

void ExportController::toClipboard(const QString &text) {
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(text);
    // The platform may refuse the clipboard without saying so; reading it back tells. A platform that keeps
    // the very text given needs no comparing of a few hundred megabytes.
    const QString back = clipboard->text();
    if (back.constData() != text.constData() && back != text)
        emit statusChanged(kFailed + QStringLiteral("剪辑板无法写入"));
    else
        emit statusChanged(QStringLiteral("已放置剪辑板"));
}

void ExportController::toDesktopFile(const RunState::Run &run, const QString &text) {
    // A cancelled name prompt names the file after the date and time.
    const QString typedName =
        m_context.dialogs.askText(m_w.results->window(), QStringLiteral("好了,请填写txt名字"))
            .value_or(QString());
    // A newer export started while the prompt was open has taken over.
    if (!run.isCurrent())
        return;
    const QString path =
        QDir(m_context.desktopDir).filePath(desktopExportFileName(typedName, m_context.now()));
    runInBackground([this, run, path, text, writing = m_writing] {
        // Each write checks first that no newer export has begun: an older export either lands before the
        // newer one's write or not at all, so the newest text is what stays.
        std::lock_guard lock(*writing);
        if (!run.isCurrent())
            return;
        QString error = writeFile(path, text);
        run.deliver([this, run, error = std::move(error)] {
            m_runs.finish(run);
            emit statusChanged(error.isEmpty() ? QStringLiteral("导出完毕") : kFailed + error);
        });
    });
}

} // namespace rw
