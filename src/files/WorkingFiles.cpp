#include "WorkingFiles.h"

#include "app/MainWindowUi.h"
#include "platform/AppContext.h"
#include "textbox/BoxText.h"
#include "platform/Dialogs.h"
#include "core/rules/BuiltInRules.h"
#include "core/rules/RulesCodec.h"
#include "rules/RulesController.h"
#include "core/text/LineBreaks.h"
#include "core/text/WorkingFile.h"
#include "textbox/LargeText.h"

#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QThread>

namespace rw {

namespace {

const QString ExpressionFile = QStringLiteral("bds.txt");
const QString NotesFile = QStringLiteral("jl.txt");
const QString SourceFile = QStringLiteral("test.txt");
const QString RulesFile = QStringLiteral("gz.txt");

} // namespace

WorkingFiles::WorkingFiles(MainWindowUi &ui, AppContext &context, RulesController &rules, QWidget *window)
    : QObject(window), m_ui(ui), m_context(context), m_rules(rules), m_window(window) {}

WorkingFiles::~WorkingFiles() {
    abandon();
}

void WorkingFiles::abandon() {
    m_runs.abandon();
}

void WorkingFiles::startLoading() {
    const quint64 run = m_runs.begin();
    m_loading = true;
    struct Target {
        QString path;
        QPlainTextEdit *box;
        PlainDocumentSettings settings;
    };
    const QDir dir(m_context.programDir);
    const QList<Target> targets{
        {dir.filePath(NotesFile), m_ui.notes, plainDocumentSettings(m_ui.notes)},
        {dir.filePath(SourceFile), m_ui.sourceText, plainDocumentSettings(m_ui.sourceText)},
        {dir.filePath(ExpressionFile), m_ui.expression, plainDocumentSettings(m_ui.expression)}};
    const QString rulesPath = dir.filePath(RulesFile);
    QThread *uiThread = thread();

    runInBackground([this, run, rulesPath, targets, uiThread] {
        // A rules file that can't be created is read as missing: the library starts empty.
        if (!QFileInfo::exists(rulesPath))
            writeWorkingFile(rulesPath, builtInRulesText());
        QList<Rule> rules = parseRules(readWorkingFile(rulesPath).text);
        postTo(this, [this, run, rules = std::move(rules)] { showRules(run, rules); });

        for (const Target &target : targets) {
            if (!m_runs.isCurrent(run))
                return;
            QString text = fromCrLf(readWorkingFile(target.path).text);
            PendingDocument pending(buildPlainDocument(text, target.settings, uiThread));
            text = QString();
            postTo(this, [this, run, box = target.box, pending = std::move(pending)]() mutable {
                showText(run, box, std::move(pending.doc));
            });
        }
        postTo(this, [this, run] { finishLoading(run); });
    });
}

void WorkingFiles::showRules(quint64 run, const QList<Rule> &rules) {
    if (m_runs.isCurrent(run))
        m_rules.addLoadedRules(rules);
}

void WorkingFiles::showText(quint64 run, QPlainTextEdit *box, std::unique_ptr<QTextDocument> document) {
    if (m_runs.isCurrent(run))
        showPlainDocument(box, std::move(document));
    else
        disposeDocument(std::move(document));
}

void WorkingFiles::finishLoading(quint64 run) {
    if (!m_runs.isCurrent(run))
        return;
    m_loading = false;
    emit loaded();
    if (m_closeWhenLoaded) {
        m_closeWhenLoaded = false;
        QMetaObject::invokeMethod(m_window, &QWidget::close, Qt::QueuedConnection);
    }
}

bool WorkingFiles::confirmClose() {
    // Saving now would write partly loaded boxes over the files.
    if (m_loading) {
        m_closeWhenLoaded = true;
        return false;
    }
    Dialogs &dialogs = m_context.dialogs;
    if (!dialogs.askYesNo(m_window, QStringLiteral("是否关闭本工具?"), kInfoCaption, Dialogs::Icon::Question))
        return false;
    m_rules.commitEdit();
    const QStringList failed = save();
    if (failed.isEmpty())
        return true;
    const QString message = QStringLiteral("以下文件未能保存:\r\n%1\r\n\r\n是否仍然关闭本工具?")
                                .arg(failed.join(QStringLiteral("\r\n")));
    return dialogs.askYesNo(m_window, message, kInfoCaption, Dialogs::Icon::Warning);
}

QStringList WorkingFiles::save() {
    const QDir dir(m_context.programDir);
    const std::pair<QString, QString> files[] = {
        {ExpressionFile, boxText(m_ui.expression)},
        {NotesFile, boxText(m_ui.notes)},
        {SourceFile, boxText(m_ui.sourceText)},
        {RulesFile, serializeRules(m_rules.rules())},
    };
    QStringList failed;
    for (const auto &[name, text] : files) {
        QString error;
        if (!writeWorkingFile(dir.filePath(name), text, &error))
            failed.append(QStringLiteral("%1: %2").arg(name, error));
    }
    return failed;
}

} // namespace rw
