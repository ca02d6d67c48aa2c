#include "MainWindow.h"

#include "MainWindowUi.h"
#include "layout/Layout.h"
#include "match/MatchController.h"
#include "tasks/TaskRuns.h"

#include <QGuiApplication>
#include <QResizeEvent>
#include <QScreen>

namespace rw {

namespace {
const QSize kOuterSize(722, 530);
} // namespace

MainWindow::MainWindow(AppContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_ui(std::make_unique<MainWindowUi>(this))
{
    setObjectName(QStringLiteral("主窗口"));
    setWindowTitle(QStringLiteral("Dask_Tovanel  v1.6"));
    resize(kOuterSize.width() - 6, kOuterSize.height() - 34);
    m_match = new MatchController(*m_ui, this);
}

MainWindow::~MainWindow()
{
    // Tasks post to the controllers: let every abandoned one end before they go.
    m_match->abandon();
    taskPool()->waitForDone();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void MainWindow::showEvent(QShowEvent *event)
{
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

void MainWindow::relayout()
{
    m_ui->apply(computeLayout(width(), height()), width(), height());
}

} // namespace rw
