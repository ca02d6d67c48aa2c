#include "TestWindow.h"

#include "app/MainWindowUi.h"

#include <QLabel>

namespace rw {

TestWindow::TestWindow(const std::function<void(const QString &)> &prepare)
{
    if (prepare)
        prepare(programDir.path());
    m_window = std::make_unique<MainWindow>(context);
    m_window->show();
    if (!QTest::qWaitForWindowExposed(m_window.get()))
        qWarning("the main window was not exposed");
}

TestWindow::~TestWindow() = default;

QString TestWindow::status() { return m_window->ui().status(); }

bool TestWindow::waitForCaption(const QString &buttonName, const QString &caption, int timeoutMs)
{
    auto *button = find<QAbstractButton>(buttonName);
    return button && QTest::qWaitFor([&] { return button->text() == caption; }, timeoutMs);
}

} // namespace rw
