#include "LargePaste.h"

#include "BoxLoader.h"
#include "TextEditor.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

namespace rw {

LargePaste::LargePaste(BoxLoader &loader, qsizetype threshold, QObject *parent)
    : QObject(parent), m_loader(loader), m_box(loader.box()), m_threshold(threshold) {
    m_box->installEventFilter(this);
}

bool LargePaste::isBuilding() const {
    return m_loader.isPasting();
}

bool LargePaste::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_box && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->matches(QKeySequence::Paste)) {
        paste();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void LargePaste::paste() {
    pasteOver(m_box->selectionStart(), m_box->selectionEnd());
}

void LargePaste::replaceAll() {
    pasteOver(0, m_box->size());
}

void LargePaste::pasteOver(qsizetype from, qsizetype to) {
    if (m_box->isReadOnly())
        return;
    const QString text = QGuiApplication::clipboard()->text();
    if (text.size() < m_threshold)
        m_box->replaceRange(from, to - from, text);
    else
        m_loader.paste(from, to, text);
}

} // namespace rw
