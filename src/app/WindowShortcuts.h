#pragma once

#include <QObject>

class QShortcut;
class QWidget;

namespace rw {

// The window-wide keys: each works wherever the focus is in the window and says what it asks for
// through a signal; the window decides what that means. Keys a text box uses itself (Ctrl+A, Ctrl+Z,
// Enter) are left to the box.
class WindowShortcuts final : public QObject {
    Q_OBJECT
public:
    // Installs the keys on window; they live as long as it.
    explicit WindowShortcuts(QWidget *window);

    // Esc stops only while something runs, so at other times it stays with the focused control
    // (closing a cell editor, a menu).
    void setStopEnabled(bool enabled);

signals:
    // Ctrl+Enter, Ctrl+Return, F5.
    void matchRequested();
    // Esc, while enabled.
    void stopRequested();
    // Ctrl+F.
    void findRequested();

private:
    QShortcut *m_stop;
};

} // namespace rw
