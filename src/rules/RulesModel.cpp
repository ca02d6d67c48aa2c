#include "RulesModel.h"

namespace rw {

namespace {
constexpr int ColumnCount = 3;
} // namespace

RulesModel::RulesModel(QObject *parent) : QAbstractTableModel(parent) {}

int RulesModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_library.size());
}

int RulesModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RulesModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) ||
        (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return m_library.field(index.row(), RuleField(index.column()));
}

QVariant RulesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    static const QString captions[ColumnCount] = {QStringLiteral("简介"), QStringLiteral("表达式"),
                                                  QStringLiteral("介绍")};
    return captions[section];
}

bool RulesModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::EditRole)
        return false;
    if (!m_library.commit(index.row(), RuleField(index.column()), value.toString()))
        return false;
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

void RulesModel::prepend(const QList<Rule> &loaded) {
    if (loaded.isEmpty())
        return;
    beginInsertRows({}, 0, int(loaded.size()) - 1);
    m_library.prepend(loaded);
    endInsertRows();
}

int RulesModel::appendEmpty() {
    const int row = int(m_library.size());
    beginInsertRows({}, row, row);
    m_library.appendEmpty();
    endInsertRows();
    return row;
}

bool RulesModel::removeRule(int row) {
    if (row < 0 || row >= m_library.size())
        return false;
    beginRemoveRows({}, row, row);
    m_library.remove(row);
    endRemoveRows();
    return true;
}

} // namespace rw
