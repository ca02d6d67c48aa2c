// The results list against QTableView: the same model in both, the same clicks and keys, and the same
// selection, current cell, scrolling, column fitting, pixels and accessible table must come out.
#include "results/ResultsView.h"

#include <QAbstractTableModel>
#include <QAccessible>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include <cstdlib>
#include <functional>
#include <limits>
#include <utility>

using namespace rw;

namespace {

// Rows of four cells whose texts are made from their place; column 1 holds texts of many lengths, some
// wider than any column, so eliding and fitting show.
class NumberedModel final : public QAbstractTableModel {
public:
    explicit NumberedModel(int rows) : m_rows(rows) {}
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_rows; }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 4; }
    QVariant data(const QModelIndex &index, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        if (index.column() == 1)
            return QStringLiteral("match %1 ").arg(index.row()) +
                   QString(index.row() % 7 * 9, QLatin1Char('x'));
        return QStringLiteral("%1.%2").arg(index.row() + 1).arg(index.column());
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return QStringLiteral("列%1").arg(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    void restart(int rows) {
        beginResetModel();
        m_rows = rows;
        endResetModel();
    }
    void grow(int rows) {
        beginInsertRows({}, m_rows, m_rows + rows - 1);
        m_rows += rows;
        endInsertRows();
    }

private:
    int m_rows;
};

// The two lists side by side over one model, set up as the window sets up its list.
struct Pair {
    explicit Pair(int rows) : model(rows) {
        auto *layout = new QHBoxLayout(&window);
        for (QAbstractItemView *view :
             {static_cast<QAbstractItemView *>(&table), static_cast<QAbstractItemView *>(&ours)}) {
            view->setSelectionBehavior(QAbstractItemView::SelectRows);
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
            view->setEditTriggers(QAbstractItemView::NoEditTriggers);
            view->setFixedSize(360, 240);
            view->setModel(&model);
            layout->addWidget(view);
        }
        table.setWordWrap(false);
        table.verticalHeader()->hide();
        table.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        table.verticalHeader()->setDefaultSectionSize(ours.rowHeight());
        for (QHeaderView *header : {table.horizontalHeader(), ours.horizontalHeader()}) {
            header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            header->setHighlightSections(false);
            header->setSectionResizeMode(QHeaderView::Interactive);
            header->resizeSection(0, 50);
            header->resizeSection(1, 100);
        }
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("the window did not become active");
    }

    NumberedModel model;
    QWidget window;
    QTableView table;
    ResultsView ours;
};

// What a user sees of a list's state: selected rows, the current cell, where it is scrolled.
QString stateOf(QAbstractItemView *view) {
    QStringList parts;
    for (const QItemSelectionRange &range : view->selectionModel()->selection())
        parts << QStringLiteral("%1-%2/%3-%4")
                     .arg(range.top())
                     .arg(range.bottom())
                     .arg(range.left())
                     .arg(range.right());
    parts.sort();
    const QModelIndex current = view->currentIndex();
    return QStringLiteral("selected [%1] current %2,%3 scrolled %4,%5")
        .arg(parts.join(u' '))
        .arg(current.row())
        .arg(current.column())
        .arg(view->verticalScrollBar()->value())
        .arg(view->horizontalScrollBar()->value());
}

using Step = std::function<void(QAbstractItemView *view)>;
// A state both lists are put in before they are compared.
using SetUp = Step;
Step click(int row, Qt::KeyboardModifiers modifiers = {}, int column = 1) {
    return [=](QAbstractItemView *view) {
        const QRect cell = view->visualRect(view->model()->index(row, column));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, cell.center());
    };
}
Step key(int key, Qt::KeyboardModifiers modifiers = {}) {
    return [=](QAbstractItemView *view) { QTest::keyClick(view, Qt::Key(key), modifiers); };
}
// Changes a list's columns or direction, as a step both lists take.
Step columns(const std::function<void(QHeaderView *header)> &change) {
    return [=](QAbstractItemView *view) {
        auto *table = qobject_cast<QTableView *>(view);
        change(table ? table->horizontalHeader() : static_cast<ResultsView *>(view)->horizontalHeader());
    };
}
Step direction(Qt::LayoutDirection d) {
    return [=](QAbstractItemView *view) { view->setLayoutDirection(d); };
}
Step drag(int fromRow, int toRow, Qt::KeyboardModifiers modifiers = {}) {
    return [=](QAbstractItemView *view) {
        const QPoint from = view->visualRect(view->model()->index(fromRow, 0)).center();
        const QPoint to = view->visualRect(view->model()->index(toRow, 2)).center();
        QTest::mousePress(view->viewport(), Qt::LeftButton, modifiers, from);
        QTest::mouseMove(view->viewport(), (from + to) / 2);
        QTest::mouseMove(view->viewport(), to);
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, modifiers, to);
    };
}

// The first and last selected row; the rows between must all be selected too (checked at both ends and
// in the middle, as listing ten million rows would take longer than the test).
std::pair<int, int> selectedSpan(const QAbstractItemView &view) {
    int top = std::numeric_limits<int>::max();
    int bottom = -1;
    for (const QItemSelectionRange &range : view.selectionModel()->selection()) {
        top = std::min(top, range.top());
        bottom = std::max(bottom, range.bottom());
    }
    const QItemSelectionModel *s = view.selectionModel();
    if (bottom < 0 || !s->isRowSelected(top) || !s->isRowSelected((top + bottom) / 2) ||
        !s->isRowSelected(bottom) || s->isRowSelected(top - 1) || s->isRowSelected(bottom + 1))
        return {-1, -1};
    return {top, bottom};
}

QImage shot(QAbstractItemView *view) {
    view->setFocus();
    QCoreApplication::processEvents();
    return view->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(QList<Step>)

class TestResultsView final : public QObject {
    Q_OBJECT
private slots:
    void actsAsATable_data();
    void actsAsATable();
    void drawsAsATable_data();
    void drawsAsATable();
    void fitsAColumnAsATable();
    void dragsADividerAsATable();
    void rowsArrivingKeepTheViewWhereItIs();
    void tenMillionRowsReachTheirEnd();
    void typingSearchesALongListAStretchAhead_data();
    void typingSearchesALongListAStretchAhead();
    void screenReadersReadItAsATable();
};

void TestResultsView::actsAsATable_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<Step>>("steps");
    const auto shift = Qt::ShiftModifier;
    const auto ctrl = Qt::ControlModifier;

    QTest::newRow("click, Shift+click, Ctrl+click")
        << 40 << QList<Step>{click(2), click(6, shift), click(4, ctrl), click(9, ctrl), click(1, shift)};
    QTest::newRow("Ctrl+click toggles off and back")
        << 40 << QList<Step>{click(3), click(3, ctrl), click(3, ctrl)};
    QTest::newRow("keys from nothing current") << 40
                                               << QList<Step>{key(Qt::Key_Down), key(Qt::Key_Down, shift),
                                                              key(Qt::Key_Down, shift), key(Qt::Key_Up)};
    QTest::newRow("Shift with arrows and pages") << 200
                                                 << QList<Step>{click(1),
                                                                key(Qt::Key_PageDown, shift),
                                                                key(Qt::Key_PageDown, shift),
                                                                key(Qt::Key_Up, shift),
                                                                key(Qt::Key_PageUp, shift),
                                                                key(Qt::Key_PageUp)};
    QTest::newRow("Home and End move along the row; with Ctrl to the ends")
        << 200
        << QList<Step>{click(5),
                       key(Qt::Key_End),
                       key(Qt::Key_Home, shift),
                       key(Qt::Key_End, ctrl | shift),
                       key(Qt::Key_Home, ctrl),
                       key(Qt::Key_End, ctrl)};
    QTest::newRow("arrows stop at the ends")
        << 30 << QList<Step>{click(0),          key(Qt::Key_Up),    key(Qt::Key_Left), key(Qt::Key_End, ctrl),
                             key(Qt::Key_Down), key(Qt::Key_Right), key(Qt::Key_Right)};
    QTest::newRow("Tab wraps from cell to cell")
        << 30
        << QList<Step>{click(0, {}, 2), key(Qt::Key_Tab), key(Qt::Key_Tab), key(Qt::Key_Backtab),
                       key(Qt::Key_Backtab)};
    QTest::newRow("Tab and Backtab wrap round the ends")
        << 5
        << QList<Step>{click(4, {}, 3), key(Qt::Key_Tab), key(Qt::Key_Backtab), click(0, {}, 0),
                       key(Qt::Key_Backtab), key(Qt::Key_Tab)};
    QTest::newRow("keys over moved and hidden columns")
        << 30
        << QList<Step>{columns([](QHeaderView *h) { h->moveSection(0, 3); }),
                       columns([](QHeaderView *h) { h->hideSection(2); }),
                       click(3, {}, 1),
                       key(Qt::Key_Right),
                       key(Qt::Key_Right),
                       key(Qt::Key_Left),
                       key(Qt::Key_Tab),
                       key(Qt::Key_Tab),
                       key(Qt::Key_Backtab),
                       key(Qt::Key_Home),
                       key(Qt::Key_End, ctrl),
                       key(Qt::Key_Up)};
    QTest::newRow("right to left: Left and Right swap")
        << 30
        << QList<Step>{direction(Qt::RightToLeft), click(1, {}, 1), key(Qt::Key_Left), key(Qt::Key_Left),
                       key(Qt::Key_Right), key(Qt::Key_Home), key(Qt::Key_Backtab)};
    QTest::newRow("Ctrl+A, then a click") << 500 << QList<Step>{key(Qt::Key_A, ctrl), click(3)};
    QTest::newRow("Ctrl+arrows move the current row only")
        << 50
        << QList<Step>{click(2), key(Qt::Key_Down, ctrl), key(Qt::Key_Down, ctrl), key(Qt::Key_Space, ctrl),
                       key(Qt::Key_PageDown, shift)};
    QTest::newRow("drag over rows, then Ctrl+drag") << 40 << QList<Step>{drag(1, 4), drag(6, 8, ctrl)};
    QTest::newRow("empty list") << 0
                                << QList<Step>{key(Qt::Key_Down), key(Qt::Key_A, ctrl),
                                               key(Qt::Key_End, ctrl)};
}

void TestResultsView::actsAsATable() {
    QFETCH(int, rows);
    QFETCH(QList<Step>, steps);
    Pair pair(rows);
    for (int i = 0; i < steps.size(); ++i) {
        for (QAbstractItemView *view :
             {static_cast<QAbstractItemView *>(&pair.table), static_cast<QAbstractItemView *>(&pair.ours)}) {
            view->setFocus();
            steps[i](view);
        }
        QVERIFY2(stateOf(&pair.ours) == stateOf(&pair.table),
                 qPrintable(QStringLiteral("step %1: ours %2, table %3")
                                .arg(i)
                                .arg(stateOf(&pair.ours), stateOf(&pair.table))));
    }
}

void TestResultsView::drawsAsATable_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<SetUp>("setUp");
    const auto select = [](int from, int to, int current) {
        return SetUp([=](QAbstractItemView *view) {
            QAbstractItemModel *m = view->model();
            view->selectionModel()->select(QItemSelection(m->index(from, 0), m->index(to, 3)),
                                           QItemSelectionModel::ClearAndSelect);
            view->selectionModel()->setCurrentIndex(m->index(current, 1), QItemSelectionModel::NoUpdate);
        });
    };
    QTest::newRow("fresh, empty") << 0 << SetUp([](QAbstractItemView *) {});
    QTest::newRow("fewer rows than fit") << 3 << select(1, 1, 1);
    QTest::newRow("selection and focus, elided texts") << 60 << select(2, 5, 4);
    QTest::newRow("scrolled down to the end") << 60 << SetUp([=](QAbstractItemView *view) {
        select(40, 58, 59)(view);
        view->scrollToBottom();
    });
    QTest::newRow("scrolled sideways") << 60 << SetUp([=](QAbstractItemView *view) {
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
    });
    QTest::newRow("alternating colours, no grid") << 60 << SetUp([=](QAbstractItemView *view) {
        view->setAlternatingRowColors(true);
        if (auto *table = qobject_cast<QTableView *>(view))
            table->setShowGrid(false);
        else
            static_cast<ResultsView *>(view)->setShowGrid(false);
        select(3, 3, 3)(view);
    });
}

void TestResultsView::drawsAsATable() {
    QFETCH(int, rows);
    QFETCH(SetUp, setUp);
    Pair pair(rows);
    setUp(&pair.table);
    setUp(&pair.ours);
    const QImage table = shot(&pair.table);
    const QImage ours = shot(&pair.ours);
    if (ours != table) {
        const QString base =
            QDir::temp().filePath(QStringLiteral("tst_resultsview-%1").arg(QTest::currentDataTag()));
        table.save(base + QStringLiteral("-table.png"));
        ours.save(base + QStringLiteral("-ours.png"));
        QFAIL(qPrintable(QStringLiteral("pixels differ; see %1-*.png").arg(base)));
    }
}

void TestResultsView::fitsAColumnAsATable() {
    Pair pair(300);
    // Rows scrolled to the middle: the fit reads those in view first, then others around them.
    pair.table.scrollTo(pair.model.index(150, 0), QAbstractItemView::PositionAtTop);
    pair.ours.scrollTo(pair.model.index(150, 0), QAbstractItemView::PositionAtTop);
    for (int column : {0, 1, 3}) {
        for (QHeaderView *header : {pair.table.horizontalHeader(), pair.ours.horizontalHeader()}) {
            const QPoint divider(header->sectionViewportPosition(column) + header->sectionSize(column) - 1,
                                 header->height() / 2);
            QTest::mouseDClick(header->viewport(), Qt::LeftButton, {}, divider);
        }
        QCOMPARE(pair.ours.columnWidth(column), pair.table.columnWidth(column));
    }
    QVERIFY(pair.ours.columnWidth(1) > 100);
}

void TestResultsView::dragsADividerAsATable() {
    Pair pair(60);
    // Wide enough to need a horizontal scroll bar once the drag ends, and not before.
    for (QHeaderView *header : {pair.table.horizontalHeader(), pair.ours.horizontalHeader()}) {
        const QPoint divider(header->sectionViewportPosition(1) + header->sectionSize(1) - 1,
                             header->height() / 2);
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, divider);
        QTest::mouseMove(header->viewport(), divider + QPoint(100, 0));
        QTest::mouseMove(header->viewport(), divider + QPoint(200, 0));
        QCoreApplication::processEvents();
    }
    const auto scrolling = [](QAbstractItemView *view) {
        return QStringLiteral("range %1 page %2 shown %3")
            .arg(view->horizontalScrollBar()->maximum())
            .arg(view->horizontalScrollBar()->pageStep())
            .arg(view->horizontalScrollBar()->isVisible());
    };
    QCOMPARE(pair.ours.columnWidth(1), pair.table.columnWidth(1));
    QCOMPARE(scrolling(&pair.ours), scrolling(&pair.table));
    for (QHeaderView *header : {pair.table.horizontalHeader(), pair.ours.horizontalHeader()}) {
        const QPoint end(header->sectionViewportPosition(1) + header->sectionSize(1) - 1,
                         header->height() / 2);
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, end);
        QCoreApplication::processEvents();
    }
    QCOMPARE(pair.ours.columnWidth(1), 300);
    QCOMPARE(pair.ours.columnWidth(1), pair.table.columnWidth(1));
    QCOMPARE(scrolling(&pair.ours), scrolling(&pair.table));
    QCOMPARE(shot(&pair.ours), shot(&pair.table));
}

void TestResultsView::rowsArrivingKeepTheViewWhereItIs() {
    Pair pair(30);
    for (QAbstractItemView *view :
         {static_cast<QAbstractItemView *>(&pair.table), static_cast<QAbstractItemView *>(&pair.ours)}) {
        click(5)(view);
        view->verticalScrollBar()->setValue(3);
    }
    pair.model.grow(1000);
    pair.model.grow(1);
    QCoreApplication::processEvents();
    QCOMPARE(stateOf(&pair.ours), stateOf(&pair.table));
    QCOMPARE(pair.ours.verticalScrollBar()->maximum(), pair.table.verticalScrollBar()->maximum());
    QCOMPARE(pair.ours.verticalScrollBar()->pageStep(), pair.table.verticalScrollBar()->pageStep());
}

void TestResultsView::tenMillionRowsReachTheirEnd() {
    // Too many for a table to be the reference in a test: the figures are worked out instead.
    constexpr int kRows = 10'000'000;
    NumberedModel model(kRows);
    ResultsView view;
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setSelectionMode(QAbstractItemView::ExtendedSelection);
    view.resize(360, 240);
    view.setModel(&model);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setFocus();
    const int perPage = view.viewport()->height() / view.rowHeight();

    // Scrolled to the end, a Shift+click on the last row reaches back to the first click.
    click(2)(&view);
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    click(kRows - 1, Qt::ShiftModifier)(&view);
    QCOMPARE(view.currentIndex().row(), kRows - 1);
    QCOMPARE(selectedSpan(view), (std::pair{2, kRows - 1}));
    QTest::keyClick(&view, Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    QCOMPARE(view.verticalScrollBar()->maximum(), kRows - perPage);
    // The last row sits on the bottom edge, wholly shown.
    const QRect last = view.visualRect(model.index(kRows - 1, 1));
    QVERIFY(view.viewport()->rect().contains(last));
    QCOMPARE(view.rowAt(view.viewport()->height() - 1), kRows - 1);
    QCOMPARE(view.indexAt(last.center()), model.index(kRows - 1, 1));

    // A page up from the end, then a Shift+click that reaches back to a row far above.
    QTest::keyClick(&view, Qt::Key_PageUp);
    const int paged = view.currentIndex().row();
    QVERIFY2(std::abs(kRows - 1 - paged - perPage) <= 1, qPrintable(QString::number(paged)));
    QVERIFY(view.viewport()->rect().contains(view.visualRect(view.currentIndex())));
    QCOMPARE(selectedSpan(view), (std::pair{paged, paged}));
    view.verticalScrollBar()->setValue(kRows / 2);
    click(kRows / 2 + 1, Qt::ShiftModifier)(&view);
    QCOMPARE(selectedSpan(view), (std::pair{kRows / 2 + 1, paged}));
}

void TestResultsView::typingSearchesALongListAStretchAhead_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("expected");
    // Column 0 holds "<row + 1>.0", column 1 "match <row> …".
    QTest::newRow("a new search starts after the current row") << 0 << 4 << "5" << 49;
    QTest::newRow("letters typed together add up") << 0 << 0 << "123" << 122;
    QTest::newRow("the same letter again goes to the next row with it") << 1 << 0 << "mmm" << 3;
    QTest::newRow("found within the stretch ahead") << 1 << 0 << "match 99999 " << 99'999;
    QTest::newRow("wrapping round to rows above") << 0 << 250'000 << "1" << 0;
    // "match 15000" leads to row 15,000; row 150,000 lies further than the stretch from there: not
    // found, and the window was not held up reading every row.
    QTest::newRow("beyond the stretch") << 1 << 0 << "match 150000 " << 15'000;
}

// Over a list too long to read whole on a keystroke, typing finds rows as in any item view, looking a
// bounded stretch ahead.
void TestResultsView::typingSearchesALongListAStretchAhead() {
    QFETCH(int, column);
    QFETCH(int, from);
    QFETCH(QString, typed);
    QFETCH(int, expected);
    NumberedModel model(300'000);
    QVERIFY(model.rowCount() > ResultsView::keyboardSearchRows);
    ResultsView view;
    view.setSelectionBehavior(QAbstractItemView::SelectRows);
    view.setModel(&model);
    view.setCurrentIndex(model.index(from, column));
    for (const QChar c : typed)
        view.keyboardSearch(QString(c));
    QCOMPARE(view.currentIndex(), model.index(expected, column));
}

void TestResultsView::screenReadersReadItAsATable() {
    Pair pair(12);
    click(4)(&pair.table);
    click(4)(&pair.ours);
    click(7, Qt::ControlModifier)(&pair.table);
    click(7, Qt::ControlModifier)(&pair.ours);

    QAccessibleInterface *table = QAccessible::queryAccessibleInterface(&pair.table);
    QAccessibleInterface *ours = QAccessible::queryAccessibleInterface(&pair.ours);
    QVERIFY(table && ours);
    QCOMPARE(ours->role(), QAccessible::Table);
    QAccessibleTableInterface *t = table->tableInterface();
    QAccessibleTableInterface *o = ours->tableInterface();
    QVERIFY(t && o);
    QCOMPARE(o->rowCount(), t->rowCount());
    QCOMPARE(o->columnCount(), t->columnCount());
    // A table numbers a column for its row header even when that is hidden; the list has none.
    const int columns = o->columnCount();
    const auto tableChild = [&](int row, int column) { return (row + 1) * (columns + 1) + column + 1; };
    const auto ourChild = [&](int row, int column) { return (row + 1) * columns + column; };
    QCOMPARE(ours->childCount(), table->childCount() - (t->rowCount() + 1));
    QCOMPARE(o->selectedRows(), t->selectedRows());
    QCOMPARE(o->selectedRowCount(), t->selectedRowCount());
    QCOMPARE(o->selectedCellCount(), t->selectedCellCount());
    QCOMPARE(o->isRowSelected(7), true);
    QCOMPARE(o->isRowSelected(5), false);

    // Captions first, then the cells row by row; each child knows its number and its place.
    for (const auto &[row, column] : {std::pair{-1, 0}, {-1, 3}, {0, 0}, {1, 1}, {4, 3}, {7, 2}, {11, 3}}) {
        QAccessibleInterface *a = table->child(tableChild(row, column));
        QAccessibleInterface *b = ours->child(ourChild(row, column));
        QVERIFY(a && b);
        QCOMPARE(b->role(), a->role());
        QCOMPARE(b->text(QAccessible::Name), a->text(QAccessible::Name));
        QCOMPARE(ours->indexOfChild(b), ourChild(row, column));
        if (!b->state().offscreen)
            QCOMPARE(ours->childAt(b->rect().center().x(), b->rect().center().y()), b);
        QCOMPARE(b->rect().translated(-pair.ours.mapToGlobal(QPoint())),
                 a->rect().translated(-pair.table.mapToGlobal(QPoint())));
        QCOMPARE(b->parent(), ours);
        if (row < 0)
            continue;
        QCOMPARE(b->tableCellInterface()->rowIndex(), a->tableCellInterface()->rowIndex());
        QCOMPARE(b->tableCellInterface()->columnIndex(), a->tableCellInterface()->columnIndex());
        QCOMPARE(b->tableCellInterface()->isSelected(), a->tableCellInterface()->isSelected());
        QCOMPARE(b->state().selected, a->state().selected);
        QCOMPARE(o->cellAt(row, column), b);
    }
    QCOMPARE(o->cellAt(7, 1)->text(QAccessible::Name),
             QStringLiteral("match 7 ") + QString(0, QLatin1Char('x')));
    QCOMPARE(o->columnDescription(2), QStringLiteral("列2"));

    // Scrolled down, the point over a caption is the caption, not a row scrolled up under it.
    pair.ours.verticalScrollBar()->setValue(pair.ours.verticalScrollBar()->maximum());
    QVERIFY(pair.ours.verticalScrollBar()->value() > 0);
    QAccessibleInterface *caption = ours->child(ourChild(-1, 2));
    QCOMPARE(ours->childAt(caption->rect().center().x(), caption->rect().center().y()), caption);
    pair.ours.verticalScrollBar()->setValue(0);

    // A screen reader picks a row, and the list shows it picked.
    QVERIFY(o->selectRow(10));
    QVERIFY(pair.ours.selectionModel()->isRowSelected(10));
    QVERIFY(o->unselectRow(4));
    QCOMPARE(o->selectedRows(), (QList<int>{7, 10}));

    // Cells handed out before the rows change are not read as the new rows.
    QAccessibleInterface *before = o->cellAt(11, 0);
    pair.model.grow(5);
    QAccessibleInterface *after = o->cellAt(15, 0);
    QVERIFY(after && after->isValid());
    QCOMPARE(after->text(QAccessible::Name), QStringLiteral("16.0"));
    QVERIFY(before->isValid());
    QCOMPARE(before->text(QAccessible::Name), QStringLiteral("12.0"));

    // After a new run, what was handed out is gone and the cells read the new rows.
    pair.model.restart(2);
    QVERIFY(!after->isValid());
    QCOMPARE(o->rowCount(), 2);
    QCOMPARE(o->cellAt(15, 0), nullptr);
    QCOMPARE(o->cellAt(1, 0)->text(QAccessible::Name), QStringLiteral("2.0"));
    QCOMPARE(o->selectedRows(), QList<int>());
}

QTEST_MAIN(TestResultsView)
#include "tst_resultsview.moc"
