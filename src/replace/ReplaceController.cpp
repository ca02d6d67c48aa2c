#include "ReplaceController.h"

#include "app/MainWindowUi.h"
#include "platform/AppContext.h"
#include "textbox/BoxText.h"
#include "platform/Dialogs.h"
#include "core/regex/Matcher.h"
#include "core/regex/RunStatusText.h"
#include "core/text/LineBreaks.h"
#include "textbox/LargeText.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextDocument>
#include <QThread>

namespace rw {

namespace {
const QString kIdle = QStringLiteral("替换");
const QString kBusy = QStringLiteral("停止替换");
constexpr int kReplaceResultPage = 2;
} // namespace

ReplaceController::ReplaceController(MainWindowUi &ui, AppContext &context, QObject *parent)
    : QObject(parent), m_ui(ui), m_context(context) {
    connect(m_ui.replaceButton, &QPushButton::clicked, this, &ReplaceController::onClicked);
}

ReplaceController::~ReplaceController() {
    abandon();
}

void ReplaceController::abandon() {
    m_runs.abandon();
}

void ReplaceController::onClicked() {
    if (m_ui.replaceButton->text() != kIdle) {
        // The engine call can't be interrupted cleanly: the run is abandoned instead, so whatever it
        // still delivers is dropped and a new run may start while it winds down.
        m_runs.abandon();
        m_ui.replaceButton->setText(kIdle);
        return;
    }
    // The busy caption shows while the input box is open.
    m_ui.replaceButton->setText(kBusy);
    if (const std::optional<QString> typed =
            m_context.dialogs.askText(m_ui.replaceButton->window(), QStringLiteral("请填写用作替换内容")))
        m_replacement = *typed;
    start();
}

void ReplaceController::start() {
    const quint64 run = m_runs.begin();
    const QString expression = boxText(m_ui.expression);
    BoxText::of(m_ui.sourceText)->take(this, [this, run, expression](const QString &subject) {
        if (m_runs.isCurrent(run))
            replace(run, expression, subject);
    });
}

void ReplaceController::replace(quint64 run, const QString &expression, const QString &subject) {
    const QString replacement = m_replacement;
    const PlainDocumentSettings settings = plainDocumentSettings(m_ui.replaceResult);
    QThread *uiThread = thread();

    runInBackground([this, run, expression, subject, replacement, settings, uiThread] {
        // The check boxes govern matching only; replacing always uses the component's defaults.
        const Pattern pattern = Pattern::compile(expression, RegexOptions{});
        if (!pattern.isValid()) {
            postTo(this,
                   [this, run, error = pattern.error()] { finish(run, MatchStatus::Rejected, {}, error); });
            return;
        }
        MatchStatus status = MatchStatus::Ok;
        const QString result = Matcher(pattern).replaceAll(subject, replacement, &status,
                                                           [this, run] { return m_runs.isCurrent(run); });
        if (status == MatchStatus::Canceled || !m_runs.isCurrent(run))
            return;
        if (status != MatchStatus::Ok) {
            postTo(this, [this, run, status] { finish(run, status, {}); });
            return;
        }
        // The document is laid out here too, so that showing a result of many megabytes is only a swap.
        PendingDocument document(buildPlainDocument(fromCrLf(result), settings, uiThread));
        postTo(this, [this, run, document = std::move(document)]() mutable {
            finish(run, MatchStatus::Ok, std::move(document.doc));
        });
    });
}

void ReplaceController::finish(quint64 run, MatchStatus status, std::unique_ptr<QTextDocument> result,
                               const PatternError &error) {
    // A stop that came first has already finished this run.
    if (!m_runs.isCurrent(run)) {
        disposeDocument(std::move(result));
        return;
    }
    m_runs.abandon();
    switch (status) {
    case MatchStatus::Rejected:
        m_ui.setStatus(runStatusText(RunCommand::Replace, {status, error}));
        m_ui.replaceButton->setText(kIdle);
        break;
    case MatchStatus::LimitExceeded:
    case MatchStatus::Canceled:
        m_ui.setStatus(runStatusText(RunCommand::Replace, {status}));
        m_ui.replaceButton->setText(kIdle);
        break;
    case MatchStatus::Ok:
        showPlainDocument(m_ui.replaceResult, std::move(result));
        m_ui.replaceButton->setText(kIdle);
        m_ui.setStatus(runStatusText(RunCommand::Replace, {status}));
        m_ui.tabs2->setCurrentIndex(kReplaceResultPage);
        break;
    }
}

} // namespace rw
