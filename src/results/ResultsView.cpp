#include "ResultsView.h"

#include "ResultsViewAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QBitArray>
#include <QHeaderView>
#include <QHoverEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>
#include <limits>
#include <vector>

namespace rw {

namespace {

int clampToInt(qint64 value) {
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

ResultsView::ResultsView(QWidget *parent)
    : QAbstractItemView(parent), m_header(new QHeaderView(Qt::Horizontal, this)),
      // Rows as compact as a report-style list's.
      m_rowHeight(fontMetrics().height() + 6) {
    // The header as a table view sets it up; clicking a caption selects nothing when whole rows are picked.
    m_header->setSectionsClickable(true);
    m_header->setHighlightSections(true);
    connect(m_header, &QHeaderView::sectionResized, this, [this] {
        // A drag resizes a column many times between two paints: the scroll range follows once per turn.
        if (m_columnResizeTimer == 0)
            m_columnResizeTimer = startTimer(0);
    });
    m_header->viewport()->installEventFilter(this);
    connect(m_header, &QHeaderView::sectionCountChanged, this, &ResultsView::columnCountChanged);
    connect(m_header, &QHeaderView::sectionHandleDoubleClicked, this, &ResultsView::resizeColumnToContents);
    connect(m_header, &QHeaderView::geometriesChanged, this, &ResultsView::updateGeometries);
    // Tab moves from cell to cell, as in a table.
    setTabKeyNavigation(true);
    serveResultsViewAccessibility();
}

ResultsView::~ResultsView() {
    // The header outlives this part of the list (QWidget deletes its children later) and may still signal
    // while it goes: nothing of it may reach a list that is half gone.
    disconnect(m_header, nullptr, this, nullptr);
    m_header->viewport()->removeEventFilter(this);
    disconnect(m_rowsRemoved);
}

void ResultsView::setModel(QAbstractItemModel *model) {
    if (model == this->model())
        return;
    disconnect(m_rowsRemoved);
    m_header->setModel(model);
    QAbstractItemView::setModel(model);
    if (model)
        m_rowsRemoved =
            connect(model, &QAbstractItemModel::rowsRemoved, this, [this] { scheduleDelayedItemsLayout(); });
}

void ResultsView::setSelectionModel(QItemSelectionModel *selectionModel) {
    m_header->setSelectionModel(selectionModel);
    QAbstractItemView::setSelectionModel(selectionModel);
}

void ResultsView::setRowHeight(int height) {
    height = std::max(1, height);
    if (height == m_rowHeight)
        return;
    m_rowHeight = height;
    updateGeometries();
    viewport()->update();
}

int ResultsView::columnWidth(int column) const {
    return m_header->sectionSize(column);
}

void ResultsView::setColumnWidth(int column, int width) {
    m_header->resizeSection(column, width);
}

int ResultsView::rowAt(int y) const {
    return rowAtContent(m_verticalOffset + y);
}

int ResultsView::columnAt(int x) const {
    return m_header->logicalIndexAt(x);
}

int ResultsView::rowViewportPosition(int row) const {
    return clampToInt(rowTop(row) - m_verticalOffset);
}

int ResultsView::columnViewportPosition(int column) const {
    return m_header->sectionViewportPosition(column);
}

void ResultsView::setShowGrid(bool show) {
    if (m_showGrid == show)
        return;
    m_showGrid = show;
    viewport()->update();
}

int ResultsView::rowCount() const {
    const QAbstractItemModel *m = model();
    return m ? m->rowCount(rootIndex()) : 0;
}

qint64 ResultsView::contentHeight() const {
    return qint64(rowCount()) * m_rowHeight;
}

int ResultsView::rowAtContent(qint64 y) const {
    if (y < 0)
        return -1;
    const qint64 row = y / m_rowHeight;
    return row < rowCount() ? int(row) : -1;
}

qint64 ResultsView::offsetFromScrollBar() const {
    const QScrollBar *bar = verticalScrollBar();
    if (verticalScrollMode() == ScrollPerPixel)
        return bar->value();
    // At the end of the range the last row sits on the bottom edge, as a table's header puts it.
    if (bar->maximum() > 0 && bar->value() == bar->maximum())
        return std::max<qint64>(0, contentHeight() - viewport()->height());
    return rowTop(bar->value());
}

QModelIndex ResultsView::indexAt(const QPoint &point) const {
    const int row = rowAt(point.y());
    const int column = columnAt(point.x());
    if (row < 0 || column < 0)
        return {};
    return model()->index(row, column, rootIndex());
}

QRect ResultsView::visualRect(const QModelIndex &index) const {
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex() || isIndexHidden(index))
        return {};
    const int grid = m_showGrid ? 1 : 0;
    return QRect(columnViewportPosition(index.column()), rowViewportPosition(index.row()),
                 columnWidth(index.column()) - grid, m_rowHeight - grid);
}

void ResultsView::scrollTo(const QModelIndex &index, ScrollHint hint) {
    if (!index.isValid() || index.model() != model() || index.parent() != rootIndex() || isIndexHidden(index))
        return;

    const int viewportWidth = viewport()->width();
    const int horizontalPosition = m_header->sectionPosition(index.column());
    const int cellWidth = m_header->sectionSize(index.column());
    const int horizontalOffset = m_header->offset();
    if (horizontalScrollMode() == ScrollPerItem) {
        int visual = m_header->visualIndex(index.column());
        const bool atLeft = horizontalPosition - horizontalOffset < 0;
        const bool atRight = horizontalPosition - horizontalOffset + cellWidth > viewportWidth;
        if (hint == PositionAtCenter || atRight) {
            const int room = hint == PositionAtCenter ? viewportWidth / 2 : viewportWidth;
            int x = cellWidth;
            while (visual > 0) {
                x += m_header->sectionSize(m_header->logicalIndex(visual - 1));
                if (x > room)
                    break;
                --visual;
            }
        }
        if (atRight || atLeft || hint == PositionAtCenter) {
            int hidden = 0;
            for (int s = visual - 1; s >= 0 && m_header->sectionsHidden(); --s)
                hidden += m_header->isSectionHidden(m_header->logicalIndex(s)) ? 1 : 0;
            horizontalScrollBar()->setValue(visual - hidden);
        }
    } else if (hint == PositionAtCenter) {
        horizontalScrollBar()->setValue(horizontalPosition - (viewportWidth - cellWidth) / 2);
    } else if (horizontalPosition - horizontalOffset < 0 || cellWidth > viewportWidth) {
        horizontalScrollBar()->setValue(horizontalPosition);
    } else if (horizontalPosition - horizontalOffset + cellWidth > viewportWidth) {
        horizontalScrollBar()->setValue(horizontalPosition - viewportWidth + cellWidth);
    }

    const int viewportHeight = viewport()->height();
    const qint64 top = rowTop(index.row());
    if (top - m_verticalOffset < 0 || m_rowHeight > viewportHeight) {
        if (hint == EnsureVisible)
            hint = PositionAtTop;
    } else if (top - m_verticalOffset + m_rowHeight > viewportHeight) {
        if (hint == EnsureVisible)
            hint = PositionAtBottom;
    }
    if (verticalScrollMode() == ScrollPerItem) {
        int row = index.row();
        if (hint == PositionAtBottom || hint == PositionAtCenter) {
            // As many rows above it as fit in the room left.
            const int room = hint == PositionAtCenter ? viewportHeight / 2 : viewportHeight;
            row = std::max(0, row - std::max(0, room - m_rowHeight) / m_rowHeight);
        }
        if (hint != EnsureVisible)
            verticalScrollBar()->setValue(row);
    } else if (hint == PositionAtTop) {
        verticalScrollBar()->setValue(clampToInt(top));
    } else if (hint == PositionAtBottom) {
        verticalScrollBar()->setValue(clampToInt(top - viewportHeight + m_rowHeight));
    } else if (hint == PositionAtCenter) {
        verticalScrollBar()->setValue(clampToInt(top - (viewportHeight - m_rowHeight) / 2));
    }
    update(index);
}

int ResultsView::sizeHintForColumn(int column) const {
    if (!model())
        return -1;
    ensurePolished();
    // The rows in view first, then alternately above and below them, up to the header's precision.
    const int precision = m_header->resizeContentsPrecision();
    const int rows = rowCount();
    const int top = std::max(0, rowAt(0));
    int bottom = rowAt(viewport()->height());
    if (!isVisible() || bottom == -1)
        bottom = rows - 1;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int hint = 0;
    int processed = 0;
    const auto measure = [&](int row) {
        const QModelIndex index = model()->index(row, column, rootIndex());
        hint = std::max(hint, itemDelegateForIndex(index)->sizeHint(option, index).width());
        ++processed;
    };
    int row = top;
    for (; row <= bottom; ++row) {
        measure(row);
        if (processed == precision)
            break;
    }
    int above = top;
    int below = row - 1;
    if (precision != 0) {
        while (processed != precision && (above > 0 || below < rows - 1)) {
            if ((processed % 2 && above > 0) || below == rows - 1)
                measure(--above);
            else
                measure(++below);
        }
    }
    return m_showGrid ? hint + 1 : hint;
}

void ResultsView::resizeColumnToContents(int column) {
    m_header->resizeSection(column, std::max(sizeHintForColumn(column), m_header->sectionSizeHint(column)));
}

void ResultsView::reset() {
    QAbstractItemView::reset();
    m_hover = QPersistentModelIndex();
    scheduleDelayedItemsLayout();
}

void ResultsView::keyboardSearch(const QString &search) {
    QAbstractItemModel *m = model();
    if (!m || m->rowCount(rootIndex()) <= keyboardSearchRows) {
        QAbstractItemView::keyboardSearch(search);
        return;
    }
    // What QAbstractItemView does, over a bounded stretch of rows: letters typed within the input
    // interval add up; a new search, or the same letter again, starts after the current row.
    const int rows = m->rowCount(rootIndex());
    const bool carriesOn = m_keyboardInputTime.isValid() && !search.isEmpty() &&
                           m_keyboardInputTime.elapsed() <= QApplication::keyboardInputInterval();
    m_keyboardInputTime.start();
    bool skipRow = false;
    if (carriesOn) {
        m_keyboardInput += search;
    } else {
        m_keyboardInput = search;
        skipRow = currentIndex().isValid();
    }
    if (m_keyboardInput.isEmpty())
        return;
    if (m_keyboardInput.size() > 1 && m_keyboardInput.count(m_keyboardInput.back()) == m_keyboardInput.size())
        skipRow = true;
    const QModelIndex current = currentIndex();
    const int column = current.isValid() ? current.column() : 0;
    int row = current.isValid() ? current.row() : 0;
    if (skipRow)
        row = row + 1 < rows ? row + 1 : 0;
    // The same letter typed again goes to the next row that begins with it.
    const QString sought = m_keyboardInput.count(m_keyboardInput.back()) == m_keyboardInput.size()
                               ? QString(m_keyboardInput.back())
                               : m_keyboardInput;
    for (int looked = 0; looked < keyboardSearchRows; ++looked, row = row + 1 < rows ? row + 1 : 0) {
        const QModelIndex index = m->index(row, column, rootIndex());
        if (index.data(Qt::DisplayRole).toString().startsWith(sought, Qt::CaseInsensitive) &&
            (m->flags(index) & Qt::ItemIsEnabled)) {
            setCurrentIndex(index);
            return;
        }
    }
}

QModelIndex ResultsView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
    // Every cell of the results is enabled: the keys go from cell to cell as in a table, over the columns
    // shown (in the order shown) and past the hidden ones.
    std::vector<int> shown; // visual indexes
    for (int visual = 0; visual < m_header->count(); ++visual)
        if (!m_header->isSectionHidden(m_header->logicalIndex(visual)))
            shown.push_back(visual);
    const int bottom = rowCount() - 1;
    if (bottom < 0 || shown.empty())
        return {};
    const auto cell = [this](int row, int visual) {
        return model()->index(row, m_header->logicalIndex(visual), rootIndex());
    };
    const QModelIndex current = currentIndex();
    if (!current.isValid())
        return cell(0, shown.front());

    int row = std::min(current.row(), bottom);
    int column = std::min(m_header->visualIndex(current.column()), shown.back());
    const auto before = std::lower_bound(shown.begin(), shown.end(), column); // first shown at or after
    const auto after = std::upper_bound(shown.begin(), shown.end(), column);  // first shown after
    if (isRightToLeft()) {
        if (cursorAction == MoveLeft)
            cursorAction = MoveRight;
        else if (cursorAction == MoveRight)
            cursorAction = MoveLeft;
    }

    switch (cursorAction) {
    case MoveUp:
        row = std::max(row - 1, 0);
        break;
    case MoveDown:
        row = std::min(row + 1, bottom);
        break;
    case MoveLeft:
        if (before != shown.begin())
            column = *(before - 1);
        break;
    case MoveRight:
        if (after != shown.end())
            column = *after;
        break;
    case MovePrevious:
        // Back past the row's first cell: the last cell of the row above, or of the last row.
        if (before != shown.begin()) {
            column = *(before - 1);
        } else {
            row = row > 0 ? row - 1 : bottom;
            column = shown.back();
        }
        break;
    case MoveNext:
        if (after != shown.end()) {
            column = *after;
        } else {
            row = row < bottom ? row + 1 : 0;
            column = shown.front();
        }
        break;
    case MoveHome:
        column = shown.front();
        if (modifiers & Qt::ControlModifier)
            row = 0;
        break;
    case MoveEnd:
        column = shown.back();
        if (modifiers & Qt::ControlModifier)
            row = bottom;
        break;
    case MovePageUp: {
        // The row a page above the current one's bottom edge; the first row past the top.
        const int grid = m_showGrid ? 1 : 0;
        const int target =
            rowAtContent(rowTop(current.row()) + m_rowHeight - grid - 1 - viewport()->height());
        return model()->index(target == -1 ? 0 : target, current.column(), rootIndex());
    }
    case MovePageDown: {
        const int target = rowAtContent(rowTop(current.row()) + viewport()->height());
        return model()->index(target == -1 ? bottom : target, current.column(), rootIndex());
    }
    }
    // Up or Down in a hidden column (current by a program's choice) goes nowhere.
    if (m_header->isSectionHidden(m_header->logicalIndex(column)))
        return {};
    return cell(row, column);
}

int ResultsView::horizontalOffset() const {
    return m_header->offset();
}

int ResultsView::verticalOffset() const {
    return clampToInt(m_verticalOffset);
}

bool ResultsView::isIndexHidden(const QModelIndex &index) const {
    return m_header->isSectionHidden(index.column());
}

void ResultsView::setSelection(const QRect &rect, QItemSelectionModel::SelectionFlags command) {
    const bool rtl = isRightToLeft();
    const int left = std::min(rect.left(), rect.right());
    const int right = std::max(rect.left(), rect.right());
    const QModelIndex topLeft = indexAt(QPoint(rtl ? right : left, std::min(rect.top(), rect.bottom())));
    const QModelIndex bottomRight = indexAt(QPoint(rtl ? left : right, std::max(rect.top(), rect.bottom())));
    if (!selectionModel() || !topLeft.isValid() || !bottomRight.isValid() ||
        !(model()->flags(topLeft) & Qt::ItemIsEnabled) || !(model()->flags(bottomRight) & Qt::ItemIsEnabled))
        return;
    QItemSelection selection;
    const QItemSelectionRange range(topLeft, bottomRight);
    if (!range.isEmpty())
        selection.append(range);
    selectionModel()->select(selection, command);
}

QRegion ResultsView::visualRegionForSelection(const QItemSelection &selection) const {
    QRegion region;
    const QRect area = viewport()->rect();
    const int grid = m_showGrid ? 1 : 0;
    // A range may span millions of rows: its edges are kept just outside the viewport.
    const auto edge = [&](qint64 y) {
        return int(std::clamp<qint64>(y - m_verticalOffset, -2, qint64(area.height()) + 2));
    };
    for (const QItemSelectionRange &range : selection) {
        if (range.parent() != rootIndex() || !range.isValid())
            continue;
        const int top = edge(rowTop(range.top()));
        const int bottom = edge(rowTop(range.bottom()) + m_rowHeight);
        const int first = isLeftToRight() ? range.left() : range.right();
        const int last = isLeftToRight() ? range.right() : range.left();
        const int left = columnViewportPosition(first);
        const int right = columnViewportPosition(last) + columnWidth(last);
        const QRect rect(QPoint(left, top), QPoint(right - 1 - grid, bottom - 1 - grid));
        if (area.intersects(rect))
            region += rect;
    }
    return region;
}

void ResultsView::initViewItemOption(QStyleOptionViewItem *option) const {
    QAbstractItemView::initViewItemOption(option);
    option->showDecorationSelected = true;
}

void ResultsView::updateGeometries() {
    if (m_inGeometries)
        return;
    m_inGeometries = true;

    int height = 0;
    if (!m_header->isHidden())
        height = std::min(std::max(m_header->minimumHeight(), m_header->sizeHint().height()),
                          m_header->maximumHeight());
    setViewportMargins(0, height, 0, 0);
    const QRect vg = viewport()->geometry();
    m_header->setGeometry(vg.left(), vg.top() - height, vg.width(), height);
    if (m_header->isHidden())
        QMetaObject::invokeMethod(m_header, "updateGeometries");

    QSize size = viewport()->size();
    const QSize max = maximumViewportSize();
    const int horizontalLength = m_header->length();
    const qint64 verticalLength = contentHeight();
    if (max.width() >= horizontalLength && max.height() >= verticalLength)
        size = max;

    const int columns = m_header->count();
    int columnsInViewport = 0;
    for (int width = 0, visual = columns - 1; visual >= 0; --visual) {
        const int column = m_header->logicalIndex(visual);
        if (m_header->isSectionHidden(column))
            continue;
        width += m_header->sectionSize(column);
        if (width > size.width())
            break;
        ++columnsInViewport;
    }
    columnsInViewport = std::max(columnsInViewport, 1);
    if (horizontalScrollMode() == ScrollPerItem) {
        const int shown = columns - m_header->hiddenSectionCount();
        horizontalScrollBar()->setRange(0, shown - columnsInViewport);
        horizontalScrollBar()->setPageStep(columnsInViewport);
        if (columnsInViewport >= shown)
            m_header->setOffset(0);
        horizontalScrollBar()->setSingleStep(1);
    } else {
        horizontalScrollBar()->setPageStep(size.width());
        horizontalScrollBar()->setRange(0, horizontalLength - size.width());
        horizontalScrollBar()->setSingleStep(std::max(size.width() / (columnsInViewport + 1), 2));
    }

    const int rows = rowCount();
    const int rowsInViewport = std::max(1, int(std::min<qint64>(rows, size.height() / m_rowHeight)));
    if (verticalScrollMode() == ScrollPerItem) {
        verticalScrollBar()->setRange(0, rows - rowsInViewport);
        verticalScrollBar()->setPageStep(rowsInViewport);
        verticalScrollBar()->setSingleStep(1);
    } else {
        verticalScrollBar()->setPageStep(size.height());
        verticalScrollBar()->setRange(0, clampToInt(verticalLength - size.height()));
        verticalScrollBar()->setSingleStep(std::max(size.height() / (rowsInViewport + 1), 2));
    }
    // The range may have moved the rows under the view without a scroll.
    const qint64 offset = offsetFromScrollBar();
    if (offset != m_verticalOffset) {
        m_verticalOffset = offset;
        viewport()->update();
    }

    m_inGeometries = false;
    QAbstractItemView::updateGeometries();
}

void ResultsView::scrollContentsBy(int dx, int dy) {
    if (isRightToLeft())
        dx = -dx;
    if (dx) {
        const int before = m_header->offset();
        const QScrollBar *bar = horizontalScrollBar();
        if (horizontalScrollMode() == ScrollPerPixel)
            m_header->setOffset(bar->value());
        else if (bar->maximum() > 0 && bar->value() == bar->maximum())
            m_header->setOffsetToLastSection();
        else
            m_header->setOffsetToSectionPosition(bar->value());
        if (horizontalScrollMode() == ScrollPerItem) {
            const int after = m_header->offset();
            dx = isRightToLeft() ? after - before : before - after;
        }
    }
    if (dy) {
        const qint64 before = m_verticalOffset;
        m_verticalOffset = offsetFromScrollBar();
        dy = clampToInt(before - m_verticalOffset);
    }
    QAbstractItemView::scrollContentsBy(dx, dy);
}

QSize ResultsView::viewportSizeHint() const {
    return QSize(m_header->length(),
                 (m_header->isHidden() ? 0 : m_header->height()) + clampToInt(contentHeight()));
}

void ResultsView::drawCell(QPainter *painter, const QStyleOptionViewItem &option,
                           const QModelIndex &index) const {
    QStyleOptionViewItem opt = option;
    if (selectionModel() && selectionModel()->isSelected(index))
        opt.state |= QStyle::State_Selected;
    if (index == m_hover)
        opt.state |= QStyle::State_MouseOver;
    if (option.state & QStyle::State_Enabled) {
        const bool enabled = model()->flags(index) & Qt::ItemIsEnabled;
        if (!enabled)
            opt.state &= ~QStyle::State_Enabled;
        opt.palette.setCurrentColorGroup(enabled ? QPalette::Normal : QPalette::Disabled);
    }
    if (index == currentIndex() && (hasFocus() || viewport()->hasFocus()))
        opt.state |= QStyle::State_HasFocus;
    style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &opt, painter, this);
    itemDelegateForIndex(index)->paint(painter, opt, index);
}

void ResultsView::paintEvent(QPaintEvent *event) {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int grid = m_showGrid ? 1 : 0;
    const QColor gridColor = QColor::fromRgba(
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this)));
    const QPen gridPen(gridColor, 1, Qt::SolidLine);
    const bool alternate = alternatingRowColors();
    const bool rtl = isRightToLeft();

    QPainter painter(viewport());
    const int rows = rowCount();
    const int columns = m_header->count();
    if (rows == 0 || columns == 0)
        return;

    const int lastX = m_header->length() - m_header->offset() - (rtl ? 0 : 1);
    const qint64 lastY = contentHeight() - m_verticalOffset - 1;

    // A cell is drawn once even where the parts of the region overlap it.
    const int firstRow = std::max(rowAt(0), 0);
    int lastRow = rowAt(viewport()->height());
    if (lastRow == -1)
        lastRow = rows - 1;
    int firstColumn = m_header->visualIndexAt(0);
    int lastColumn = m_header->visualIndexAt(m_header->width());
    if (rtl)
        std::swap(firstColumn, lastColumn);
    if (firstColumn == -1)
        firstColumn = 0;
    if (lastColumn == -1)
        lastColumn = columns - 1;
    const int columnsDrawn = lastColumn - firstColumn + 1;
    QBitArray drawn(std::max(0, (lastRow - firstRow + 1) * columnsDrawn));

    for (QRect dirty : event->region()) {
        dirty.setBottom(int(std::min<qint64>(dirty.bottom(), lastY)));
        if (rtl)
            dirty.setLeft(std::max(dirty.left(), viewport()->width() - lastX));
        else
            dirty.setRight(std::min(dirty.right(), lastX));
        if (!dirty.isValid())
            continue;

        int left = m_header->visualIndexAt(dirty.left());
        int right = m_header->visualIndexAt(dirty.right());
        if (rtl)
            std::swap(left, right);
        if (left == -1)
            left = 0;
        if (right == -1)
            right = columns - 1;
        int bottom = rowAt(dirty.bottom());
        if (bottom == -1)
            bottom = rows - 1;
        const int top = rowAt(dirty.top());
        if (top == -1 || top > bottom)
            continue;

        bool alternateBase = (top & 1) && alternate;
        for (int row = top; row <= bottom; ++row) {
            const int rowY = rowViewportPosition(row);
            for (int visual = left; visual <= right; ++visual) {
                const int bit = (row - firstRow) * columnsDrawn + visual - firstColumn;
                if (bit < 0 || bit >= drawn.size() || drawn.testBit(bit))
                    continue;
                drawn.setBit(bit);
                const int column = m_header->logicalIndex(visual);
                if (m_header->isSectionHidden(column))
                    continue;
                const QModelIndex index = model()->index(row, column, rootIndex());
                if (!index.isValid())
                    continue;
                option.rect = QRect(columnViewportPosition(column) + (m_showGrid && rtl ? 1 : 0), rowY,
                                    columnWidth(column) - grid, m_rowHeight - grid);
                if (alternate)
                    option.features.setFlag(QStyleOptionViewItem::Alternate, alternateBase);
                drawCell(&painter, option, index);
            }
            alternateBase = !alternateBase && alternate;
        }

        if (!m_showGrid)
            continue;
        const QPen old = painter.pen();
        painter.setPen(gridPen);
        for (int row = top; row <= bottom; ++row) {
            const int y = rowViewportPosition(row) + m_rowHeight - grid;
            painter.drawLine(QLineF(dirty.left(), y, dirty.right(), y).translated(0.5, 0.5));
        }
        for (int visual = left; visual <= right; ++visual) {
            const int column = m_header->logicalIndex(visual);
            if (m_header->isSectionHidden(column))
                continue;
            int x = columnViewportPosition(column);
            if (!rtl)
                x += columnWidth(column) - grid;
            painter.drawLine(QLineF(x, dirty.top(), x, dirty.bottom()).translated(0.5, 0.5));
        }
        // The list has no row header, so the grid's left edge is drawn as a table without one draws it.
        if (style()->styleHint(QStyle::SH_Table_AlwaysDrawLeftTopGridLines, &option, this)) {
            const int column = m_header->logicalIndex(left);
            if (!m_header->isSectionHidden(column)) {
                int x = columnViewportPosition(column);
                if (rtl)
                    x += columnWidth(left) - 1;
                if ((!rtl && x == dirty.left()) || (rtl && x == dirty.right()))
                    painter.drawLine(x, dirty.top(), x, dirty.bottom());
            }
        }
        painter.setPen(old);
    }
}

bool ResultsView::viewportEvent(QEvent *event) {
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        m_hover = indexAt(static_cast<QHoverEvent *>(event)->position().toPoint());
        break;
    case QEvent::HoverLeave:
        m_hover = QPersistentModelIndex();
        break;
    default:
        break;
    }
    return QAbstractItemView::viewportEvent(event);
}

void ResultsView::timerEvent(QTimerEvent *event) {
    if (event->timerId() == m_columnResizeTimer) {
        // While the user drags a divider the scroll range stays as it was, as a table keeps it, so that a
        // scroll bar does not come and go under the drag; it follows when the button is let go.
        if (!m_draggingDivider) {
            killTimer(m_columnResizeTimer);
            m_columnResizeTimer = 0;
            updateGeometries();
        }
        viewport()->update();
    }
    QAbstractItemView::timerEvent(event);
}

bool ResultsView::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_header->viewport()) {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto *press = static_cast<QMouseEvent *>(event);
            const int column = dividerAt(press->position().toPoint().x());
            m_draggingDivider = press->button() == Qt::LeftButton && column >= 0 &&
                                m_header->sectionResizeMode(column) == QHeaderView::Interactive;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            m_draggingDivider = false;
        }
    }
    return QAbstractItemView::eventFilter(watched, event);
}

int ResultsView::dividerAt(int x) const {
    // The header's own reach for a divider: the grip margin on either side of a section's edge.
    const int visual = m_header->visualIndexAt(x);
    if (visual < 0)
        return -1;
    const int column = m_header->logicalIndex(visual);
    const int start = m_header->sectionViewportPosition(column);
    const int grip = m_header->style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, m_header);
    bool atStart = x < start + grip;
    bool atEnd = x > start + m_header->sectionSize(column) - grip;
    if (isRightToLeft())
        std::swap(atStart, atEnd);
    if (atEnd)
        return column;
    if (!atStart)
        return -1;
    for (int before = visual - 1; before >= 0; --before)
        if (!m_header->isSectionHidden(m_header->logicalIndex(before)))
            return m_header->logicalIndex(before);
    return -1;
}

void ResultsView::rowsInserted(const QModelIndex &parent, int start, int end) {
    QAbstractItemView::rowsInserted(parent, start, end);
    // Only the scroll range changes; it follows once per turn of the event loop however many batches come.
    scheduleDelayedItemsLayout();
}

void ResultsView::columnCountChanged() {
    updateGeometries();
    if (horizontalScrollMode() == ScrollPerItem)
        m_header->setOffsetToSectionPosition(horizontalScrollBar()->value());
    else
        m_header->setOffset(horizontalScrollBar()->value());
    viewport()->update();
}

int ResultsView::accessibleChild(const QModelIndex &index) const {
    return accessibleCellNumber(index.row(), index.column(), m_header->count());
}

void ResultsView::currentChanged(const QModelIndex &current, const QModelIndex &previous) {
    if (QAccessible::isActive() && current.isValid()) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(accessibleChild(current));
        QAccessible::updateAccessibility(&event);
    }
    QAbstractItemView::currentChanged(current, previous);
}

void ResultsView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) {
    if (QAccessible::isActive()) {
        // The first cell of each change, as a table tells it; listing a million-row range cell by cell would
        // hold the window.
        if (!selected.isEmpty() && selected.first().isValid()) {
            QAccessibleEvent event(this, QAccessible::SelectionAdd);
            event.setChild(accessibleChild(selected.first().topLeft()));
            QAccessible::updateAccessibility(&event);
        }
        if (!deselected.isEmpty() && deselected.first().isValid()) {
            QAccessibleEvent event(this, QAccessible::SelectionRemove);
            event.setChild(accessibleChild(deselected.first().topLeft()));
            QAccessible::updateAccessibility(&event);
        }
    }
    QAbstractItemView::selectionChanged(selected, deselected);
}

} // namespace rw
