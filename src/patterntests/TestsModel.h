#pragma once

#include "core/tests/PatternTests.h"

#include <QAbstractTableModel>

#include <optional>

namespace rw {

// The tests of the expression box's pattern as the table 超级列表框_测试 shows them: the columns 样例,
// 期望 and 结果. A failing row is red. Samples and expectations are edited in place; each edit drops the
// row's result until the next run.
class TestsModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { SampleColumn, ExpectColumn, ResultColumn, ColumnCount };
    // The whole test of a row (a PatternTest), for the expectation's editor.
    static constexpr int TestRole = Qt::UserRole + 1;

    explicit TestsModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // 样例 takes a text, 期望 a PatternTest (its sample is ignored).
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    const QList<PatternTest> &tests() const { return m_tests; }
    // Replaces every test; results are dropped.
    void setTests(const QList<PatternTest> &tests);
    // Appends tests; returns the row of the first.
    int append(const QList<PatternTest> &tests);
    // Removes the rows, given in any order.
    void remove(QList<int> rows);

    // Results of a run, in test order, for the tests as they were when the run began: a run over an edit
    // since is never shown (see revision()).
    void setResults(const QList<TestResult> &results);
    // Goes up with every change of the tests.
    quint64 revision() const { return m_revision; }
    // Passed and total of the results shown (total counts every test).
    TestTally tally() const;

signals:
    // The tests changed (an edit, a row added or removed): a run for them is due.
    void testsEdited();

private:
    void touched();

    QList<PatternTest> m_tests;
    QList<std::optional<TestResult>> m_results;
    quint64 m_revision = 0;
};

} // namespace rw

Q_DECLARE_METATYPE(rw::PatternTest)
