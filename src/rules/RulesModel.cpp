#include "RulesModel.h"

#include "core/tests/RuleTests.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace rw {

namespace {
constexpr int ColumnCount = 3;

// A red cross in a circle: a rule whose tests fail.
QIcon failedIcon() {
    static const QIcon icon = [] {
        QPixmap pixmap(16, 16);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xd0, 0x20, 0x20));
        painter.drawEllipse(QRectF(1, 1, 14, 14));
        painter.setPen(QPen(Qt::white, 2));
        painter.drawLine(QPointF(5, 5), QPointF(11, 11));
        painter.drawLine(QPointF(11, 5), QPointF(5, 11));
        return QIcon(pixmap);
    }();
    return icon;
}
} // namespace

RulesModel::RulesModel(QObject *parent) : QAbstractTableModel(parent) {}

int RulesModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_library.size());
}

int RulesModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RulesModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const Row &row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m_library.field(index.row(), RuleField(index.column()));
    case Qt::DecorationRole:
        if (index.column() == 0 && row.tally && !row.tally->allPassed())
            return failedIcon();
        return {};
    case Qt::ToolTipRole:
        if (row.tally && row.tally->total > 0)
            return QStringLiteral("测试: 通过 %1/%2").arg(row.tally->passed).arg(row.tally->total);
        return {};
    default:
        return {};
    }
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
    QList<Row> rows;
    rows.reserve(loaded.size());
    for (qsizetype i = 0; i < loaded.size(); ++i)
        rows.append(newRow());
    m_rows = rows + m_rows;
    endInsertRows();
}

int RulesModel::appendEmpty() {
    const int row = int(m_library.size());
    beginInsertRows({}, row, row);
    m_library.appendEmpty();
    m_rows.append(newRow());
    endInsertRows();
    return row;
}

bool RulesModel::removeRule(int row) {
    if (row < 0 || row >= m_library.size())
        return false;
    beginRemoveRows({}, row, row);
    m_library.remove(row);
    m_rows.removeAt(row);
    endRemoveRows();
    return true;
}

void RulesModel::setTests(int row, std::optional<TestedPattern> tests) {
    if (tests && tests->tests.isEmpty() && tests->unknown.isEmpty())
        tests.reset();
    m_rows[row].tests = std::move(tests);
    m_rows[row].tally.reset();
    rowChanged(row);
}

void RulesModel::attachTests(const TestsFile &file) {
    const RuleTestsPairing pairing = pairRulesWithTests(m_library.rules(), file.patterns);
    for (int row = 0; row < pairing.entryOfRule.size(); ++row) {
        if (pairing.entryOfRule[row] >= 0) {
            m_rows[row].tests = file.patterns[pairing.entryOfRule[row]];
            m_rows[row].tally.reset();
        }
    }
    m_kept = {};
    m_kept.unknown = file.unknown;
    for (int entry : pairing.unclaimed)
        m_kept.patterns.append(file.patterns[entry]);
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(int(m_rows.size()) - 1, ColumnCount - 1));
}

TestsFile RulesModel::testsFile() const {
    TestsFile file;
    file.unknown = m_kept.unknown;
    for (int row = 0; row < m_rows.size(); ++row) {
        if (!m_rows[row].tests)
            continue;
        TestedPattern entry = *m_rows[row].tests;
        entry.name = m_library.field(row, RuleField::Name);
        entry.pattern = m_library.field(row, RuleField::Expression);
        file.patterns.append(std::move(entry));
    }
    file.patterns.append(m_kept.patterns);
    return file;
}

int RulesModel::rowOf(quint64 id) const {
    for (int row = 0; row < m_rows.size(); ++row)
        if (m_rows[row].id == id)
            return row;
    return -1;
}

void RulesModel::setTally(int row, const std::optional<TestTally> &tally) {
    m_rows[row].tally = tally;
    rowChanged(row);
}

void RulesModel::rowChanged(int row) {
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1), {Qt::DecorationRole, Qt::ToolTipRole});
}

} // namespace rw
