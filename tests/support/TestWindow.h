#pragma once

#include "ScriptedDialogs.h"
#include "app/MainWindow.h"

#include <QAbstractButton>
#include <QTest>

#include <memory>

namespace rw {

// A shown main window on the offscreen platform, with scripted dialogs, and ways to reach its controls.
class TestWindow final {
public:
    TestWindow();
    ~TestWindow();

    MainWindow &window() { return *m_window; }
    ScriptedDialogs dialogs;

    // The child with this objectName; fails the test when missing.
    template <typename T> T *find(const QString &name)
    {
        T *child = m_window->findChild<T *>(name);
        if (!child)
            qWarning("no control named %s", qPrintable(name));
        return child;
    }
    // The status message (part 1 of the status bar).
    QString status();
    // Waits until the button shows caption again (a background run ended); false on time-out.
    bool waitForCaption(const QString &buttonName, const QString &caption, int timeoutMs = 20000);

private:
    std::unique_ptr<MainWindow> m_window;
};

} // namespace rw
