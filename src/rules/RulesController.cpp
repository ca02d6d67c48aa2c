#include "RulesController.h"

#include "RulesModel.h"
#include "core/rules/RulesCodec.h"
#include "platform/AppContext.h"
#include "platform/ContextMenu.h"
#include "platform/Dialogs.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTreeView>

#include <algorithm>

namespace rw {

namespace {

enum Column { NameColumn = 0, ExpressionColumn = 1, DescriptionColumn = 2 };

// The design widths of the columns 简介, 表达式 and 介绍.
constexpr int ColumnWidths[] = {88, 150, 500};

QAction *menuAction(QMenu *menu, const QString &caption) {
    const QList<QAction *> actions = menu->actions();
    const auto found = std::find_if(actions.begin(), actions.end(),
                                    [&](const QAction *action) { return action->text() == caption; });
    return found != actions.end() ? *found : nullptr;
}

} // namespace

RulesController::RulesController(const RulesWidgets &widgets, AppContext &context, QObject *parent)
    : QObject(parent), m_ui(widgets), m_context(context), m_model(new RulesModel(this)) {
    QTreeView *list = m_ui.list;
    list->setModel(m_model);
    for (int column = 0; column < int(std::size(ColumnWidths)); ++column)
        list->setColumnWidth(column, ColumnWidths[column]);
    connect(list, &QWidget::customContextMenuRequested, this, &RulesController::showMenu);
    m_viewport = list->viewport();
    m_editor = m_ui.cellEditor;
    m_viewport->installEventFilter(this);
    m_editor->installEventFilter(this);
    // The editor follows its cell when the list scrolls.
    for (QScrollBar *bar : {list->horizontalScrollBar(), list->verticalScrollBar()})
        connect(bar, &QScrollBar::valueChanged, this, [this] {
            if (m_editing.isValid())
                placeEditor();
        });
    // Tearing the window down sends the editor a focus-out; there is no list to commit to by then.
    connect(list, &QObject::destroyed, this, [this] { m_listGone = true; });

    const auto bind = [this](const char *caption, void (RulesController::*command)()) {
        if (QAction *action = menuAction(m_ui.menu, QString::fromUtf8(caption)))
            connect(action, &QAction::triggered, this, command);
    };
    // A field is one line of the rules file: a pasted line break becomes a space.
    connect(m_ui.cellEditor, &QLineEdit::textEdited, this, [editor = m_ui.cellEditor](const QString &text) {
        const QString line = singleLine(text);
        if (line != text) {
            const int cursor = editor->cursorPosition() - int(text.size() - line.size());
            editor->setText(line);
            editor->setCursorPosition(cursor);
        }
    });
    bind("添加新一行", &RulesController::addRow);
    bind("删除这行", &RulesController::deleteRow);
    bind("复制表达式", &RulesController::copyExpression);
}

void RulesController::addLoadedRules(const QList<Rule> &rules) {
    m_model->prepend(rules);
}

QList<Rule> RulesController::rules() const {
    return m_model->library().rules();
}

int RulesController::currentRow() const {
    int first = -1;
    for (const QModelIndex &index : m_ui.list->selectionModel()->selectedIndexes()) {
        if (first < 0 || index.row() < first)
            first = index.row();
    }
    return first;
}

int RulesController::columnAt(int viewportX) const {
    const QHeaderView *header = m_ui.list->header();
    const int x = viewportX + header->offset();
    int right = 0;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (header->isSectionHidden(column))
            continue;
        right += header->sectionSize(column);
        if (x <= right)
            return column;
    }
    return -1;
}

bool RulesController::openEditor(const QPoint &viewportPos) {
    QTreeView *list = m_ui.list;
    const int column = columnAt(viewportPos.x());
    if (column < 0)
        return false;
    // The row comes from the point itself, so a click on the boundary pixel still finds its row.
    const QPoint inColumn(std::max(0, list->header()->sectionViewportPosition(column)), viewportPos.y());
    const QModelIndex rowIndex = list->indexAt(inColumn);
    if (!rowIndex.isValid())
        return false;
    const QModelIndex cell = rowIndex.siblingAtColumn(column);
    list->setCurrentIndex(cell);
    // Scroll now: the view would scroll the pressed cell into view on its own a moment after the
    // double-click, and leave the editor where the cell was.
    list->scrollTo(cell);
    m_editing = cell;
    if (!placeEditor()) {
        m_editing = QPersistentModelIndex();
        return false;
    }
    QLineEdit *editor = m_ui.cellEditor;
    editor->raise();
    editor->show();
    editor->setText(cell.data().toString());
    editor->setFocus(Qt::MouseFocusReason);
    editor->selectAll();
    // A click anywhere else ends the edit, as a focus loss does, also where the click takes no focus.
    QCoreApplication::instance()->installEventFilter(this);
    return true;
}

bool RulesController::placeEditor() {
    QTreeView *list = m_ui.list;
    QWidget *viewport = list->viewport();
    const QRect visible =
        m_editing.isValid() ? list->visualRect(m_editing).intersected(viewport->rect()) : QRect();
    if (visible.isEmpty())
        return false;
    QWidget *page = m_ui.cellEditor->parentWidget();
    m_ui.cellEditor->setGeometry(QRect(viewport->mapTo(page, visible.topLeft()), visible.size()));
    return true;
}

void RulesController::commitEdit() {
    QLineEdit *editor = m_ui.cellEditor;
    const QPersistentModelIndex cell = m_editing;
    m_editing = QPersistentModelIndex();
    QCoreApplication::instance()->removeEventFilter(this);
    if (!editor->isVisible() && !cell.isValid())
        return;
    const bool keepName = !RulesLibrary::committed(RuleField(cell.column()), editor->text());
    if (cell.isValid() && !keepName) {
        m_model->setData(cell, editor->text());
        editor->clear();
    }
    editor->hide();
}

bool RulesController::eventFilter(QObject *watched, QEvent *event) {
    if (m_listGone)
        return false;
    if (event->type() == QEvent::MouseButtonPress && m_editing.isValid() && watched->isWidgetType()) {
        // The editor's own context menu is a window of its own, but still the editor's child.
        bool inEditor = false;
        for (auto *widget = static_cast<QWidget *>(watched); widget && !inEditor;
             widget = widget->parentWidget())
            inEditor = widget == m_editor;
        if (!inEditor)
            commitEdit();
        return false;
    }
    if (watched == m_viewport && event->type() == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton) {
            openEditor(mouse->position().toPoint());
            return true;
        }
    } else if (watched == m_editor && event->type() == QEvent::FocusOut) {
        // The editor's own context menu takes the focus for a moment; that is not the end of the edit.
        if (static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason)
            commitEdit();
    }
    return QObject::eventFilter(watched, event);
}

void RulesController::showMenu(const QPoint &viewportPos) {
    popUpMenu(m_ui.menu, m_ui.list->viewport()->mapToGlobal(viewportPos));
}

void RulesController::addRow() {
    m_model->appendEmpty();
}

void RulesController::deleteRow() {
    QWidget *window = m_ui.list->window();
    if (!m_context.dialogs.askYesNo(window, QStringLiteral("是否删除这一行\r\n关闭软件后生效"), kInfoCaption,
                                    Dialogs::Icon::Question))
        return;
    m_model->removeRule(currentRow());
}

void RulesController::copyExpression() {
    const int row = currentRow();
    const QString expression = row >= 0 ? m_model->library().field(row, RuleField::Expression) : QString();
    QGuiApplication::clipboard()->setText(expression);
}

} // namespace rw
