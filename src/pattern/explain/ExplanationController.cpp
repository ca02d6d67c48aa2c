#include "ExplanationController.h"

#include "core/regex/PatternExplanation.h"
#include "core/tasks/TaskPool.h"
#include "pattern/PatternOwner.h"

#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTextCursor>
#include <QTreeView>

namespace rw {

namespace {

void addItems(QStandardItem *parent, const std::vector<ExplanationItem> &items, const PatternValue &value) {
    for (const ExplanationItem &part : items) {
        auto *item = new QStandardItem(part.text);
        item->setEditable(false);
        const auto [begin, end] = value.breaks.boxRange(part.begin, part.end);
        item->setData(int(begin), ExplanationController::BeginRole);
        item->setData(int(end), ExplanationController::EndRole);
        item->setToolTip(value.text.mid(part.begin, part.end - part.begin));
        addItems(item, part.children, value);
        parent->appendRow(item);
    }
}

} // namespace

ExplanationController::ExplanationController(const ExplanationWidgets &widgets, QObject *parent)
    : QObject(parent), m_w(widgets), m_model(new QStandardItemModel(this)) {
    m_w.tree->setModel(m_model);
    m_w.tree->setHeaderHidden(true);
    m_w.tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_w.tree->setUniformRowHeights(true);
    // Work for a pattern the user has already changed is dropped at once; the new one follows the pause.
    connect(m_w.pattern, &PatternOwner::changed, &m_runs, &RunState::stop);
    connect(m_w.pattern, &PatternOwner::valuePublished, this, &ExplanationController::explain);
    connect(m_w.tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { selectPart(current); });
    // Clicking the part already current selects it in the pattern box again.
    connect(m_w.tree, &QTreeView::clicked, this, &ExplanationController::selectPart);
    explain(m_w.pattern->published());
}

ExplanationController::~ExplanationController() {
    m_runs.stop();
}

void ExplanationController::explain(const PatternSnapshot &value) {
    // Explaining compiles the pattern (to find the faults only the engine finds): on a worker.
    const RunState::Run run = m_runs.begin();
    runInBackground([this, run, value] {
        PatternExplanation explanation = PatternExplanation::explain(value->tree, value->text, value->options);
        run.deliver([this, run, value, explanation = std::move(explanation)] {
            if (!m_runs.finish(run))
                return;
            m_model->clear();
            addItems(m_model->invisibleRootItem(), explanation.items, *value);
            m_w.tree->expandAll();
            emit explained(value);
        });
    });
}

void ExplanationController::selectPart(const QModelIndex &index) {
    if (!index.isValid())
        return;
    QPlainTextEdit *box = m_w.pattern->box();
    const int length = box->document()->characterCount() - 1;
    QTextCursor cursor(box->document());
    cursor.setPosition(qBound(0, index.data(BeginRole).toInt(), length));
    cursor.setPosition(qBound(0, index.data(EndRole).toInt(), length), QTextCursor::KeepAnchor);
    // Setting the cursor would emit no textChanged, so the explanation stays as it is.
    box->setTextCursor(cursor);
}

} // namespace rw
