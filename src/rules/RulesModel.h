#pragma once

#include "core/tests/TestsCodec.h"

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

    // The tests of the rule at row, if it has any; they stay with the row through edits of its cells.
    const std::optional<TestedPattern> &tests(int row) const { return m_rows[row].tests; }
    // Gives the rule at row its tests (the entry's name and pattern are the row's at a save); its last
    // tally is dropped.
    void setTests(int row, std::optional<TestedPattern> tests);
    // Gives the rules their entries of a tests file (see pairRulesWithTests); the entries no rule takes, and
    // the file's own unknown fields, are kept to be written back.
    void attachTests(const TestsFile &file);
    // The tests file of the library as it is now: one entry per rule with tests, then the entries kept.
    TestsFile testsFile() const;
    // A number that stays with the rule at row while rows come and go, for results that arrive later.
    quint64 rowId(int row) const { return m_rows[row].id; }
    int rowOf(quint64 id) const;
    // How the tests of the rule at row last came out: its name shows an icon when one failed, and the
    // row's tooltip says "测试: 通过 n/m".
    void setTally(int row, const std::optional<TestTally> &tally);
    const std::optional<TestTally> &tally(int row) const { return m_rows[row].tally; }

private:
    struct Row {
        quint64 id = 0;
        std::optional<TestedPattern> tests;
        std::optional<TestTally> tally;
    };
    Row newRow() { return Row{++m_lastId, std::nullopt, std::nullopt}; }
    void rowChanged(int row);

    RulesLibrary m_library;
    QList<Row> m_rows; // one per rule
    quint64 m_lastId = 0;
    TestsFile m_kept;  // the tests file's entries no rule took, and its unknown fields
};

} // namespace rw
