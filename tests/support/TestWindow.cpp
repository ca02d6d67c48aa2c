#include "TestWindow.h"

#include "app/MainWindowUi.h"
#include "files/WorkingFiles.h"
#include "textbox/TextEditor.h"

#include <QAction>
#include <QCoreApplication>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>

namespace rw {

TestWindow::TestWindow(const std::function<void(const QString &)> &prepare, bool waitForLoader) {
    if (prepare)
        prepare(programDir.path());
    m_window = std::make_unique<MainWindow>(context);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qWarning("the main window was not exposed");
    // Tests set the boxes themselves: let the start-up loader fill them first.
    if (waitForLoader && !QTest::qWaitFor([this] { return !m_window->workingFiles()->isLoading(); }, 60000))
        qWarning("the working files did not finish loading");
}

TestWindow::~TestWindow() = default;

QString TestWindow::status() {
    return m_window->ui().status();
}

bool TestWindow::waitForCaption(const QString &buttonName, const QString &caption, int timeoutMs) {
    auto *button = find<QAbstractButton>(buttonName);
    return button && QTest::qWaitFor([&] { return button->text() == caption; }, timeoutMs);
}

bool TestWindow::clickAndWait(const QString &buttonName, const QString &idleCaption, int timeoutMs) {
    auto *button = find<QAbstractButton>(buttonName);
    if (!button)
        return false;
    QTest::mouseClick(button, Qt::LeftButton);
    return waitForCaption(buttonName, idleCaption, timeoutMs);
}

QAction *TestWindow::action(const QString &menuName, const QString &caption) {
    if (auto *menu = find<QMenu>(menuName)) {
        for (QAction *item : menu->actions()) {
            if (item->text() == caption)
                return item;
        }
    }
    qWarning("no item %s in %s", qPrintable(caption), qPrintable(menuName));
    return nullptr;
}

void TestWindow::setInputs(const QString &expression, const QString &source) {
    m_window->ui().expression->setPlainText(expression);
    m_window->ui().sourceText->setPlainText(source);
}

void TestWindow::dropFiles(const QStringList &paths, QWidget *target) {
    QWidget *on = target ? target : m_window.get();
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &p : paths)
        urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    const QPoint at = on->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &enter);
    QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(on, &dropped);
}

void settleTasks(TaskPool &pool) {
    // A delivery may start another task (a load hands its text on), so go round until both are quiet.
    do {
        pool.waitForIdle();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    } while (pool.activeCount() > 0);
}

} // namespace rw
