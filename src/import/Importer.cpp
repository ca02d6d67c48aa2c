#include "Importer.h"

#include "textbox/LargeText.h"
#include "app/MainWindowUi.h"
#include "platform/AppContext.h"
#include "platform/Dialogs.h"
#include "core/text/ImportedText.h"

#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QThread>
#include <QUrl>

namespace rw {

namespace {

const QString kDialogTitle = QStringLiteral("请选择txt文本");
const QString kDialogFilter = QStringLiteral("(*.txt) (*.txt)");
const QString kDefaultSuffix = QStringLiteral("txt");

} // namespace

Importer::Importer(MainWindowUi &ui, AppContext &context, QWidget *window)
    : QObject(window), m_ui(ui), m_context(context), m_window(window) {
    connect(m_ui.importButton, &QPushButton::clicked, this, &Importer::chooseAndLoad);
    for (QPlainTextEdit *box : window->findChildren<QPlainTextEdit *>())
        box->viewport()->installEventFilter(this);
    for (QLineEdit *line : window->findChildren<QLineEdit *>())
        line->installEventFilter(this);
}

Importer::~Importer() {
    abandon();
}

void Importer::abandon() {
    m_runs.abandon();
}

void Importer::chooseAndLoad() {
    const QString path = m_context.dialogs.chooseOpenFile(m_window, kDialogTitle, kDialogFilter,
                                                          m_context.desktopDir, kDefaultSuffix);
    if (!path.isEmpty())
        load(path);
}

void Importer::load(const QString &path) {
    const quint64 run = m_runs.begin();
    m_loading = true;
    const PlainDocumentSettings settings = plainDocumentSettings(m_ui.sourceText);
    QThread *uiThread = thread();
    runInBackground([this, run, path, settings, uiThread] {
        QString reason;
        std::optional<QString> text = readImportFile(path, &reason);
        if (!m_runs.isCurrent(run))
            return;
        if (!text) {
            postTo(this, [this, run, path, reason] { fail(run, path, reason); });
            return;
        }
        PendingDocument pending(buildPlainDocument(*text, settings, uiThread));
        text.reset();
        postTo(this, [this, run, pending = std::move(pending)]() mutable {
            if (!m_runs.isCurrent(run))
                return;
            m_loading = false;
            showPlainDocument(m_ui.sourceText, std::move(pending.doc));
            emit finished();
        });
    });
}

void Importer::fail(quint64 run, const QString &path, const QString &reason) {
    if (!m_runs.isCurrent(run))
        return;
    m_loading = false;
    m_context.dialogs.tell(m_window, QStringLiteral("无法导入文件 %1\n%2").arg(path, reason), kInfoCaption,
                           Dialogs::Icon::Warning);
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
