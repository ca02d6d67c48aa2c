#include "RulesController.h"

#include "RulesModel.h"
#include "core/rules/RulesCodec.h"
#include "core/tasks/TaskPool.h"
#include "core/tests/RuleTests.h"
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
#include <utility>

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
    bind("填入表达式框", &RulesController::putRuleIntoBox);
    bind("用表达式框更新此规则", &RulesController::updateFromBox);
    bind("将表达式框添加为规则", &RulesController::addFromBox);
    connect(m_ui.menu, &QMenu::aboutToShow, this, [this] {
        const bool onRow = currentRow() >= 0;
        for (const char *caption : {"填入表达式框", "用表达式框更新此规则"})
            if (QAction *action = menuAction(m_ui.menu, QString::fromUtf8(caption)))
                action->setEnabled(onRow);
    });
    if (QAction *action = menuAction(m_ui.menu, QStringLiteral("运行全部测试")))
        connect(action, &QAction::triggered, this, [this] { runAllTests(true); });
    // A rule whose expression changed is tested again.
    connect(m_model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles) {
                if (!roles.contains(Qt::EditRole) || topLeft.column() > 1 || bottomRight.column() < 1)
                    return;
                for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
                    if (m_model->tests(row))
                        m_model->setTally(row, std::nullopt);
                runTests(false);
            });
}

RulesController::~RulesController() {
    m_testing.stop();
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

void RulesController::putRuleIntoBox() {
    const int row = currentRow();
    if (row < 0)
        return;
    emit putIntoBox(m_model->library().rules()[row], m_model->tests(row));
}

void RulesController::updateFromBox() {
    const int row = currentRow();
    if (row < 0 || !m_boxEntry)
        return;
    TestedPattern entry = m_boxEntry();
    QWidget *window = m_ui.list->window();
    if (singleLine(entry.pattern) != entry.pattern) {
        m_context.dialogs.tell(window, QStringLiteral("表达式含有换行,规则只能保存一行的表达式"), kInfoCaption,
                               Dialogs::Icon::Warning);
        return;
    }
    // The rule's own tests would be replaced by the box's: asked first, as they may be the only copy.
    const std::optional<TestedPattern> &ruleTests = m_model->tests(row);
    if (ruleTests && !ruleTests->tests.isEmpty() && ruleTests->tests != entry.tests &&
        !m_context.dialogs.askYesNo(
            window,
            QStringLiteral("此规则现有的 %1 个测试将被表达式框的测试替换,是否继续?").arg(ruleTests->tests.size()),
            kInfoCaption, Dialogs::Icon::Question))
        return;
    const QString expression = entry.pattern;
    m_model->setData(m_model->index(row, int(RuleField::Expression)), expression);
    m_model->setTests(row, std::move(entry));
    runTests(false);
}

void RulesController::addFromBox() {
    if (!m_boxEntry)
        return;
    TestedPattern entry = m_boxEntry();
    QWidget *window = m_ui.list->window();
    if (entry.pattern.isEmpty())
        return;
    if (singleLine(entry.pattern) != entry.pattern) {
        m_context.dialogs.tell(window, QStringLiteral("表达式含有换行,规则只能保存一行的表达式"), kInfoCaption,
                               Dialogs::Icon::Warning);
        return;
    }
    const std::optional<QString> name = m_context.dialogs.askText(window, QStringLiteral("请填写规则名称"));
    if (!name || singleLine(*name).isEmpty())
        return;
    const int row = m_model->appendEmpty();
    m_model->setData(m_model->index(row, int(RuleField::Name)), singleLine(*name));
    m_model->setData(m_model->index(row, int(RuleField::Expression)), entry.pattern);
    m_model->setTests(row, std::move(entry));
    const QModelIndex added = m_model->index(row, 0);
    m_ui.list->setCurrentIndex(added);
    m_ui.list->scrollTo(added);
    runTests(false);
}

void RulesController::setTestsFile(const TestsFile &file) {
    m_model->attachTests(file);
    runTests(false);
}

TestsFile RulesController::testsFile() const {
    return m_model->testsFile();
}

void RulesController::runAllTests(bool report) {
    m_reportWanted = m_reportWanted || report;
    runTests(true);
}

void RulesController::runTests(bool everything) {
    struct Job {
        quint64 id;
        TestedPattern entry;
    };
    // A run still going is taken over: its rules are in this one too, since their tallies are not known.
    std::vector<Job> jobs;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const std::optional<TestedPattern> &tests = m_model->tests(row);
        if (!tests || (!everything && m_model->tally(row)))
            continue;
        if (everything)
            m_model->setTally(row, std::nullopt);
        Job job{m_model->rowId(row), *tests};
        job.entry.name = m_model->library().field(row, RuleField::Name);
        job.entry.pattern = m_model->library().field(row, RuleField::Expression);
        jobs.push_back(std::move(job));
    }
    if (jobs.empty() && !m_reportWanted)
        return;
    const RunState::Run run = m_testing.begin();
    const bool started = runInBackground([this, run, jobs = std::move(jobs)] {
        std::vector<std::pair<quint64, TestTally>> tallies;
        for (const Job &job : jobs) {
            const QList<TestResult> results = rw::runTests(job.entry, [&run] { return run.isCurrent(); });
            if (!run.isCurrent())
                return;
            tallies.emplace_back(job.id, tally(results));
        }
        run.deliver([this, run, tallies = std::move(tallies)] {
            if (!m_testing.finish(run))
                return;
            for (const auto &[id, counts] : tallies)
                if (const int row = m_model->rowOf(id); row >= 0)
                    m_model->setTally(row, counts);
            if (std::exchange(m_reportWanted, false))
                reportTests();
        });
    });
    if (!started)
        m_testing.stop();
}

void RulesController::reportTests() {
    int rules = 0;
    int tests = 0;
    QStringList failing;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const std::optional<TestTally> &counts = m_model->tally(row);
        if (!counts || counts->total == 0)
            continue;
        ++rules;
        tests += counts->total;
        if (!counts->allPassed())
            failing << QStringLiteral("%1: 通过 %2/%3")
                           .arg(m_model->library().field(row, RuleField::Name))
                           .arg(counts->passed)
                           .arg(counts->total);
    }
    const QString text = failing.isEmpty()
                             ? QStringLiteral("全部 %1 条规则的 %2 个测试通过").arg(rules).arg(tests)
                             : QStringLiteral("以下规则的测试未通过:\n") + failing.join(u'\n');
    m_context.dialogs.tell(m_ui.list->window(), text, kInfoCaption,
                           failing.isEmpty() ? Dialogs::Icon::None : Dialogs::Icon::Warning);
}

void RulesController::copyExpression() {
    const int row = currentRow();
    const QString expression = row >= 0 ? m_model->library().field(row, RuleField::Expression) : QString();
    QGuiApplication::clipboard()->setText(expression);
}

} // namespace rw
