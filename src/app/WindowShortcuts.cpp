#include "WindowShortcuts.h"

#include <QShortcut>
#include <QWidget>

namespace rw {

namespace {
QShortcut *windowShortcut(QWidget *window, const QList<QKeySequence> &keys, const char *name) {
    auto *shortcut = new QShortcut(window);
    shortcut->setObjectName(QString::fromLatin1(name));
    shortcut->setKeys(keys);
    shortcut->setContext(Qt::WindowShortcut);
    return shortcut;
}
} // namespace

WindowShortcuts::WindowShortcuts(QWidget *window) : QObject(window) {
    QShortcut *match = windowShortcut(window,
                                      {QKeySequence(Qt::CTRL | Qt::Key_Return),
                                       QKeySequence(Qt::CTRL | Qt::Key_Enter), QKeySequence(Qt::Key_F5)},
                                      "快捷键_匹配");
    connect(match, &QShortcut::activated, this, &WindowShortcuts::matchRequested);
    m_stop = windowShortcut(window, {QKeySequence(Qt::Key_Escape)}, "快捷键_停止");
    m_stop->setEnabled(false);
    connect(m_stop, &QShortcut::activated, this, &WindowShortcuts::stopRequested);
    QShortcut *find = windowShortcut(window, {QKeySequence(Qt::CTRL | Qt::Key_F)}, "快捷键_搜索");
    connect(find, &QShortcut::activated, this, &WindowShortcuts::findRequested);
}

void WindowShortcuts::setStopEnabled(bool enabled) {
    m_stop->setEnabled(enabled);
}

} // namespace rw
