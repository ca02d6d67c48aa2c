#include "FirstScreenShown.h"

#include "BoxText.h"
#include "core/tasks/TaskPool.h"
#include "editor/TextEditor.h"

namespace rw {

void FirstScreenShown::show(TextStore first) {
    if (!m_before) {
        // A snapshot shares the chunks: keeping the text costs neither a copy of it nor of its line index.
        m_before = Before{m_box->snapshot(), m_box->anchorPosition(), m_box->cursorPosition(), m_box->isReadOnly()};
        m_box->setReadOnly(true);
        BoxText::of(m_box)->hold();
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
    m_box->setStore(TextStore(m_before->text));
    m_box->setSelection(m_before->anchor, m_before->cursor);
    end();
}

void FirstScreenShown::end() {
    if (!m_before)
        return;
    // Hundreds of megabytes may go with the last hold on the text from before.
    freeInBackground(std::exchange(m_before->text, {}));
    m_before.reset();
    // Only now, with the text in place, do the takers get it.
    BoxText::of(m_box)->release();
}

} // namespace rw
