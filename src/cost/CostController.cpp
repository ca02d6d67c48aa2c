#include "CostController.h"

#include "core/regex/SyntaxTree.h"
#include "core/tasks/TaskPool.h"
#include "editor/TextEditor.h"
#include "platform/BoxMarks.h"
#include "textbox/BoxText.h"

#include <QAction>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTreeView>

namespace rw {

namespace {
const QString kInsert = QStringLiteral("插入到源文本");
// The roles the explanation page reads to select a part in the pattern box (its begin and end).
constexpr int kBeginRole = Qt::UserRole + 1;
constexpr int kEndRole = Qt::UserRole + 2;
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

// Where offset (in the pattern with "\r\n" breaks) is in the box's text (one position per break).
int boxPositionOf(const QString &pattern, qsizetype offset) {
    int at = 0;
    for (qsizetype i = 0; i < offset && i < pattern.size(); ++i) {
        if (!(pattern.at(i) == u'\r' && i + 1 < pattern.size() && pattern.at(i + 1) == u'\n'))
            ++at;
    }
    return at;
}

QStandardItem *item(const QString &text) {
    auto *it = new QStandardItem(text);
    it->setEditable(false);
    return it;
}
} // namespace

CostController::CostController(const CostWidgets &widgets, QObject *parent)
    : QObject(parent), m_w(widgets), m_menu(new QMenu(widgets.tree)) {
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

void CostController::explained() {
    m_runs.stop();
    auto *model = qobject_cast<QStandardItemModel *>(m_w.tree->model());
    m_pattern = boxText(m_w.inputs.expression);
    m_options = m_w.inputs.options();
    const SyntaxTree tree = SyntaxTree::parse(m_pattern);
    m_cost = BacktrackCost();
    setBoxMarks(m_w.inputs.expression, BoxMarkLayer::Cost, {});
    if (!model || m_pattern.isEmpty() || !tree.isValid())
        return;
    m_cost = BacktrackCost::analyse(tree, m_options);

    QStandardItem *node = item(m_cost.verdictText());
    model->insertRow(0, node);
    const bool costly = m_cost.growth == BacktrackCost::Growth::Exponential ||
                        m_cost.growth == BacktrackCost::Growth::Polynomial;
    if (!costly) {
        m_w.tree->expand(node->index());
        return;
    }
    // The quantifiers to blame, each selecting itself in the pattern box, and marked there.
    QList<QTextEdit::ExtraSelection> marks;
    for (int q : m_cost.blamed) {
        const SyntaxNode &n = tree.node(q);
        const QString text = m_pattern.mid(n.begin, n.end - n.begin);
        QStandardItem *blamed = item(QStringLiteral("可用多种方式匹配同一段文本: %1").arg(text));
        blamed->setData(boxPositionOf(m_pattern, n.begin), kBeginRole);
        blamed->setData(boxPositionOf(m_pattern, n.end), kEndRole);
        node->appendRow(blamed);
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(m_w.inputs.expression->document());
        mark.cursor.setPosition(boxPositionOf(m_pattern, n.opBegin));
        mark.cursor.setPosition(boxPositionOf(m_pattern, n.end), QTextCursor::KeepAnchor);
        mark.format.setBackground(QColor(255, 214, 153));
        mark.format.setUnderlineStyle(QTextCharFormat::DashUnderline);
        mark.format.setUnderlineColor(QColor(204, 102, 0));
        mark.format.setToolTip(m_cost.verdictText());
        marks.append(mark);
    }
    setBoxMarks(m_w.inputs.expression, BoxMarkLayer::Cost, marks);
    node->appendRow(item(QStringLiteral("最坏输入: %1 + %2 × n + %3")
                             .arg(quoted(m_cost.prefix), quoted(m_cost.pump), quoted(m_cost.suffix))));
    QStandardItem *steps = item(QStringLiteral("引擎步数: 计算中…"));
    node->appendRow(steps);
    m_stepsItem = steps->index();
    node->appendRow(item(QStringLiteral("右键菜单 \"%1\" 把 n = %2 的最坏输入放进源文本").arg(kInsert).arg(insertSize())));
    m_w.tree->expand(node->index());

    // The engine's own steps on the witness (a few hundred milliseconds at most) and the rewrite, which
    // compiles and runs the patterns it checks: on a worker.
    const RunState::Run run = m_runs.begin();
    runInBackground([this, run, cost = m_cost, pattern = m_pattern, options = m_options] {
        const std::vector<BacktrackCost::Sample> samples = cost.measure(pattern, options);
        const RewriteHint hint = RewriteHint::find(pattern, options, cost);
        run.deliver([this, run, samples, hint] {
            if (!m_runs.finish(run) || !m_stepsItem.isValid())
                return;
            QStringList parts;
            const QLocale locale = QLocale::c();
            for (const BacktrackCost::Sample &s : samples) {
                parts << QStringLiteral("n = %1: %2").arg(s.n).arg(
                    s.steps >= BacktrackCost::kSampleLimit ? QStringLiteral("> ") + locale.toString(qulonglong(s.steps))
                                                           : locale.toString(qulonglong(s.steps)));
            }
            auto *model = qobject_cast<QStandardItemModel *>(m_w.tree->model());
            QStandardItem *it = model ? model->itemFromIndex(m_stepsItem) : nullptr;
            if (!it)
                return;
            it->setText(QStringLiteral("引擎步数: ") + parts.join(QStringLiteral("; ")));
            if (!hint.pattern.isEmpty())
                it->parent()->insertRow(it->row() + 1,
                                        item(QStringLiteral("改写建议: %1 (%2)").arg(hint.explanation, hint.pattern)));
        });
    });
}

void CostController::insertWitness() {
    if (m_cost.pump.isEmpty() || !m_w.source)
        return;
    // One undo step at the source text's caret, as a paste.
    m_w.source->insertPlainText(m_cost.witness(insertSize()));
    m_w.source->setFocus();
}

} // namespace rw
