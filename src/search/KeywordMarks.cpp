#include "KeywordMarks.h"

#include "textbox/TextEditor.h"

#include <QColor>
#include <QFont>
#include <QStringList>

namespace rw {

namespace {
const QColor kFoundColour(255, 128, 0);
const QColor kVisitedColour(0, 136, 255);
} // namespace

KeywordMarks::KeywordMarks(TextEditor *box) : m_box(box) {
    for (const MarkList::Kind kind : {MarkList::Kind::Found, MarkList::Kind::Visited})
        m_box->setMarkFormat(kLayer, kind, format(kind, m_box->font()));
}

QTextCharFormat KeywordMarks::format(MarkList::Kind kind, const QFont &boxFont) {
    QStringList families{QStringLiteral("宋体")};
    for (const QString &family : boxFont.families())
        if (!families.contains(family))
            families.append(family);
    QTextCharFormat f;
    f.setFontFamilies(families);
    f.setFontPointSize(9);
    f.setFontWeight(QFont::Normal);
    f.setFontItalic(false);
    f.setFontUnderline(false);
    f.setFontStrikeOut(false);
    f.setVerticalAlignment(QTextCharFormat::AlignNormal);
    f.setForeground(kind == MarkList::Kind::Found ? kFoundColour : kVisitedColour);
    return f;
}

void KeywordMarks::markFound(MarkList found) {
    m_box->marks(kLayer) = std::move(found);
    m_box->marksChanged();
}

void KeywordMarks::markVisited(qsizetype start, qsizetype length) {
    m_box->marks(kLayer).paint(start, length, MarkList::Kind::Visited);
    m_box->marksChanged(start, start + length);
}

const MarkList &KeywordMarks::marks() const {
    return m_box->marks(kLayer);
}

} // namespace rw
