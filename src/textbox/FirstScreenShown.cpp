#include "FirstScreenShown.h"

#include "BoxText.h"
#include "editor/TextEditor.h"

namespace rw {

void FirstScreenShown::show(TextStore first) {
    if (!m_before) {
        // The store shares its chunks: keeping the text costs its index, not a copy of it.
        m_before = Before{m_box->store(), m_box->anchorPosition(), m_box->cursorPosition(), m_box->isReadOnly()};
        m_box->setReadOnly(true);
        BoxText::of(m_box)->setHeld(true);
    }
    m_box->setStore(std::move(first));
}

void FirstScreenShown::showWhole(TextStore whole) {
    // Those told of the new text find the box as it will stay.
    if (m_before)
        m_box->setReadOnly(m_before->readOnly);
    m_box->setStore(std::move(whole));
    end();
}

void FirstScreenShown::putBack() {
    if (!m_before)
        return;
    m_box->setReadOnly(m_before->readOnly);
    m_box->setStore(std::move(m_before->text));
    m_box->setSelection(m_before->anchor, m_before->cursor);
    end();
}

void FirstScreenShown::end() {
    if (!m_before)
        return;
    m_before.reset();
    // Only now, with the text in place, do the takers get it.
    BoxText::of(m_box)->setHeld(false);
}

} // namespace rw
