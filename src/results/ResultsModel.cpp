#include "ResultsModel.h"

#include "core/results/VisibleMarks.h"
#include "core/tasks/TaskPool.h"
#include "pattern/GroupColours.h"

#include <QBrush>
#include <QTextDocument>

namespace rw {

namespace {
// A cell shows at most this much of its text: laying out a match of megabytes (say [\s\S]* over the whole
// text) for one line of a list would hold the window for seconds at every repaint.
// The tooltip keeps to the same cap for the same reason.
constexpr qsizetype kShownChars = 2000;
} // namespace

ResultsModel::ResultsModel(QObject *parent) : QAbstractTableModel(parent) {}

int ResultsModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_table.rowCount());
}

int ResultsModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_table.columnCount();
}

QVariant ResultsModel::data(const QModelIndex &index, int role) const {
    if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) ||
        !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const QString text = m_table.cell(index.row(), index.column(), kShownChars);
    if (role == Qt::DisplayRole)
        // A cell is one line: a tab or a line break would hide everything after it.
        return withVisibleMarks(text);
    if (text.isEmpty())
        return {};
    // A tooltip that looks like markup would be drawn as rich text; the match must show as it is.
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpacePre) : text;
}

QVariant ResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section == m_table.lineColumn()) {
        if (role == Qt::DisplayRole)
            return QStringLiteral("行号");
        if (role == Qt::ToolTipRole)
            return QStringLiteral("匹配所在的行在源文本中是第几行");
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (orientation == Qt::Horizontal && role == Qt::ToolTipRole && section >= 2)
        return QStringLiteral("表达式中第 %1 个捕获分组 (子匹配 %1) 匹配到的文本").arg(section - 1);
    // A group's column carries the group's colour in the pattern box and the live marks: the text in it,
    // and a square beside it so the colour is not the only sign.
    if (orientation == Qt::Horizontal && role == Qt::ForegroundRole && section >= 2)
        return QBrush(groupColour(section - 1));
    if (orientation == Qt::Horizontal && role == Qt::DecorationRole && section >= 2)
        return groupColour(section - 1);
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == 0)
        return QStringLiteral("序号");
    if (section == 1)
        return QStringLiteral("匹配文本");
    return QStringLiteral("子匹配文本%1").arg(section - 1);
}

void ResultsModel::reset(const QString &subject, std::shared_ptr<const LineStarts> lines) {
    beginResetModel();
    // Ten million rows take a while to free: the old table goes on a worker.
    freeInBackground(std::exchange(m_table, MatchTable()));
    m_table.reset(subject, std::move(lines));
    endResetModel();
}

void ResultsModel::appendBatches(std::vector<MatchSet> batches) {
    std::vector<std::shared_ptr<const MatchSet>> shared;
    shared.reserve(batches.size());
    for (MatchSet &batch : batches)
        shared.push_back(std::make_shared<const MatchSet>(std::move(batch)));
    appendBatches(std::move(shared));
}

void ResultsModel::appendBatches(std::vector<std::shared_ptr<const MatchSet>> batches) {
    qsizetype added = 0;
    int groups = 0;
    for (const auto &batch : batches) {
        added += batch->size();
        groups = std::max(groups, batch->groupCount());
    }
    if (added == 0)
        return;
    // The group columns go after the matched text, before the line column when there is one.
    const int oldGroups = m_table.submatchColumns();
    if (oldGroups < groups) {
        beginInsertColumns({}, 2 + oldGroups, 1 + groups);
        m_table.addSubmatchColumns(groups);
        endInsertColumns();
    }
    // One insertion for them all: a view's work per insertion grows with the rows it already has.
    const qsizetype rows = m_table.rowCount();
    beginInsertRows({}, int(rows), int(rows + added - 1));
    for (auto &batch : batches)
        m_table.append(std::move(batch));
    endInsertRows();
}

} // namespace rw
