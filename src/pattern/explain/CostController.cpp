#include "CostController.h"

#include "ExplanationController.h"
#include "core/tasks/TaskPool.h"
#include "pattern/BoxMarks.h"
#include "pattern/PatternOwner.h"
#include "textbox/TextEditor.h"

#include <QAction>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTreeView>

namespace rw {

namespace {
const QString kInsert = QStringLiteral("插入到源文本");
// A witness of an exponential pattern put into the text: long enough to be felt, short enough to stop.
constexpr int kExponentialInsertSize = 30;
constexpr int kPolynomialInsertSize = 20000;

// A part of the witness as the user reads it: in quotes, with line breaks and tabs written as escapes.
QString quoted(const QString &text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c.unicode() < 0x20)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out + u'"';
}

QStandardItem *item(const QString &text) {
    auto *it = new QStandardItem(text);
    it->setEditable(false);
    return it;
}
} // namespace

CostController::CostController(const CostWidgets &widgets, QObject *parent)
    : QObject(parent), m_w(widgets), m_menu(new QMenu(widgets.tree)) {
    // Steps counted for a pattern the user has already changed are worth nothing: stop at once.
    connect(m_w.pattern, &PatternOwner::changed, &m_runs, &RunState::stop);
    m_menu->setObjectName(QStringLiteral("表达式解释右键菜单"));
    QAction *insert = m_menu->addAction(kInsert);
    connect(insert, &QAction::triggered, this, &CostController::insertWitness);
    m_w.tree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_w.tree, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        // Only the cost node and its children offer the worst input, and only when there is one.
        QModelIndex index = m_w.tree->indexAt(at);
        while (index.parent().isValid())
            index = index.parent();
        if (!index.isValid() || index.row() != 0 || m_cost.pump.isEmpty())
            return;
        m_menu->popup(m_w.tree->viewport()->mapToGlobal(at) + QPoint(3, 3));
    });
}

CostController::~CostController() {
    m_runs.stop();
}

int CostController::insertSize() const {
    return m_cost.growth == BacktrackCost::Growth::Exponential ? kExponentialInsertSize : kPolynomialInsertSize;
}

void CostController::explained(const PatternSnapshot &value) {
    m_runs.stop();
    m_cost = BacktrackCost();
    setBoxMarks(m_w.pattern->box(), BoxMarkLayer::Cost, {});
    if (value->text.isEmpty() || !value->tree.isValid())
        return;
    // The analysis, then the engine's own steps on the witness (a few hundred milliseconds at most) and
    // the rewrite, which compiles and runs the patterns it checks.
    const RunState::Run run = m_runs.begin();
    runInBackground([this, run, value] {
        const BacktrackCost cost = BacktrackCost::analyse(value->tree, value->options);
        run.deliver([this, run, value, cost] {
            if (!m_runs.isCurrent(run))
                return;
            m_cost = cost;
            show(*value);
        });
        if (cost.growth != BacktrackCost::Growth::Exponential && cost.growth != BacktrackCost::Growth::Polynomial)
            return;
        const std::vector<BacktrackCost::Sample> samples =
            cost.measure(value->tree, value->text, value->options, [&run] { return run.isCurrent(); });
        if (!run.isCurrent())
            return;
        const RewriteHint hint = RewriteHint::find(value->tree, value->text, value->options, cost);
        run.deliver([this, run, samples, hint] {
            if (m_runs.finish(run))
                showSteps(samples, hint);
        });
    });
}

void CostController::show(const PatternValue &value) {
    auto *model = qobject_cast<QStandardItemModel *>(m_w.tree->model());
    if (!model)
        return;
    QStandardItem *node = item(m_cost.verdictText());
    model->insertRow(0, node);
    const bool costly = m_cost.growth == BacktrackCost::Growth::Exponential ||
                        m_cost.growth == BacktrackCost::Growth::Polynomial;
    if (!costly) {
        m_runs.stop();
        m_w.tree->expand(node->index());
        return;
    }
    // The quantifiers to blame, each selecting itself in the pattern box, and marked there.
    QPlainTextEdit *box = m_w.pattern->box();
    QList<QTextEdit::ExtraSelection> marks;
    for (int q : m_cost.blamed) {
        const SyntaxNode &n = value.tree.node(q);
        const QString text = value.text.mid(n.begin, n.end - n.begin);
        QStandardItem *blamed = item(QStringLiteral("可用多种方式匹配同一段文本: %1").arg(text));
        const auto [begin, end] = value.breaks.boxRange(n.begin, n.end);
        blamed->setData(int(begin), ExplanationController::BeginRole);
        blamed->setData(int(end), ExplanationController::EndRole);
        node->appendRow(blamed);
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(box->document());
        mark.cursor.setPosition(int(value.breaks.boxPosition(n.opBegin)));
        mark.cursor.setPosition(int(end), QTextCursor::KeepAnchor);
        mark.format.setBackground(QColor(255, 214, 153));
        mark.format.setUnderlineStyle(QTextCharFormat::DashUnderline);
        mark.format.setUnderlineColor(QColor(204, 102, 0));
        mark.format.setToolTip(m_cost.verdictText());
        marks.append(mark);
    }
    setBoxMarks(box, BoxMarkLayer::Cost, marks);
    node->appendRow(item(QStringLiteral("最坏输入: %1 + %2 × n + %3")
                             .arg(quoted(m_cost.prefix), quoted(m_cost.pump), quoted(m_cost.suffix))));
    QStandardItem *steps = item(QStringLiteral("引擎步数: 计算中…"));
    node->appendRow(steps);
    m_stepsItem = steps->index();
    node->appendRow(item(QStringLiteral("右键菜单 \"%1\" 把 n = %2 的最坏输入放进源文本").arg(kInsert).arg(insertSize())));
    m_w.tree->expand(node->index());
}

void CostController::showSteps(const std::vector<BacktrackCost::Sample> &samples, const RewriteHint &hint) {
    auto *model = qobject_cast<QStandardItemModel *>(m_w.tree->model());
    QStandardItem *it = model && m_stepsItem.isValid() ? model->itemFromIndex(m_stepsItem) : nullptr;
    if (!it)
        return;
    QStringList parts;
    const QLocale locale = QLocale::c();
    for (const BacktrackCost::Sample &s : samples) {
        parts << QStringLiteral("n = %1: %2").arg(s.n).arg(
            s.steps >= BacktrackCost::kSampleLimit ? QStringLiteral("> ") + locale.toString(qulonglong(s.steps))
                                                   : locale.toString(qulonglong(s.steps)));
    }
    it->setText(QStringLiteral("引擎步数: ") + parts.join(QStringLiteral("; ")));
    if (!hint.pattern.isEmpty())
        it->parent()->insertRow(it->row() + 1,
                                item(QStringLiteral("改写建议: %1 (%2)").arg(hint.explanation, hint.pattern)));
}

void CostController::insertWitness() {
    if (m_cost.pump.isEmpty() || !m_w.source)
        return;
    // One undo step at the source text's caret, as a paste.
    m_w.source->insertPlainText(m_cost.witness(insertSize()));
    m_w.source->setFocus();
}

} // namespace rw
