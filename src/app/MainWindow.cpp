#include "MainWindow.h"

#include "MainWindowUi.h"
#include "core/layout/Layout.h"
#include "core/tasks/TaskRuns.h"
#include "export/ExportController.h"
#include "files/WorkingFiles.h"
#include "import/Importer.h"
#include "match/MatchController.h"
#include "replace/ReplaceController.h"
#include "rules/RulesController.h"
#include "search/KeywordSearch.h"
#include "textbox/TextBoxMenus.h"

#include <QCloseEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>

namespace rw {

namespace {
const QSize kOuterSize(722, 530);
} // namespace

MainWindow::MainWindow(AppContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_ui(std::make_unique<MainWindowUi>(this)) {
    setObjectName(QStringLiteral("主窗口"));
    setWindowTitle(QStringLiteral("Dask_Tovanel  v1.6"));
    resize(kOuterSize.width() - 6, kOuterSize.height() - 34);
    m_match = new MatchController(*m_ui, this);
    m_replace = new ReplaceController(*m_ui, m_context, this);
    new ExportController(*m_ui, m_context, this);
    new TextBoxMenus(*m_ui, m_context, this);
    m_importer = new Importer(*m_ui, m_context, this);
    m_search = new KeywordSearch(*m_ui, m_context, this);
    setAcceptDrops(true);
    m_rules = new RulesController({m_ui->rulesList, m_ui->cellEditor, m_ui->rulesMenu}, m_context, this);
    m_files = new WorkingFiles(
        {m_ui->expression, m_ui->notes, m_ui->sourceText, this}, m_context,
        [rules = m_rules] { return rules->rules(); }, this);
    connect(m_files, &WorkingFiles::rulesLoaded, m_rules, &RulesController::addLoadedRules);
    connect(m_files, &WorkingFiles::aboutToSave, m_rules, &RulesController::commitEdit);
    connect(m_files, &WorkingFiles::statusChanged, this,
            [this](const QString &text) { m_ui->setStatus(text); });
    m_files->startLoading();
}

MainWindow::~MainWindow() {
    // Hiding moves the focus, which commits an open rules edit: let that happen while the controls and
    // the controllers still exist, not in the base destructor after the members are gone.
    hide();
    // Tasks post to the controllers: let every abandoned one end before they go.
    m_match->abandon();
    m_replace->abandon();
    m_importer->abandon();
    m_search->abandon();
    m_files->abandon();
    if (TaskPool *pool = TaskPool::current())
        pool->waitForIdle();
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
        // The outer size counts the frame, which is known only once the window is shown.
        const QSize frame = frameGeometry().size() - geometry().size();
        resize(kOuterSize - frame);
        if (QScreen *screen = this->screen()) {
            QRect outer(QPoint(), kOuterSize);
            outer.moveCenter(screen->availableGeometry().center());
            move(outer.topLeft());
        }
    }
    relayout();
}

void MainWindow::relayout() {
    m_ui->apply(computeLayout(width(), height()), width(), height());
}

} // namespace rw
