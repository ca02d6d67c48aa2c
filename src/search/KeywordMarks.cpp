#include "KeywordMarks.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

namespace rw {

namespace {
// Longest stretch of marking work between two turns of the event loop.
constexpr qint64 kSliceMillis = 15;
const QColor kFoundColour(255, 128, 0);
const QColor kVisitedColour(0, 136, 255);
} // namespace

KeywordMarks *KeywordMarks::of(QTextDocument *doc) {
    if (auto *marks = doc->findChild<KeywordMarks *>(QString(), Qt::FindDirectChildrenOnly))
        return marks;
    return new KeywordMarks(doc);
}

KeywordMarks::KeywordMarks(QTextDocument *doc)
    : QObject(doc), m_doc(doc), m_found(format(MarkList::Kind::Found, doc)),
      m_visited(format(MarkList::Kind::Visited, doc)) {
    connect(doc, &QTextDocument::contentsChange, this, &KeywordMarks::onContentsChange);
}

QTextCharFormat KeywordMarks::format(MarkList::Kind kind, const QTextDocument *doc) {
    QStringList families{QStringLiteral("宋体")};
    for (const QString &family : doc->defaultFont().families())
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

void KeywordMarks::markFound(const std::vector<qsizetype> &starts, qsizetype length) {
    // The blocks of the old marks lose their colours in the same pass that gives the new ones theirs.
    std::vector<MarkList::Mark> stretches(m_marks.all().begin(), m_marks.all().end());
    m_marks.assign(starts, length, MarkList::Kind::Found);
    stretches.insert(stretches.end(), m_marks.all().begin(), m_marks.all().end());
    schedule(std::move(stretches));
}

void KeywordMarks::clear() {
    std::vector<MarkList::Mark> stretches(m_marks.all().begin(), m_marks.all().end());
    m_marks.clear();
    schedule(std::move(stretches));
}

void KeywordMarks::markVisited(qsizetype start, qsizetype length) {
    m_marks.paint(start, length, MarkList::Kind::Visited);
    for (QTextBlock block = m_doc->findBlock(int(start));
         block.isValid() && block.position() < start + length; block = block.next())
        refresh(block);
}

void KeywordMarks::schedule(std::vector<MarkList::Mark> stretches) {
    stretches.insert(stretches.end(), m_pending.all().begin(), m_pending.all().end());
    m_pending.assignStretches(std::move(stretches));
    // The pass starts over from the front; one already waiting for its next slice carries on with it.
    m_refreshedTo = 0;
    if (m_sliceQueued)
        return;
    applySlice();
}

void KeywordMarks::applySlice() {
    m_sliceQueued = false;
    if (m_pending.isEmpty()) {
        emit applied();
        return;
    }
    QElapsedTimer spent;
    spent.start();
    // Each refreshed block would have the box adjust its scroll bars and schedule a repaint; once per
    // slice is enough.
    QAbstractTextDocumentLayout *layout = m_doc->documentLayout();
    const auto settle = qScopeGuard([this, layout] {
        emit layout->documentSizeChanged(layout->documentSize());
        emit layout->update(QRectF(0., -m_doc->documentMargin(), 1000000000., 1000000000.));
    });
    const QSignalBlocker quiet(layout);
    qsizetype next = m_pending.firstEndingAfter(m_refreshedTo);
    while (next < m_pending.size()) {
        const qsizetype at = std::max(m_pending.all()[next].start, m_refreshedTo);
        const QTextBlock block = m_doc->findBlock(int(at));
        if (!block.isValid())
            break;
        refresh(block);
        m_refreshedTo = block.position() + block.length();
        next = m_pending.firstEndingAfter(m_refreshedTo);
        if (next < m_pending.size() && spent.elapsed() >= kSliceMillis) {
            m_sliceQueued = true;
            QTimer::singleShot(0, this, &KeywordMarks::applySlice);
            return;
        }
    }
    m_pending.clear();
    m_refreshedTo = 0;
    emit applied();
}

void KeywordMarks::refresh(const QTextBlock &block) {
    const qsizetype blockStart = block.position();
    const qsizetype blockEnd = blockStart + block.length() - 1;
    QList<QTextLayout::FormatRange> ranges;
    for (const MarkList::Mark &m : m_marks.overlapping(blockStart, blockEnd)) {
        const qsizetype from = std::max(m.start, blockStart);
        const qsizetype to = std::min(m.end(), blockEnd);
        ranges.append(
            {int(from - blockStart), int(to - from), m.kind == MarkList::Kind::Found ? m_found : m_visited});
    }
    QTextLayout *layout = block.layout();
    if (ranges.isEmpty() && layout->formats().isEmpty())
        return;
    layout->setFormats(ranges);
    m_doc->markContentsDirty(int(blockStart), block.length());
}

void KeywordMarks::onContentsChange(int from, int removed, int added) {
    if (m_marks.isEmpty() && m_pending.isEmpty())
        return;
    m_marks.adjust(from, removed, added);
    m_pending.adjust(from, removed, added);
    if (from < m_refreshedTo)
        m_refreshedTo = std::max<qsizetype>(from, m_refreshedTo + added - removed);
    // The block where the edit begins keeps its layout and so its old formats; the one where it ends may
    // too; any other block in between is new. Those and the blocks of marks inside get their colours now.
    const QTextBlock first = m_doc->findBlock(from);
    const QTextBlock last = m_doc->findBlock(from + added);
    if (first.isValid())
        refresh(first);
    if (last.isValid() && last != first)
        refresh(last);
    for (const MarkList::Mark &m : m_marks.overlapping(from, from + added)) {
        const QTextBlock block = m_doc->findBlock(int(m.start));
        if (block != first && block != last)
            refresh(block);
    }
}

} // namespace rw
