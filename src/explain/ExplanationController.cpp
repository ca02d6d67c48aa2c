#include "ExplanationController.h"

#include "PatternHighlighter.h"
#include "core/regex/PatternExplanation.h"
#include "live/LiveController.h"
#include "textbox/BoxText.h"

#include <QItemSelectionModel>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTextCursor>
#include <QTreeView>

namespace rw {

namespace {

void addItems(QStandardItem *parent, const std::vector<ExplanationItem> &items, const QString &boxText,
              const QString &pattern) {
    for (const ExplanationItem &part : items) {
        auto *item = new QStandardItem(part.text);
        item->setEditable(false);
        item->setData(boxPosition(boxText, part.begin), ExplanationController::BeginRole);
        item->setData(boxPosition(boxText, part.end), ExplanationController::EndRole);
        item->setToolTip(pattern.mid(part.begin, part.end - part.begin));
        addItems(item, part.children, boxText, pattern);
        parent->appendRow(item);
    }
}

} // namespace

int boxPosition(const QString &boxText, qsizetype offset) {
    qsizetype at = 0;
    for (qsizetype units = 0; at < boxText.size() && units < offset; ++at)
        units += boxText.at(at) == QLatin1Char('\n') ? 2 : 1;
    return int(at);
}

ExplanationController::ExplanationController(const ExplanationWidgets &widgets, QObject *parent)
    : QObject(parent), m_w(widgets), m_model(new QStandardItemModel(this)) {
    // The box owns it; it follows the box's document through the loader's swap.
    new PatternHighlighter(m_w.inputs.expression, [inputs = m_w.inputs] { return inputs.options(); });
    m_w.tree->setModel(m_model);
    m_w.tree->setHeaderHidden(true);
    m_w.tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_w.tree->setUniformRowHeights(true);
    m_pause.setSingleShot(true);
    m_pause.setInterval(LiveController::pauseMillis);
    connect(&m_pause, &QTimer::timeout, this, &ExplanationController::refresh);
    connect(m_w.inputs.expression, &QPlainTextEdit::textChanged, &m_pause, qOverload<>(&QTimer::start));
    // Only Multiline changes a text.
    connect(m_w.inputs.checkMultiline, &QCheckBox::toggled, &m_pause, qOverload<>(&QTimer::start));
    connect(m_w.tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { selectPart(current); });
    // Clicking the part already current selects it in the pattern box again.
    connect(m_w.tree, &QTreeView::clicked, this, &ExplanationController::selectPart);
    refresh();
}

void ExplanationController::refresh() {
    const QString pattern = boxText(m_w.inputs.expression);
    const QString shown = m_w.inputs.expression->document()->toPlainText();
    const PatternExplanation explanation = PatternExplanation::explain(pattern, m_w.inputs.options());
    m_model->clear();
    addItems(m_model->invisibleRootItem(), explanation.items, shown, pattern);
    m_w.tree->expandAll();
    emit explained();
}

void ExplanationController::selectPart(const QModelIndex &index) {
    if (!index.isValid())
        return;
    QPlainTextEdit *box = m_w.inputs.expression;
    const int length = box->document()->characterCount() - 1;
    QTextCursor cursor(box->document());
    cursor.setPosition(qBound(0, index.data(BeginRole).toInt(), length));
    cursor.setPosition(qBound(0, index.data(EndRole).toInt(), length), QTextCursor::KeepAnchor);
    // Setting the cursor would emit no textChanged, so the explanation stays as it is.
    box->setTextCursor(cursor);
}

} // namespace rw
