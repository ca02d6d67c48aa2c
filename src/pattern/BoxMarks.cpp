#include "BoxMarks.h"

#include <QPlainTextEdit>

namespace rw {

namespace {
constexpr int kLayerProperty = QTextFormat::UserProperty + 71;
} // namespace

void setBoxMarks(QPlainTextEdit *box, BoxMarkLayer layer, QList<QTextEdit::ExtraSelection> marks) {
    QList<QTextEdit::ExtraSelection> all;
    for (const QTextEdit::ExtraSelection &s : box->extraSelections()) {
        if (s.format.intProperty(kLayerProperty) != int(layer))
            all.append(s);
    }
    if (marks.isEmpty() && all.size() == box->extraSelections().size())
        return;
    for (QTextEdit::ExtraSelection &m : marks) {
        m.format.setProperty(kLayerProperty, int(layer));
        all.append(m);
    }
    box->setExtraSelections(all);
}

} // namespace rw
