#pragma once

#include "core/results/MatchTable.h"

#include <QAbstractTableModel>

namespace rw {

// The results list: one row per match over compact offsets; cell texts are made in data().
class ResultsModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ResultsModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Empties the list down to its two design columns, ready for matches over subject; with lines (a
    // search of each line alone), a last column 行号 gives each match's line.
    void reset(const QString &subject, std::shared_ptr<const LineStarts> lines = nullptr);
    // Appends batches of rows in one insertion; the first rows bring the submatch columns.
    void appendBatches(std::vector<MatchSet> batches);
    void appendBatches(std::vector<std::shared_ptr<const MatchSet>> batches);
    // The rows and cells as they are now (shared with the model's text; cheap to copy).
    const MatchTable &table() const { return m_table; }

private:
    MatchTable m_table;
};

} // namespace rw
