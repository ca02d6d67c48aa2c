#pragma once

#include "core/search/MarkList.h"

#include <QObject>
#include <QString>
#include <QTextCharFormat>

#include <vector>

class QTextBlock;
class QTextDocument;

namespace rw {

// The keyword search's colours in one document, drawn as layout formats (as a syntax highlighter does),
// so that the text, its character formats and its undo history stay untouched. The marks follow the
// text through edits. Marking many occurrences is spread over short slices of the event loop.
// Lives as the document's child and goes with it.
class KeywordMarks final : public QObject {
    Q_OBJECT
public:
    // The marks of doc, made on first use.
    static KeywordMarks *of(QTextDocument *doc);

    // Orange marks of length at every start, replacing all earlier marks.
    void markFound(const std::vector<qsizetype> &starts, qsizetype length);
    // Colours [start, start + length) blue over whatever was there; shows at once.
    void markVisited(qsizetype start, qsizetype length);
    // Removes every mark.
    void clear();
    // Whether some blocks still wait for their colours.
    bool isApplying() const { return !m_pending.isEmpty(); }
    const MarkList &marks() const { return m_marks; }

    // The character formats of the two kinds: 9 pt "宋体", plain, orange or blue.
    static QTextCharFormat format(MarkList::Kind kind, const QTextDocument *doc);

signals:
    // Every block shows its colours.
    void applied();

private:
    explicit KeywordMarks(QTextDocument *doc);
    void onContentsChange(int from, int removed, int added);
    // Sets the layout formats of block from the marks.
    void refresh(const QTextBlock &block);
    // Refreshes the blocks that hold [from, to), up to a time budget per slice of the event loop.
    void schedule(std::vector<MarkList::Mark> stretches);
    void applySlice();

    QTextDocument *m_doc;
    MarkList m_marks;
    // Stretches whose blocks still need a refresh, and how far the running pass has come.
    MarkList m_pending;
    qsizetype m_refreshedTo = 0;
    bool m_sliceQueued = false;
    QTextCharFormat m_found;
    QTextCharFormat m_visited;
};

} // namespace rw
