#include "LiveController.h"

#include "LiveError.h"
#include "LiveMarks.h"
#include "LiveSetting.h"
#include "core/regex/Matcher.h"
#include "core/tasks/TaskPool.h"
#include "pattern/PatternOwner.h"
#include "platform/AppContext.h"
#include "textbox/BoxText.h"
#include "textbox/TextEditor.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>

#include <algorithm>

namespace rw {

namespace {
// A long run says how far it has counted this often.
constexpr qint64 kProgressMillis = 100;

QString countText(qsizetype n) {
    return QStringLiteral("实时: %1 个匹配").arg(n);
}

// Searches for the matches that begin in [from, to) of subject, as a quick look at the lines in view
// before the whole text is searched. The stretch is searched inside the whole subject, so "^", "\b" and
// lookaheads see the text around it; a match that the whole search would start before the stretch (and
// that reaches into it) shows once the whole text's matches arrive.
LiveFinds searchPart(const Pattern &pattern, const QString &subject, qsizetype from, qsizetype to,
                     const RunState::Run &run) {
    from = std::clamp<qsizetype>(from, 0, subject.size());
    to = std::clamp<qsizetype>(to, from, subject.size());
    MatchSet found(pattern.captureCount());
    Matcher matcher(pattern);
    matcher.findAll(subject, found, [&run](MatchSet &) { return run.isCurrent(); }, from, to);
    return {std::make_shared<const MatchSet>(std::move(found)), 0, from, to, 0};
}
} // namespace

LiveController::LiveController(const LiveWidgets &widgets, AppContext &context, QObject *parent)
    : QObject(parent), m_w(widgets), m_settingsDir(context.programDir),
      m_marks(new LiveMarks(widgets.source, this)) {
    m_w.toggle->setChecked(loadLiveHighlight(m_settingsDir));
    connect(m_w.toggle, &QCheckBox::toggled, this, [this](bool on) {
        saveLiveHighlight(m_settingsDir, on);
        setEnabled(on);
    });
    connect(m_w.pattern, &PatternOwner::changed, this, &LiveController::inputsChanged);
    connect(m_w.pattern, &PatternOwner::settled, this, [this] {
        if (m_w.toggle->isChecked())
            start();
    });
    // Also sent for a text swapped in as a whole.
    connect(m_w.source, &TextEditor::textChanged, this, &LiveController::sourceEdited);
    connect(m_marks, &LiveMarks::viewMoved, this, &LiveController::searchView);

    m_run.search.revision = m_w.source->revision();
    setEnabled(m_w.toggle->isChecked());
}

LiveController::~LiveController() = default;

void LiveController::setEnabled(bool on) {
    if (on) {
        m_w.pattern->waitForPause();
        return;
    }
    m_runs.stop();
    m_viewRuns.stop();
    releaseWaiters();
    m_run = {{QString(), {}, m_w.source->revision(), {}, MatchStatus::Ok, nullptr}, Pattern(), false};
    m_marks->clear();
    showErrorMark(m_w.pattern->box(), *m_w.pattern->published(), nullptr);
    m_w.label->clear();
}

void LiveController::inputsChanged() {
    // What was found no longer answers the inputs; the list may still share it.
    m_run.done = false;
    if (m_run.search.matches)
        freeInBackground(std::exchange(m_run.search.matches, nullptr));
    releaseWaiters();
    if (!m_w.toggle->isChecked())
        return;
    m_runs.stop();
    m_viewRuns.stop();
}

void LiveController::sourceEdited() {
    if (m_w.source->revision() == m_run.search.revision)
        return;
    // The offsets found no longer fit the text, nor does the text kept.
    m_marks->clear();
    m_run.search.subject.clear();
    inputsChanged();
    if (m_w.toggle->isChecked())
        m_w.pattern->waitForPause();
}

void LiveController::start() {
    releaseWaiters();
    const PatternSnapshot value = m_w.pattern->published();
    if (value->text.isEmpty()) {
        setEnabled(false);
        return;
    }
    const RunState::Run run = m_runs.begin();
    m_run = {{value->text, value->options, m_w.source->revision(), {}, MatchStatus::Ok, nullptr}, Pattern(), false};
    BoxText::of(m_w.source)->take(this, [this, run, value](const QString &subject) {
        if (!run.isCurrent())
            return;
        const auto [from, to] = m_marks->visibleRange();
        runInBackground([this, run, value, subject, from, to] {
            // The worker's part: compile, search the lines in view, then the whole text.
            const Pattern pattern = Pattern::compile(value->tree, value->text, value->options);
            if (!pattern.isValid()) {
                run.deliver([this, run, value, error = errorOf(pattern, value->text)] {
                    if (m_runs.finish(run))
                        showError(*value, error);
                });
                return;
            }
            run.deliver([this, value, pattern, subject] { adopt(*value, pattern, subject); });
            // Without the global option only the text's first match counts, which a part cannot tell.
            if (pattern.global() && (from > 0 || to < subject.size())) {
                LiveFinds part = searchPart(pattern, subject, from, to, run);
                run.deliver([this, part = std::move(part)]() mutable { m_marks->showPart(std::move(part)); });
            }
            Matcher matcher(pattern);
            MatchSet all(pattern.captureCount());
            QElapsedTimer spent;
            spent.start();
            qint64 nextProgress = kProgressMillis;
            const MatchStatus status = matcher.findAll(subject, all, [&](MatchSet &found) {
                if (!run.isCurrent())
                    return false;
                if (spent.elapsed() >= nextProgress) {
                    nextProgress = spent.elapsed() + kProgressMillis;
                    run.deliver([this, n = found.size()] {
                        m_w.label->setText(QStringLiteral("实时: 已找到 %1 个…").arg(n));
                        for (const FoundWaiter &waiter : m_waiters)
                            waiter.progress(n);
                    });
                }
                return true;
            });
            if (status == MatchStatus::Canceled)
                return;
            LiveFinds whole{std::make_shared<const MatchSet>(std::move(all)), 0, 0, subject.size(), 1};
            run.deliver([this, run, status, whole = std::move(whole)]() mutable {
                if (m_runs.finish(run))
                    showDone(status, whole);
            });
        });
    });
}

bool LiveController::join(const QString &expression, const RegexOptions &options, quint64 revision,
                          FoundWaiter waiter) {
    if (!m_w.toggle->isChecked() || m_w.source->revision() != revision)
        return false;
    if (!m_run.search.searches(expression, options, revision))
        return false;
    if (m_run.done) {
        waiter.done(m_run.search);
        return true;
    }
    if (!m_runs.isRunning())
        return false;
    m_waiters.push_back(std::move(waiter));
    return true;
}

void LiveController::releaseWaiters() {
    for (FoundWaiter &waiter : std::exchange(m_waiters, {}))
        waiter.done(std::nullopt);
}

void LiveController::adopt(const PatternValue &value, const Pattern &pattern, const QString &subject) {
    m_run.pattern = pattern;
    m_run.search.subject = subject;
    m_marks->markStale();
    m_marks->setSubject(subject);
    showErrorMark(m_w.pattern->box(), value, nullptr);
}

void LiveController::showError(const PatternValue &value, const LiveError &error) {
    // The Match waiting compiles the pattern itself and says what is wrong with it in its own words.
    releaseWaiters();
    m_viewRuns.stop();
    m_marks->clear();
    m_run.pattern = Pattern();
    m_w.label->setText(QStringLiteral("实时: 表达式错误"));
    showErrorMark(m_w.pattern->box(), value, &error);
    emit finished();
}

void LiveController::showDone(MatchStatus status, LiveFinds &finds) {
    m_viewRuns.stop();
    const qsizetype count = finds.matches->size();
    m_run.search.status = status;
    m_run.search.matches = finds.matches;
    m_run.done = true;
    m_marks->showWhole(std::move(finds));
    m_w.label->setText(status == MatchStatus::LimitExceeded ? QStringLiteral("实时: 超出回溯上限")
                                                            : countText(count));
    for (FoundWaiter &waiter : std::exchange(m_waiters, {}))
        waiter.done(m_run.search);
    emit finished();
}

void LiveController::searchView() {
    // The view also moves with an edit, before the edit is told: the text kept is then no longer the box's.
    if (!m_w.toggle->isChecked() || !m_run.pattern.isValid() || !m_run.pattern.global() ||
        m_run.search.subject.isEmpty() || m_w.source->revision() != m_run.search.revision)
        return;
    const auto [from, to] = m_marks->visibleRange();
    if (m_marks->covers(from, to))
        return;
    const RunState::Run run = m_viewRuns.begin();
    runInBackground([this, run, pattern = m_run.pattern, subject = m_run.search.subject, from, to] {
        LiveFinds part = searchPart(pattern, subject, from, to, run);
        run.deliver([this, run, part = std::move(part)]() mutable {
            if (m_viewRuns.finish(run))
                m_marks->showPart(std::move(part));
        });
    });
}

} // namespace rw
