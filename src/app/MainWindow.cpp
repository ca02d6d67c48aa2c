#include "MainWindow.h"

#include "MainWindowUi.h"
#include "WindowShortcuts.h"
#include "convert/CodeController.h"
#include "core/layout/Layout.h"
#include "export/ExportController.h"
#include "files/WorkingFiles.h"
#include "import/Importer.h"
#include "live/LiveController.h"
#include "match/MatchController.h"
#include "pattern/PatternHighlighter.h"
#include "pattern/PatternOwner.h"
#include "pattern/explain/CostController.h"
#include "pattern/explain/ExplanationController.h"
#include "patterntests/TestsController.h"
#include "patterntests/TestsModel.h"
#include "platform/AppContext.h"
#include "platform/Dialogs.h"
#include "platform/SettingsFile.h"
#include "replace/ReplaceController.h"
#include "results/ResultsModel.h"
#include "results/ResultsView.h"
#include "rules/RulesController.h"
#include "search/KeywordSearch.h"
#include "textbox/BoxLoader.h"
#include "textbox/TextBoxMenus.h"
#include "textbox/TextEditor.h"

#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSessionManager>
#include <QTabWidget>

namespace rw {

namespace {
const QSize kOuterSize(722, 530);
// The pages of 高级选择夹2.
constexpr int kResultsPage = 0;
constexpr int kReplaceResultPage = 2;
// Where settings.ini keeps 选择框_逐行匹配.
const QString kPerLineKey = QStringLiteral("match/perLine");
} // namespace

MainWindow::MainWindow(AppContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_ui(std::make_unique<MainWindowUi>(this)) {
    setObjectName(QStringLiteral("主窗口"));
    setWindowTitle(QStringLiteral("Dask_Tovanel  v1.6"));
    resize(kOuterSize.width() - 6, kOuterSize.height() - 34);
    setMinimumSize(minimumClientSize());
    MainWindowUi &ui = *m_ui;
    // Line by line is kept between sessions; read before the pattern's owner reads the boxes.
    keepFlag(ui.checkPerLine, m_context.programDir, kPerLineKey, false);
    m_pattern = std::make_unique<PatternOwner>(
        PatternInputs{ui.expression, ui.checkCase, ui.checkMultiline, ui.checkGlobal, ui.checkPerLine});
    PatternOwner *pattern = m_pattern.get();
    // The box owns it (its colours go with it); it follows the box's document through the loader's swap.
    new PatternHighlighter(pattern);
    auto showStatus = [&ui](const QString &text) { ui.setStatus(text); };
    m_sourceLoader = std::make_unique<BoxLoader>(ui.sourceText);

    m_match = std::make_unique<MatchController>(
        MatchWidgets{pattern, ui.sourceText, ui.matchButton, ui.resultsList});
    connect(m_match.get(), &MatchController::statusChanged, this, showStatus);
    connect(m_match.get(), &MatchController::finished, this,
            [&ui] { ui.tabs2->setCurrentIndex(kResultsPage); });

    m_replace = std::make_unique<ReplaceController>(
        ReplaceWidgets{pattern, ui.sourceText, ui.replaceResult, ui.replaceButton}, m_context);
    connect(m_replace.get(), &ReplaceController::statusChanged, this, showStatus);
    connect(m_replace.get(), &ReplaceController::resultShown, this,
            [&ui] { ui.tabs2->setCurrentIndex(kReplaceResultPage); });

    m_export = std::make_unique<ExportController>(ExportWidgets{ui.resultsList, ui.resultsMenu}, m_context,
                                                  [this] { return m_match->model()->table(); });
    connect(m_export.get(), &ExportController::statusChanged, this, showStatus);

    m_menus = std::make_unique<TextBoxMenus>(
        TextBoxMenuWidgets{ui.sourceText, ui.replaceResult, ui.sourceMenu, ui.replaceMenu}, *m_sourceLoader,
        m_context);

    // A file dropped on any text box loads into the source text instead of inserting its name.
    QList<QWidget *> dropTargets;
    for (QAbstractScrollArea *box : std::initializer_list<QAbstractScrollArea *>{
             ui.expression, ui.notes, ui.about, ui.sourceText, ui.replaceResult})
        dropTargets << box->viewport();
    for (QLineEdit *line : {ui.cellEditor, ui.keyword})
        dropTargets << line;
    m_importer =
        std::make_unique<Importer>(ImportWidgets{ui.importButton, dropTargets}, *m_sourceLoader, m_context);

    m_live = std::make_unique<LiveController>(LiveWidgets{pattern, ui.sourceText, ui.checkLive, ui.liveLabel},
                                              m_context);
    // Match lists what the live search finds when that search is its very own.
    m_match->setSearchElsewhere(
        [this](const QString &expression, const RegexOptions &options, quint64 revision, FoundWaiter waiter) {
            return m_live->join(expression, options, revision, std::move(waiter));
        });
    m_explanation = std::make_unique<ExplanationController>(ExplanationWidgets{pattern, ui.explanationTree});
    // The tree starts with the pattern's backtracking cost.
    m_cost = std::make_unique<CostController>(CostWidgets{pattern, ui.explanationTree, ui.sourceText});
    connect(m_explanation.get(), &ExplanationController::explained, m_cost.get(), &CostController::explained);

    m_tests = std::make_unique<TestsController>(
        TestsWidgets{pattern, ui.tabs2, ui.testsPage, ui.testsTable, ui.addTestButton, ui.removeTestButton,
                     ui.importTestsButton, ui.testsMenu, ui.sourceText},
        m_context);
    connect(m_tests.get(), &TestsController::statusChanged, this, showStatus);
    connect(m_tests.get(), &TestsController::sampleShown, this,
            [&ui] { ui.tabs2->setCurrentWidget(ui.sourceText->parentWidget()); });

    m_code = std::make_unique<CodeController>(CodeWidgets{pattern, ui.codeButton, ui.sourceText, this},
                                              [this] { return m_replace->replacement(); });

    m_search = std::make_unique<KeywordSearch>(
        KeywordSearchWidgets{ui.keyword, ui.searchButton, ui.sourceText}, m_context);
    connect(m_search.get(), &KeywordSearch::statusChanged, this, showStatus);
    setAcceptDrops(true);
    m_rules =
        std::make_unique<RulesController>(RulesWidgets{ui.rulesList, ui.cellEditor, ui.rulesMenu}, m_context);
    m_files = std::make_unique<WorkingFiles>(
        WorkingFilesWidgets{ui.expression, ui.notes, ui.sourceText, this}, *m_sourceLoader, m_context,
        [rules = m_rules.get()] { return rules->rules(); });
    connect(m_files.get(), &WorkingFiles::rulesLoaded, m_rules.get(), &RulesController::addLoadedRules);
    // Each rule keeps its tests in gz.tests.json, the box's pattern in bds.tests.json.
    m_files->setCurrentTests([this] {
        WorkingFiles::Tests tests;
        tests.box.patterns.append(m_tests->entry());
        tests.rules = m_rules->testsFile();
        return tests;
    });
    connect(m_files.get(), &WorkingFiles::rulesTestsLoaded, m_rules.get(), &RulesController::setTestsFile);
    connect(m_files.get(), &WorkingFiles::boxTestsLoaded, m_tests.get(), &TestsController::setEntry);
    m_rules->setBoxEntry([this] { return m_tests->entry(); });
    connect(m_rules.get(), &RulesController::putIntoBox, this, &MainWindow::putRuleIntoBox);
    connect(m_files.get(), &WorkingFiles::aboutToSave, m_rules.get(), &RulesController::commitEdit);
    // A file still being imported has not come in: the source text saved is the one from before it.
    connect(m_files.get(), &WorkingFiles::aboutToSave, m_sourceLoader.get(), &BoxLoader::abandon);
    connect(m_files.get(), &WorkingFiles::statusChanged, this, showStatus);
    // The desktop session ending (logout, shutdown) would kill the program with its changes unsaved: when
    // the session manager lets it ask, it asks as a close does. Without that leave, nothing changes.
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
        if (!manager.allowsInteraction())
            return;
        const bool goOn = m_files->saveForSessionEnd();
        manager.release();
        if (!goOn)
            manager.cancel();
    });
    m_files->startLoading();
    installShortcuts();
    m_ui->about->appendPlainText(QStringLiteral("工作文件目录: ") +
                                 QDir::toNativeSeparators(m_context.programDir));
}

// The commands go first (members), each abandoning its runs; the controls go after them, in ~QWidget.
MainWindow::~MainWindow() = default;

void MainWindow::openFile(const QString &path) {
    // Started after the start-up load of test.txt, the file's load is the newer one: it is what stays.
    m_importer->load(path);
}

// A file of any kind dropped anywhere on the window goes to the source text; of several, the first.
void MainWindow::dragEnterEvent(QDragEnterEvent *event) {
    if (!Importer::droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent *event) {
    if (!Importer::droppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event) {
    const QString path = Importer::droppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    m_importer->load(path);
}

void MainWindow::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    relayout();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    if (m_files->confirmClose())
        event->accept();
    else
        event->ignore();
}

void MainWindow::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        if (QScreen *screen = this->screen())
            placeIn(screen->availableGeometry());
    }
    relayout();
}

void MainWindow::placeIn(const QRect &available) {
    // The outer size counts the frame, which is known only once the window is shown.
    const QSize frame = frameGeometry().size() - geometry().size();
    const QRect outer = fitToArea(kOuterSize, minimumSize() + frame, available);
    resize(outer.size() - frame);
    move(outer.topLeft());
}

void MainWindow::putRuleIntoBox(const Rule &rule, const std::optional<TestedPattern> &tests) {
    // The box's own tests would be replaced by the rule's: asked first, as they may be the only copy.
    const QList<PatternTest> &boxTests = m_tests->model()->tests();
    const QList<PatternTest> ruleTests = tests ? tests->tests : QList<PatternTest>();
    if (!boxTests.isEmpty() && boxTests != ruleTests &&
        !m_context.dialogs.askYesNo(
            this, QStringLiteral("表达式框现有的 %1 个测试将被这条规则的测试替换,是否继续?").arg(boxTests.size()),
            kInfoCaption, Dialogs::Icon::Question))
        return;
    m_pattern->put(rule.expression, tests ? std::optional<RegexOptions>(tests->options) : std::nullopt);
    m_tests->setEntry(tests.value_or(TestedPattern{}));
    m_ui->tabs1->setCurrentWidget(m_ui->expression->parentWidget());
}

void MainWindow::installShortcuts() {
    MainWindowUi &ui = *m_ui;
    auto *keys = new WindowShortcuts(this);
    // A key starts Match as the idle button does; it never stops a run (Esc does).
    connect(keys, &WindowShortcuts::matchRequested, this, [this, &ui] {
        if (!m_match->runState().isRunning() && ui.matchButton->isEnabled())
            m_match->toggle();
    });
    connect(keys, &WindowShortcuts::stopRequested, this, [this] {
        m_match->stop();
        m_replace->stop();
    });
    auto updateStop = [this, keys] {
        keys->setStopEnabled(m_match->runState().isRunning() || m_replace->runState().isRunning());
    };
    connect(&m_match->runState(), &RunState::runningChanged, keys, updateStop);
    connect(&m_replace->runState(), &RunState::runningChanged, keys, updateStop);
    connect(keys, &WindowShortcuts::findRequested, this, [&ui] {
        ui.tabs2->setCurrentWidget(ui.keyword->parentWidget());
        ui.keyword->setFocus(Qt::ShortcutFocusReason);
        ui.keyword->selectAll();
    });
}

void MainWindow::relayout() {
    m_ui->apply(computeLayout(width(), height()), width(), height());
}

} // namespace rw
