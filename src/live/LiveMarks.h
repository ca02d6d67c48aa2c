#pragma once

#include "core/regex/MatchSet.h"
#include "textbox/MarkSource.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <functional>
#include <utility>

class QRectF;

namespace rw {

class TextEditor;

// Matches found over a stretch of the source text, as the engine counts it ("\r\n" line breaks).
struct LiveFinds {
    // Shared, so that Match can list the very matches a finished live run found.
    std::shared_ptr<const MatchSet> matches = std::make_shared<const MatchSet>();
    qsizetype base = 0; // the engine offset the set's offsets count from
    qsizetype from = 0; // the stretch that was searched, [from, to)
    qsizetype to = 0;
    qsizetype firstNumber = 0; // the number of the set's first match in the whole text; 0 when not known
};

// The live highlight of a source box: the matches in view as light backgrounds, a source of marks the
// box paints beneath its text (so every colour the text itself carries, such as the keyword search's,
// stays on top). The box asks only for the stretch in view, so the cost of a repaint does not grow with
// the number of matches. Scrolling needs no work beyond the repaint while the offsets cover the text.
//
// The offsets refer to the box's text as it was when they were shown: once the text changes nothing is
// shown until other matches are (the controller drops them on every edit anyway).
class LiveMarks final : public QObject, public MarkSource {
    Q_OBJECT
public:
    // One marked stretch in view, in box positions (a match over several rows gives one per row).
    struct Mark {
        qsizetype position = 0;
        qsizetype length = 0; // 0 for an empty match
        qsizetype match = 0;  // index of the match in the finds shown
    };

    explicit LiveMarks(TextEditor *box, QObject *parent = nullptr);
    ~LiveMarks() override;

    // The text the offsets of the finds refer to (shared, not copied); tooltips quote it.
    void setSubject(const QString &subject) { m_subject = subject; }
    // Shows the matches over the whole text, replacing whatever was shown.
    void showWhole(LiveFinds finds);
    // Shows the matches over a stretch (the part in view, searched first), unless the whole text's are shown.
    void showPart(LiveFinds finds);
    // The matches shown are an older run's: they stay in sight until a part or the whole replaces them.
    void markStale();
    // Removes every mark and forgets the subject.
    void clear();

    // Whether the matches shown cover the engine offsets [from, to).
    bool covers(qsizetype from, qsizetype to) const;
    bool hasWhole() const { return m_whole; }
    // The engine offsets of the text in view, [first, second): from the start of the top line and up to
    // the end of the bottom line's break, but never more than a piece of a long line beyond the view.
    std::pair<qsizetype, qsizetype> visibleRange() const;
    // The marks in view as they are painted.
    QList<Mark> visibleMarks() const;
    // The tooltip for a point of the box's viewport: the match under it, or empty.
    QString toolTipAt(QPoint point) const;

    // Each match over [from, to] as a background in one of two alternating colours, an empty one as a
    // bar, and each group's part in a tint of the group's colour with a line under it.
    void marksIn(qsizetype from, qsizetype to, std::vector<MarkSource::Mark> &marks) const override;

signals:
    // Other matches are shown (or none).
    void changed();
    // The box scrolled, changed size or changed its text: other rows are in view.
    void viewMoved();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using Visit = std::function<bool(const Mark &mark, const QRectF &rect)>;
    // Calls visit for each row piece of a match in view with its rectangle in the viewport, until it
    // returns false.
    void visitVisible(const Visit &visit) const;
    // Calls visit with the index of each match over the engine offsets [from, to), until it returns false.
    void forMatches(qsizetype from, qsizetype to, const std::function<bool(qsizetype match)> &visit) const;
    void shown();

    QPointer<TextEditor> m_box;
    LiveFinds m_finds;
    bool m_shown = false;
    bool m_whole = false;
    // The box's revision when the finds were shown.
    quint64 m_revision = 0;
    QString m_subject;
};

} // namespace rw
