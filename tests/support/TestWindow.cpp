#include "TestWindow.h"

#include "app/MainWindowUi.h"

#include <QLabel>

namespace rw {

TestWindow::TestWindow() : m_window(std::make_unique<MainWindow>(dialogs))
{
    m_window->show();
    QTest::qWaitForWindowExposed(m_window.get());
}

TestWindow::~TestWindow() = default;

QString TestWindow::status() { return m_window->ui().status(); }

bool TestWindow::waitForCaption(const QString &buttonName, const QString &caption, int timeoutMs)
{
    auto *button = find<QAbstractButton>(buttonName);
    return button && QTest::qWaitFor([&] { return button->text() == caption; }, timeoutMs);
}

} // namespace rw
