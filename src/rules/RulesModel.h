#pragma once

#include "core/rules/RulesLibrary.h"

#include <QAbstractTableModel>

namespace rw {

// The rules library as the list 超级列表框_表达式 shows it: one row per rule, the columns 简介 (name),
// 表达式 (expression) and 介绍 (description). Edits follow the library's rules.
class RulesModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RulesModel(QObject *parent = nullptr);

    const RulesLibrary &library() const { return m_library; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Commits value (a text) to the cell as an edit of it (see RulesLibrary::committed).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // See RulesLibrary::prepend.
    void prepend(const QList<Rule> &loaded);
    // Appends an empty rule; returns its row.
    int appendEmpty();
    // Removes the rule at row; false when there is none.
    bool removeRule(int row);

private:
    RulesLibrary m_library;
};

} // namespace rw
