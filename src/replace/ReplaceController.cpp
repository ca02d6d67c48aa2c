#include "ReplaceController.h"

#include "core/regex/Matcher.h"
#include "core/regex/RunStatusText.h"
#include "core/tasks/TaskPool.h"
#include "pattern/PatternOwner.h"
#include "platform/AppContext.h"
#include "platform/Dialogs.h"
#include "platform/RunButton.h"
#include "textbox/BoxText.h"
#include "textbox/TextEditor.h"

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>

namespace rw {

namespace {
const QString kIdle = QStringLiteral("替换");
const QString kBusy = QStringLiteral("停止替换");
// How often a running replace reports how far it is (the status shows it every 250 ms).
constexpr qint64 kProgressReportMs = 100;
} // namespace

ReplaceController::ReplaceController(const ReplaceWidgets &widgets, AppContext &context, QObject *parent)
    : QObject(parent), m_w(widgets), m_context(context), m_progress([this] {
          // Not before the worker has the text: the input box may still be open.
          if (m_subjectSize > 0)
              emit statusChanged(QStringLiteral("正在替换… %1%").arg(m_done * 100 / m_subjectSize));
      }) {
    connect(m_w.button, &QPushButton::clicked, this, &ReplaceController::toggle);
    showRunsOn(m_w.button, m_runs, kIdle, kBusy);
    m_progress.follow(m_runs);
}

ReplaceController::~ReplaceController() = default;

void ReplaceController::toggle() {
    if (m_runs.isRunning())
        stop();
    else
        start();
}

void ReplaceController::stop() {
    // The engine call can't be interrupted cleanly: the run is abandoned instead, so whatever it still
    // delivers is dropped and a new run may start while it winds down.
    m_runs.stop();
}

void ReplaceController::start() {
    // The run begins before the input box opens, so the busy caption shows while it is open.
    const RunState::Run run = m_runs.begin();
    if (const std::optional<QString> typed =
            m_context.dialogs.askText(m_w.button->window(), QStringLiteral("请填写用作替换内容")))
        m_replacement = *typed;
    if (!run.isCurrent())
        return;
    const PatternSnapshot value = m_w.pattern->current();
    const QString replacement = m_replacement;
    m_done = 0;
    m_subjectSize = 0;
    BoxText::of(m_w.source)->take(this, [=, this](const QString &subject) {
        if (!run.isCurrent())
            return;
        m_subjectSize = subject.size();
        runInBackground([=, this] {
            // The three option boxes govern matching only; replacing always uses the component's defaults.
            // Line by line is how the text is cut into subjects, and holds for replacing too.
            RegexOptions options;
            options.perLine = value->options.perLine;
            const Pattern pattern = Pattern::compile(value->tree, value->text, options);
            if (!pattern.isValid()) {
                run.deliver([this, error = pattern.error()] { finish(MatchStatus::Rejected, {}, error); });
                return;
            }
            // How far the engine is reaches the UI thread as the run's own deliveries, a few a second.
            std::atomic<qsizetype> done{0};
            QElapsedTimer sinceReport;
            sinceReport.start();
            const auto keepGoing = [this, run, &done, &sinceReport] {
                if (sinceReport.elapsed() >= kProgressReportMs) {
                    sinceReport.restart();
                    run.deliver([this, at = done.load()] { m_done = at; });
                }
                return run.isCurrent();
            };
            MatchStatus status = MatchStatus::Ok;
            QString result = Matcher(pattern).replaceAll(subject, replacement, &status, keepGoing, &done);
            if (status == MatchStatus::Canceled || !run.isCurrent())
                return;
            if (status != MatchStatus::Ok) {
                run.deliver([this, status] { finish(status, {}); });
                return;
            }
            // The result's store is built here too, so that showing many megabytes is only a swap.
            auto store = std::make_shared<TextStore>(std::move(result));
            run.deliver([this, store] { finish(MatchStatus::Ok, store); });
        });
    });
}

void ReplaceController::finish(MatchStatus status, std::shared_ptr<TextStore> result,
                               const PatternError &error) {
    m_runs.stop();
    if (status == MatchStatus::Ok)
        m_w.result->setStore(std::move(*result));
    emit statusChanged(runStatusText(RunCommand::Replace, {status, error}));
    if (status == MatchStatus::Ok)
        emit resultShown();
}

} // namespace rw
