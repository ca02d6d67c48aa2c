#pragma once

#include "textbox/TextEditor.h"

#include <QPoint>
#include <QRect>
#include <QTest>

namespace rw {

// A shown text box of a known size with the focus, for tests that send it real events.
struct ShownEditor {
    TextEditor box;
    ShownEditor() {
        box.resize(400, 200);
        box.show();
        box.activateWindow();
        box.setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
    }
    // The point just inside the caret's place before position, on its row.
    QPoint pointAt(qsizetype position) const {
        const QRect r = box.cursorRect(position);
        return QPoint(r.x() + 1, r.center().y());
    }
};

} // namespace rw
