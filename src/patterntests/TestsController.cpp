#include "TestsController.h"

#include "ExpectationEditor.h"
#include "TestsModel.h"
#include "core/tasks/TaskPool.h"
#include "core/tests/RuleTests.h"
#include "core/tests/TestsCodec.h"
#include "core/text/RegularFile.h"
#include "core/text/LineBreaks.h"
#include "core/text/WorkingFile.h"
#include "pattern/PatternOwner.h"
#include "platform/AppContext.h"
#include "platform/ContextMenu.h"
#include "platform/Dialogs.h"
#include "textbox/BoxText.h"
#include "textbox/TextEditor.h"

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTreeView>

namespace rw {

namespace {

const QString kTitle = QStringLiteral("测试用例");
const QString kFileFilter = QStringLiteral("测试文件 (*.json);;所有文件 (*)");

QAction *menuAction(QMenu *menu, const QString &caption) {
    for (QAction *action : menu->actions())
        if (action->text() == caption)
            return action;
    return nullptr;
}

// The non-empty lines of a text, each a sample that must match.
QList<PatternTest> samplesOf(QStringView text) {
    QList<PatternTest> tests;
    qsizetype begin = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != u'\r' && text[i] != u'\n')
            continue;
        if (i > begin) {
            PatternTest test;
            test.sample = text.sliced(begin, i - begin).toString();
            tests.append(std::move(test));
        }
        begin = i + 1;
    }
    return tests;
}

} // namespace

TestsController::TestsController(const TestsWidgets &widgets, AppContext &context, QObject *parent)
    : QObject(parent), m_w(widgets), m_context(context), m_model(new TestsModel(this)) {
    QTreeView *table = m_w.table;
    table->setModel(m_model);
    table->setItemDelegateForColumn(TestsModel::SampleColumn, new SampleDelegate(table));
    table->setItemDelegateForColumn(TestsModel::ExpectColumn, new ExpectationDelegate(table));
    table->setRootIsDecorated(false);
    table->setUniformRowHeights(true);
    table->setAllColumnsShowFocus(true);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A double-click shows the sample in the source text; a click on a selected cell, F2 or typing edits.
    table->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    table->setColumnWidth(TestsModel::SampleColumn, 180);
    table->setColumnWidth(TestsModel::ExpectColumn, 200);
    connect(table, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &index) { showSample(index.row()); });
    connect(table, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { popUpMenu(m_w.menu, m_w.table->viewport()->mapToGlobal(pos)); });
    auto *remove = new QShortcut(QKeySequence::Delete, table, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, &TestsController::removeTests);

    connect(m_w.addButton, &QPushButton::clicked, this, &TestsController::addTest);
    connect(m_w.removeButton, &QPushButton::clicked, this, &TestsController::removeTests);
    connect(m_w.importButton, &QPushButton::clicked, this, &TestsController::importLines);
    if (QAction *action = menuAction(m_w.menu, QStringLiteral("导入测试文件")))
        connect(action, &QAction::triggered, this, &TestsController::importFile);
    if (QAction *action = menuAction(m_w.menu, QStringLiteral("导出测试文件")))
        connect(action, &QAction::triggered, this, &TestsController::exportFile);

    // Work for a pattern the user has already changed is dropped at once; the new run follows the pause.
    connect(m_w.pattern, &PatternOwner::changed, &m_runs, &RunState::stop);
    connect(m_w.pattern, &PatternOwner::valuePublished, this, &TestsController::run);
    connect(m_model, &TestsModel::testsEdited, this, &TestsController::run);
    showTitle();
}

TestsController::~TestsController() {
    m_runs.stop();
    m_importing.stop();
}

TestedPattern TestsController::entry() const {
    TestedPattern entry = m_entry;
    // As the box is now, also within a pause: it is saved or written to a rule with the box's text.
    const PatternSnapshot &value = m_w.pattern->now();
    entry.name.clear();
    entry.pattern = value->text;
    entry.options = value->options;
    entry.tests = m_model->tests();
    return entry;
}

void TestsController::setEntry(const TestedPattern &entry) {
    m_entry = entry;
    m_entry.tests.clear();
    m_model->setTests(entry.tests);
}

void TestsController::run() {
    const PatternSnapshot value = m_w.pattern->published();
    if (m_model->tests().isEmpty()) {
        m_runs.stop();
        showTitle();
        return;
    }
    const RunState::Run run = m_runs.begin();
    TestedPattern work;
    work.pattern = value->text;
    work.options = value->options;
    work.tests = m_model->tests();
    const quint64 revision = m_model->revision();
    const bool started = runInBackground([this, run, work = std::move(work), revision] {
        QList<TestResult> results = runTests(work, [&run] { return run.isCurrent(); });
        run.deliver([this, run, results = std::move(results), revision] {
            if (!m_runs.finish(run) || m_model->revision() != revision)
                return;
            m_model->setResults(results);
            showTitle();
        });
    });
    if (!started)
        m_runs.stop();
    showTitle();
}

void TestsController::showTitle() {
    const int page = m_w.tabs->indexOf(m_w.page);
    if (page < 0)
        return;
    const TestTally counts = m_model->tally();
    m_w.tabs->setTabText(page, counts.total == 0
                                   ? kTitle
                                   : kTitle + QStringLiteral(" (通过 %1/%2)").arg(counts.passed).arg(counts.total));
}

void TestsController::addTest() {
    const int row = m_model->append({PatternTest{}});
    const QModelIndex sample = m_model->index(row, TestsModel::SampleColumn);
    m_w.table->setCurrentIndex(sample);
    m_w.table->scrollTo(sample);
    m_w.table->setFocus(Qt::OtherFocusReason);
    m_w.table->edit(sample);
}

void TestsController::removeTests() {
    QList<int> rows;
    for (const QModelIndex &index : m_w.table->selectionModel()->selectedRows())
        rows.append(index.row());
    if (rows.isEmpty() && m_w.table->currentIndex().isValid())
        rows.append(m_w.table->currentIndex().row());
    m_model->remove(rows);
}

void TestsController::importLines() {
    // The source text may be a big one still being read or joined: its lines are split on a worker.
    const RunState::Run run = m_importing.begin();
    BoxText::of(m_w.source)->take(this, [this, run](const QString &text) {
        if (!m_importing.isCurrent(run))
            return;
        const bool started = runInBackground([this, run, text] {
            QList<PatternTest> tests = samplesOf(text);
            run.deliver([this, run, tests = std::move(tests)] {
                if (!m_importing.finish(run))
                    return;
                const int first = m_model->append(tests);
                if (!tests.isEmpty())
                    m_w.table->scrollTo(m_model->index(first, 0));
                emit statusChanged(QStringLiteral("已导入 %1 个测试").arg(tests.size()));
            });
        });
        if (!started)
            m_importing.stop();
    });
}

void TestsController::importFile() {
    QWidget *window = m_w.table->window();
    const QString path = m_context.dialogs.chooseOpenFile(window, QStringLiteral("导入测试文件"), kFileFilter,
                                                          m_context.desktopDir, QStringLiteral("json"));
    if (path.isEmpty())
        return;
    const FileBytes bytes = readRegularFile(path, qint64(256) << 20);
    TestsParse parsed;
    if (bytes.status != FileReadStatus::Ok)
        parsed.error = bytes.status == FileReadStatus::Missing ? QStringLiteral("文件不存在") : bytes.error;
    else
        parsed = parseTests(bytes.bytes);
    if (!parsed.ok()) {
        m_context.dialogs.tell(window, QStringLiteral("无法导入测试文件 %1:\n%2").arg(path, parsed.error),
                               kInfoCaption, Dialogs::Icon::Warning);
        return;
    }
    QList<PatternTest> tests;
    for (const TestedPattern &entry : std::as_const(parsed.file.patterns))
        tests.append(entry.tests);
    m_model->append(tests);
    emit statusChanged(QStringLiteral("已导入 %1 个测试").arg(tests.size()));
}

void TestsController::exportFile() {
    QWidget *window = m_w.table->window();
    const QString path = m_context.dialogs.chooseSaveFile(window, QStringLiteral("导出测试文件"), kFileFilter,
                                                          m_context.desktopDir, QStringLiteral("json"));
    if (path.isEmpty())
        return;
    TestsFile file;
    file.patterns.append(entry());
    QString error;
    if (!writeWholeFile(path, serializeTests(file), &error)) {
        m_context.dialogs.tell(window, QStringLiteral("无法写入 %1:\n%2").arg(path, error), kInfoCaption,
                               Dialogs::Icon::Warning);
        return;
    }
    emit statusChanged(QStringLiteral("已导出 %1 个测试").arg(m_model->tests().size()));
}

void TestsController::showSample(int row) {
    if (row < 0 || row >= m_model->tests().size())
        return;
    TextEditor *source = m_w.source;
    if (source->isReadOnly()) {
        emit statusChanged(QStringLiteral("源文本正在载入,请稍候"));
        return;
    }
    source->replaceRange(0, source->size(), fromCrLf(m_model->tests()[row].sample));
    emit sampleShown();
}

} // namespace rw
