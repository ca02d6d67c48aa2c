#include "MatchController.h"

#include "ResultsModel.h"
#include "app/MainWindowUi.h"
#include "textbox/BoxText.h"
#include "core/regex/Matcher.h"
#include "core/regex/RunStatusText.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTextDocument>

namespace rw {

namespace {
const QString kIdle = QStringLiteral("匹配");
const QString kBusy = QStringLiteral("正在匹配");
constexpr int kDesignColumnWidth[] = {50, 100};
constexpr int kSubmatchColumnWidth = 100;
// A batch goes to the list after this many matches or this much time, whichever comes first.
constexpr qsizetype kBatchMatches = 20000;
constexpr qint64 kBatchMillis = 50;
} // namespace

MatchController::MatchController(MainWindowUi &ui, QObject *parent)
    : QObject(parent), m_ui(ui), m_model(new ResultsModel(this)) {
    m_ui.resultsList->setModel(m_model);
    for (int c = 0; c < 2; ++c)
        m_ui.resultsList->setColumnWidth(c, kDesignColumnWidth[c]);
    connect(m_model, &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex &, int first, int last) {
                for (int c = first; c <= last; ++c)
                    m_ui.resultsList->setColumnWidth(c, kSubmatchColumnWidth);
            });
    connect(m_ui.matchButton, &QPushButton::clicked, this, &MatchController::onClicked);
}

MatchController::~MatchController() {
    abandon();
}

void MatchController::abandon() {
    m_runs.abandon();
}

void MatchController::onClicked() {
    if (m_ui.matchButton->text() == kIdle) {
        m_ui.matchButton->setText(kBusy);
        start();
        return;
    }
    // A stop abandons the run: whatever it still posts is dropped, the rows so far stay.
    m_runs.abandon();
    m_ui.matchButton->setText(kIdle);
}

void MatchController::start() {
    const quint64 run = m_runs.begin();
    RegexOptions options;
    options.ignoreCase = !m_ui.checkCase->isChecked();
    options.multiline = m_ui.checkMultiline->isChecked();
    options.global = m_ui.checkGlobal->isChecked();
    const QString expression = boxText(m_ui.expression);
    m_model->reset(QString());
    BoxText::of(m_ui.sourceText)->take(this, [this, run, options, expression](const QString &subject) {
        if (m_runs.isCurrent(run))
            runInBackground(
                [this, run, options, expression, subject] { match(run, options, expression, subject); });
    });
}

void MatchController::match(quint64 run, const RegexOptions &options, const QString &expression,
                            const QString &subject) {
    const Pattern pattern = Pattern::compile(expression, options);
    if (!pattern.isValid()) {
        postTo(this, [this, run, error = pattern.error()] { finish(run, MatchStatus::Rejected, 0, error); });
        return;
    }
    postTo(this, [this, run, subject] {
        if (m_runs.isCurrent(run))
            m_model->reset(subject);
    });
    Matcher matcher(pattern);
    MatchSet found(pattern.captureCount());
    qsizetype total = 0;
    QElapsedTimer sinceBatch;
    sinceBatch.start();
    auto flush = [&](MatchSet &set) {
        total += set.size();
        postTo(this, [this, run, batch = std::move(set)] { addBatch(run, batch); });
        set = MatchSet(pattern.captureCount());
        sinceBatch.restart();
    };
    const MatchStatus status = matcher.findAll(subject, found, [&](MatchSet &set) {
        if (!m_runs.isCurrent(run))
            return false;
        if (set.size() >= kBatchMatches || (!set.isEmpty() && sinceBatch.elapsed() >= kBatchMillis))
            flush(set);
        return true;
    });
    if (status == MatchStatus::Canceled)
        return;
    if (!found.isEmpty())
        flush(found);
    const int submatches = total > 0 ? pattern.captureCount() : 0;
    postTo(this, [this, run, status, submatches] { finish(run, status, submatches); });
}

void MatchController::addBatch(quint64 run, const MatchSet &batch) {
    if (!m_runs.isCurrent(run))
        return;
    m_model->appendBatch(batch);
}

void MatchController::finish(quint64 run, MatchStatus status, int submatchCount, const PatternError &error) {
    if (!m_runs.isCurrent(run))
        return;
    m_runs.abandon();
    m_ui.setStatus(
        runStatusText(RunCommand::Match, {status, error, m_model->table().rowCount(), submatchCount}));
    m_ui.matchButton->setText(kIdle);
    m_ui.tabs2->setCurrentIndex(0);
}

} // namespace rw
