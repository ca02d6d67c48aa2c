#include "ResultsViewAccessible.h"

#include "ResultsView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>

namespace rw {

namespace {

// One cell of the list, or a column caption when its row is -1.
class AccessibleCell final : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    AccessibleCell(ResultsView *view, int row, int column)
        : m_view(view), m_row(row), m_column(column),
          m_index(row < 0 ? QModelIndex() : view->model()->index(row, column, view->rootIndex())) {}

    bool isValid() const override {
        if (!m_view || !m_view->model())
            return false;
        if (m_row < 0)
            return m_column < m_view->model()->columnCount(m_view->rootIndex());
        return m_index.isValid() && m_index.row() == m_row && m_index.column() == m_column;
    }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return table() ? table()->window() : nullptr; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override { return table(); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    QString text(QAccessible::Text t) const override {
        if (!isValid())
            return {};
        if (m_row < 0)
            return t == QAccessible::Name ? m_view->model()->headerData(m_column, Qt::Horizontal).toString()
                                          : QString();
        if (t == QAccessible::Name)
            return m_index.data(Qt::DisplayRole).toString();
        if (t == QAccessible::Description)
            return m_index.data(Qt::ToolTipRole).toString();
        return {};
    }
    void setText(QAccessible::Text, const QString &) override {}

    QRect rect() const override {
        if (!isValid())
            return {};
        if (m_row < 0) {
            const QHeaderView *header = m_view->horizontalHeader();
            const QRect section(header->sectionViewportPosition(m_column), 0, header->sectionSize(m_column),
                                header->height());
            return QRect(header->viewport()->mapToGlobal(section.topLeft()), section.size());
        }
        const QRect cell = m_view->visualRect(m_index);
        return QRect(m_view->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    }
    QAccessible::Role role() const override {
        return m_row < 0 ? QAccessible::ColumnHeader : QAccessible::Cell;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid())
            return s;
        const QRect shown = m_view->viewport()->rect();
        if (m_row >= 0) {
            if (!shown.intersects(m_view->visualRect(m_index))) {
                s.invisible = true;
                s.offscreen = true;
            }
            s.selectable = true;
            s.multiSelectable = m_view->selectionMode() == QAbstractItemView::ExtendedSelection ||
                                m_view->selectionMode() == QAbstractItemView::MultiSelection;
            s.extSelectable = m_view->selectionMode() == QAbstractItemView::ExtendedSelection;
            s.selected = isSelected();
            s.focusable = true;
            s.focused = m_view->hasFocus() && m_view->currentIndex() == m_index;
        }
        return s;
    }
    void *interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface *>(this)
                                                       : nullptr;
    }

    bool isSelected() const override {
        return m_row >= 0 && isValid() && m_view->selectionModel() &&
               m_view->selectionModel()->isSelected(m_index);
    }
    QList<QAccessibleInterface *> columnHeaderCells() const override {
        QAccessibleInterface *t = table();
        if (m_row < 0 || !t)
            return {};
        return {t->tableInterface()->cellAt(-1, m_column)};
    }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return QAccessible::queryAccessibleInterface(m_view); }

private:
    QPointer<ResultsView> m_view;
    int m_row;
    int m_column;
    QPersistentModelIndex m_index;
};

// The list as a whole. Cells are made when asked for and kept by number until they no longer match.
class AccessibleTable final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit AccessibleTable(ResultsView *view) : QAccessibleWidget(view, QAccessible::Table) {}
    ~AccessibleTable() override { dropCells(); }

    void *interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    int childCount() const override {
        return int(
            std::min<qint64>((qint64(rowCount()) + 1) * columnCount(), std::numeric_limits<int>::max()));
    }
    QAccessibleInterface *child(int number) const override {
        const int columns = columnCount();
        if (number < 0 || columns == 0 || number >= childCount())
            return nullptr;
        return cell(number / columns - 1, number % columns);
    }
    int indexOfChild(const QAccessibleInterface *child) const override {
        QAccessibleTableCellInterface *c =
            child ? const_cast<QAccessibleInterface *>(child)->tableCellInterface() : nullptr;
        if (!c || child->parent() != this)
            return -1;
        return accessibleCellNumber(c->rowIndex(), c->columnIndex(), columnCount());
    }
    QAccessibleInterface *childAt(int x, int y) const override {
        // Rows scrolled out of view lie under the header too: only the viewport's own area finds a cell.
        const QPoint inView = view()->viewport()->mapFromGlobal(QPoint(x, y));
        const QModelIndex index =
            view()->viewport()->rect().contains(inView) ? view()->indexAt(inView) : QModelIndex();
        if (index.isValid())
            return cell(index.row(), index.column());
        const QHeaderView *header = view()->horizontalHeader();
        const QPoint inHeader = header->viewport()->mapFromGlobal(QPoint(x, y));
        if (header->viewport()->rect().contains(inHeader)) {
            const int column = header->logicalIndexAt(inHeader.x());
            if (column >= 0)
                return cell(-1, column);
        }
        return nullptr;
    }
    QAccessibleInterface *focusChild() const override {
        const QModelIndex current = view()->currentIndex();
        return current.isValid() ? cell(current.row(), current.column()) : nullptr;
    }

    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QAccessibleInterface *cellAt(int row, int column) const override {
        if (row < -1 || row >= rowCount() || column < 0 || column >= columnCount())
            return nullptr;
        return cell(row, column);
    }
    int selectedCellCount() const override {
        qint64 cells = 0;
        for (const QItemSelectionRange &range : selection())
            cells += qint64(range.height()) * range.width();
        return int(std::min<qint64>(cells, std::numeric_limits<int>::max()));
    }
    QList<QAccessibleInterface *> selectedCells() const override {
        QList<QAccessibleInterface *> cells;
        for (const QItemSelectionRange &range : selection())
            for (int row = range.top(); row <= range.bottom(); ++row)
                for (int column = range.left(); column <= range.right(); ++column)
                    cells.push_back(cell(row, column));
        return cells;
    }
    QString columnDescription(int column) const override {
        return model() ? model()->headerData(column, Qt::Horizontal).toString() : QString();
    }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return int(selectedColumns().size()); }
    int selectedRowCount() const override {
        qint64 rows = 0;
        for (const QItemSelectionRange &range : selection())
            if (range.left() == 0 && range.right() == columnCount() - 1)
                rows += range.height();
        return int(rows);
    }
    int columnCount() const override { return model() ? model()->columnCount(view()->rootIndex()) : 0; }
    int rowCount() const override { return model() ? model()->rowCount(view()->rootIndex()) : 0; }
    QList<int> selectedColumns() const override {
        QList<int> columns;
        const int rows = rowCount();
        for (int column = 0; rows > 0 && column < columnCount(); ++column)
            if (isColumnSelected(column))
                columns.push_back(column);
        return columns;
    }
    QList<int> selectedRows() const override {
        QList<int> rows;
        for (const QItemSelectionRange &range : selection())
            if (range.left() == 0 && range.right() == columnCount() - 1)
                for (int row = range.top(); row <= range.bottom(); ++row)
                    rows.push_back(row);
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    bool isColumnSelected(int column) const override {
        const QItemSelectionModel *s = view()->selectionModel();
        return s && s->isColumnSelected(column, view()->rootIndex());
    }
    bool isRowSelected(int row) const override {
        const QItemSelectionModel *s = view()->selectionModel();
        return s && s->isRowSelected(row, view()->rootIndex());
    }
    bool selectRow(int row) override { return selectRowAs(row, QItemSelectionModel::Select); }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override { return selectRowAs(row, QItemSelectionModel::Deselect); }
    bool unselectColumn(int) override { return false; }
    // Other changes leave most cells where they were; cell() replaces those that moved when asked for them.
    void modelChange(QAccessibleTableModelChangeEvent *event) override {
        if (event->modelChangeType() == QAccessibleTableModelChangeEvent::ModelReset)
            dropCells();
    }

private:
    ResultsView *view() const { return static_cast<ResultsView *>(object()); }
    QAbstractItemModel *model() const { return view()->model(); }
    QItemSelection selection() const {
        const QItemSelectionModel *s = view()->selectionModel();
        return s ? s->selection() : QItemSelection();
    }

    bool selectRowAs(int row, QItemSelectionModel::SelectionFlag how) {
        QItemSelectionModel *s = view()->selectionModel();
        if (!s || row < 0 || row >= rowCount() || view()->selectionMode() == QAbstractItemView::NoSelection)
            return false;
        const QModelIndex first = model()->index(row, 0, view()->rootIndex());
        if (how == QItemSelectionModel::Select &&
            view()->selectionMode() == QAbstractItemView::SingleSelection)
            s->select(first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        else
            s->select(first, how | QItemSelectionModel::Rows);
        return true;
    }

    QAccessibleInterface *cell(int row, int column) const {
        const int number = accessibleCellNumber(row, column, columnCount());
        if (const auto it = m_cells.constFind(number); it != m_cells.constEnd()) {
            // New columns renumber the cells; new rows move the ones below them: a kept cell serves only
            // while it is still the cell at that place.
            QAccessibleInterface *kept = QAccessible::accessibleInterface(*it);
            if (kept && kept->isValid() && kept->tableCellInterface()->rowIndex() == row &&
                kept->tableCellInterface()->columnIndex() == column)
                return kept;
            QAccessible::deleteAccessibleInterface(*it);
            m_cells.remove(number);
        }
        auto *made = new AccessibleCell(view(), row, column);
        m_cells.insert(number, QAccessible::registerAccessibleInterface(made));
        return made;
    }

    void dropCells() {
        for (const QAccessible::Id id : std::as_const(m_cells))
            QAccessible::deleteAccessibleInterface(id);
        m_cells.clear();
    }

    mutable QHash<int, QAccessible::Id> m_cells;
};

QAccessibleInterface *accessibleFactory(const QString &key, QObject *object) {
    if (key == QLatin1String(ResultsView::staticMetaObject.className()) && object && object->isWidgetType())
        return new AccessibleTable(static_cast<ResultsView *>(object));
    return nullptr;
}

} // namespace

int accessibleCellNumber(int row, int column, int columns) {
    return (row + 1) * columns + column;
}

void serveResultsViewAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace rw
