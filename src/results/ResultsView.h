#pragma once

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QPersistentModelIndex>

class QHeaderView;

namespace rw {

// The results list: a table of rows that are all one height, with a header for the columns only. It looks
// and answers mouse and keys as a QTableView with whole-row selection does, but keeps nothing per row, so
// ten million rows cost it no memory and their arrival no time on the UI thread (a table's vertical header
// keeps and grows an entry per row even when hidden).
class ResultsView final : public QAbstractItemView {
    Q_OBJECT
public:
    explicit ResultsView(QWidget *parent = nullptr);
    ~ResultsView() override;

    void setModel(QAbstractItemModel *model) override;
    void setSelectionModel(QItemSelectionModel *selectionModel) override;

    // The column header: texts, widths, resizing by the user.
    QHeaderView *horizontalHeader() const { return m_header; }

    // Every row's height, in pixels; at least 1.
    int rowHeight() const { return m_rowHeight; }
    void setRowHeight(int height);
    int columnWidth(int column) const;
    void setColumnWidth(int column, int width);

    // The row or column at a viewport coordinate, or -1 when there is none.
    int rowAt(int y) const;
    int columnAt(int x) const;
    // Where a row or column starts in the viewport (negative above or left of it).
    int rowViewportPosition(int row) const;
    int columnViewportPosition(int column) const;

    // Lines between the cells, as a table draws them (on by default).
    bool showGrid() const { return m_showGrid; }
    void setShowGrid(bool show);

    QModelIndex indexAt(const QPoint &point) const override;
    QRect visualRect(const QModelIndex &index) const override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;
    int sizeHintForColumn(int column) const override;
    // Typing goes to the next row whose cell in the current column begins with what was typed, as in any
    // item view; over a list longer than keyboardSearchRows it looks that many rows ahead at most (with
    // wrapping), so that a text found nowhere does not hold the window up while every row is read.
    void keyboardSearch(const QString &search) override;
    static constexpr int keyboardSearchRows = 100'000;

public slots:
    // Widens or narrows column to what its cells in and around the view show, and at least its caption.
    void resizeColumnToContents(int column);
    void reset() override;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    int horizontalOffset() const override;
    int verticalOffset() const override;
    bool isIndexHidden(const QModelIndex &index) const override;
    void setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) override;
    QRegion visualRegionForSelection(const QItemSelection &selection) const override;
    void initViewItemOption(QStyleOptionViewItem *option) const override;

    void updateGeometries() override;
    void scrollContentsBy(int dx, int dy) override;
    QSize viewportSizeHint() const override;
    void paintEvent(QPaintEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void rowsInserted(const QModelIndex &parent, int start, int end) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;

private:
    int rowCount() const;
    // Positions in the whole content, which may pass the range of int long before the rows do.
    qint64 contentHeight() const;
    qint64 rowTop(int row) const { return qint64(row) * m_rowHeight; }
    int rowAtContent(qint64 y) const;
    // Where the vertical scroll bar puts the top of the view in the content.
    qint64 offsetFromScrollBar() const;
    void drawCell(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const;
    void columnCountChanged();
    // The column whose right edge a press at x in the header grabs, or -1.
    int dividerAt(int x) const;
    // The number that screen readers know the cell at index by.
    int accessibleChild(const QModelIndex &index) const;

    QHeaderView *m_header;
    int m_rowHeight;
    bool m_showGrid = true;
    bool m_inGeometries = false;
    bool m_draggingDivider = false;
    int m_columnResizeTimer = 0;
    qint64 m_verticalOffset = 0;
    QMetaObject::Connection m_rowsRemoved;
    QPersistentModelIndex m_hover;
    // What has been typed for a search over a long list, and when.
    QString m_keyboardInput;
    QElapsedTimer m_keyboardInputTime;
};

} // namespace rw
