#include "TestsModel.h"

#include <QBrush>
#include <QColor>

#include <algorithm>

namespace rw {

namespace {

// A sample as one row shows it: its line breaks visible.
QString shownSample(const QString &sample) {
    QString shown = sample;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("⏎"));
    for (QChar &c : shown)
        if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'⏎';
    return shown;
}

} // namespace

TestsModel::TestsModel(QObject *parent) : QAbstractTableModel(parent) {}

int TestsModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_tests.size());
}

int TestsModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TestsModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const PatternTest &test = m_tests[index.row()];
    const std::optional<TestResult> &result = m_results[index.row()];
    if (role == TestRole)
        return QVariant::fromValue(test);
    if (role == Qt::ForegroundRole && result && !result->passed())
        return QBrush(QColor(0xc0, 0x00, 0x00));
    switch (index.column()) {
    case SampleColumn:
        if (role == Qt::DisplayRole)
            return shownSample(test.sample);
        if (role == Qt::EditRole || role == Qt::ToolTipRole)
            return test.sample;
        break;
    case ExpectColumn:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return expectationText(test);
        break;
    case ResultColumn:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return result ? result->text : QString();
        break;
    default:
        break;
    }
    return {};
}

QVariant TestsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    static const QString captions[ColumnCount] = {QStringLiteral("样例"), QStringLiteral("期望"),
                                                  QStringLiteral("结果")};
    return captions[section];
}

Qt::ItemFlags TestsModel::flags(const QModelIndex &index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() != ResultColumn)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool TestsModel::setData(const QModelIndex &index, const QVariant &value, int role) {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || role != Qt::EditRole)
        return false;
    PatternTest &test = m_tests[index.row()];
    PatternTest edited = test;
    if (index.column() == SampleColumn) {
        edited.sample = value.toString();
    } else if (index.column() == ExpectColumn && value.canConvert<PatternTest>()) {
        const PatternTest given = value.value<PatternTest>();
        edited.expect = given.expect;
        edited.values = given.values;
        edited.group = given.group;
        edited.value = given.value;
        edited.replacement = given.replacement;
    } else {
        return false;
    }
    if (edited == test)
        return true;
    test = std::move(edited);
    m_results[index.row()].reset();
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
    touched();
    return true;
}

void TestsModel::setTests(const QList<PatternTest> &tests) {
    beginResetModel();
    m_tests = tests;
    m_results = QList<std::optional<TestResult>>(tests.size());
    endResetModel();
    touched();
}

int TestsModel::append(const QList<PatternTest> &tests) {
    const int first = int(m_tests.size());
    if (tests.isEmpty())
        return first;
    beginInsertRows({}, first, first + int(tests.size()) - 1);
    m_tests.append(tests);
    m_results.resize(m_tests.size());
    endInsertRows();
    touched();
    return first;
}

void TestsModel::remove(QList<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    bool removed = false;
    for (int row : rows) {
        if (row < 0 || row >= m_tests.size())
            continue;
        beginRemoveRows({}, row, row);
        m_tests.removeAt(row);
        m_results.removeAt(row);
        endRemoveRows();
        removed = true;
    }
    if (removed)
        touched();
}

void TestsModel::setResults(const QList<TestResult> &results) {
    const qsizetype n = std::min(results.size(), m_results.size());
    for (qsizetype i = 0; i < n; ++i)
        m_results[i] = results[i];
    if (n > 0)
        emit dataChanged(index(0, 0), index(int(n) - 1, ColumnCount - 1));
}

TestTally TestsModel::tally() const {
    TestTally counts;
    counts.total = int(m_tests.size());
    for (const std::optional<TestResult> &result : m_results)
        counts.passed += result && result->passed() ? 1 : 0;
    return counts;
}

void TestsModel::touched() {
    ++m_revision;
    emit testsEdited();
}

} // namespace rw
