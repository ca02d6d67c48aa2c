#include "Importer.h"

#include "core/tasks/TaskPool.h"
#include "core/text/ImportedText.h"
#include "platform/AppContext.h"
#include "platform/Dialogs.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

namespace rw {

namespace {

const QString kDialogTitle = QStringLiteral("请选择txt文本");
const QString kDialogFilter = QStringLiteral("(*.txt) (*.txt);;所有文件 (*)");
const QString kDefaultSuffix = QStringLiteral("txt");

} // namespace

Importer::Importer(const ImportWidgets &widgets, BoxLoader &source, AppContext &context, QObject *parent)
    : QObject(parent), m_w(widgets), m_source(source), m_context(context) {
    connect(m_w.button, &QPushButton::clicked, this, &Importer::chooseAndLoad);
    for (QWidget *target : m_w.dropTargets)
        target->installEventFilter(this);
}

void Importer::chooseAndLoad() {
    const QString path = m_context.dialogs.chooseOpenFile(m_w.button->window(), kDialogTitle, kDialogFilter,
                                                          m_context.desktopDir, kDefaultSuffix);
    if (!path.isEmpty())
        load(path);
}

void Importer::load(const QString &path) {
    const BoxLoader::Load load = m_source.begin(this);
    m_load = load;
    runInBackground([this, load, path] {
        load.showFirstScreen(path, decodeImported);
        QString reason;
        std::optional<QString> text = readImportFile(path, &reason);
        if (!text)
            load.fail([this, path, reason] { fail(path, reason); });
        else
            load.showWhole(std::move(*text), [this] { emit finished(); });
    });
}

void Importer::fail(const QString &path, const QString &reason) {
    m_context.dialogs.tell(m_w.button->window(), QStringLiteral("无法导入文件 %1\n%2").arg(path, reason),
                           kInfoCaption, Dialogs::Icon::Warning);
    emit finished();
}

QString Importer::droppedFile(const QMimeData *data) {
    if (!data || !data->hasUrls())
        return {};
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return {};
}

bool Importer::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (droppedFile(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString path = droppedFile(drop->mimeData());
        if (path.isEmpty())
            return false;
        drop->acceptProposedAction();
        load(path);
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace rw
