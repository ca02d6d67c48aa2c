#include "TestWindow.h"

#include "app/MainWindowUi.h"
#include "app/WorkingFiles.h"

#include <QLabel>

namespace rw {

TestWindow::TestWindow(const std::function<void(const QString &)> &prepare, bool waitForLoader)
{
    if (prepare)
        prepare(programDir.path());
    m_window = std::make_unique<MainWindow>(context);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qWarning("the main window was not exposed");
    // Tests set the boxes themselves: let the start-up loader fill them first.
    if (waitForLoader && !QTest::qWaitFor([this] { return !m_window->workingFiles()->isLoading(); }, 30000))
        qWarning("the working files did not finish loading");
}

TestWindow::~TestWindow() = default;

QString TestWindow::status() { return m_window->ui().status(); }

bool TestWindow::waitForCaption(const QString &buttonName, const QString &caption, int timeoutMs)
{
    auto *button = find<QAbstractButton>(buttonName);
    return button && QTest::qWaitFor([&] { return button->text() == caption; }, timeoutMs);
}

} // namespace rw
