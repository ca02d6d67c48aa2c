#pragma once

#include "ScriptedDialogs.h"
#include "app/MainWindow.h"
#include "core/tasks/TaskPool.h"
#include "platform/AppContext.h"

#include <QAbstractButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class QAction;

namespace rw {

// Waits until no task of pool runs and everything its tasks posted has been delivered: after it, whatever a
// finished or abandoned run was going to show has shown.
void settleTasks(TaskPool &pool);

// A shown main window on the offscreen platform, with scripted dialogs, and ways to reach its controls.
class TestWindow final {
public:
    // A window over fresh, empty program and desktop directories; prepare lets a test put working files
    // into programDir before the window starts (and loads them).
    // The window returns once the start-up loader has filled the boxes, unless waitForLoader is false.
    explicit TestWindow(const std::function<void(const QString &programDir)> &prepare = {},
                        bool waitForLoader = true);
    ~TestWindow();

    MainWindow &window() { return *m_window; }
    // Destroys the window now, whatever it is doing; the directories and the pool stay.
    void destroyWindow() { m_window.reset(); }
    // The workers of this window; destroyed (joined) after it.
    TaskPool pool;
    ScriptedDialogs dialogs;
    QTemporaryDir programDir;
    QTemporaryDir desktopDir;
    // The clock the window's commands see; tests may set it.
    QDateTime now = QDateTime(QDate(2026, 12, 8), QTime(20, 5, 0));
    AppContext context{dialogs, programDir.path(), desktopDir.path(), [this] { return now; }};

    // The child with this objectName; fails the test when missing.
    template <typename T> T *find(const QString &name) {
        T *child = m_window->findChild<T *>(name);
        if (!child)
            qWarning("no control named %s", qPrintable(name));
        return child;
    }
    // The status message (part 1 of the status bar).
    QString status();
    // Waits until the button shows caption again (a background run ended); false on time-out.
    bool waitForCaption(const QString &buttonName, const QString &caption, int timeoutMs = 20000);
    // Clicks the button and waits until it shows idleCaption again; false on time-out.
    bool clickAndWait(const QString &buttonName, const QString &idleCaption, int timeoutMs = 20000);
    // The item with this caption in the context menu of that objectName; null, with a warning, when missing.
    QAction *action(const QString &menuName, const QString &caption);
    // settleTasks over this window's pool.
    void settle() { settleTasks(pool); }
    // Puts the texts into the expression box and the source-text box.
    void setInputs(const QString &expression, const QString &source);
    // Drops the files on target (the window when null) as a file manager would.
    void dropFiles(const QStringList &paths, QWidget *target = nullptr);

private:
    std::unique_ptr<MainWindow> m_window;
};

} // namespace rw
