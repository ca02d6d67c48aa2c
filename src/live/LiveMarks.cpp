#include "LiveMarks.h"

#include "SourcePositions.h"
#include "core/tasks/TaskPool.h"
#include "pattern/GroupColours.h"
#include "textbox/TextEditor.h"

#include <QHelpEvent>
#include <QToolTip>

#include <optional>

namespace rw {

namespace {
// Light enough that the text and the keyword colours read well over them; two, so that matches side
// by side stay apart.
const QColor kMatchColours[2] = {QColor(255, 236, 160), QColor(196, 232, 255)};
const QColor kEmptyColour(230, 130, 0);
// An empty match is a bar this wide, and reacts to the mouse a little beyond it.
constexpr qreal kEmptyWidth = 2;
constexpr qreal kEmptyReach = 3;
// Group texts longer than this are cut in a tooltip.
constexpr qsizetype kTipTextMax = 80;

// Freeing the offsets of millions of matches takes tens of milliseconds (the pages go back to the
// system): that is done on a worker, not between two frames.
void dispose(LiveFinds &finds) {
    if (!finds.matches || finds.matches->size() < 100000)
        return;
    freeInBackground(std::exchange(finds.matches, nullptr));
}

QString tipText(QStringView text) {
    QString shown = text.size() > kTipTextMax ? text.first(kTipTextMax).toString() + QStringLiteral("…")
                                              : text.toString();
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("↵"));
    return shown;
}
} // namespace

LiveMarks::LiveMarks(TextEditor *box, QObject *parent) : QObject(parent), m_box(box) {
    box->viewport()->setMouseTracking(true);
    box->viewport()->installEventFilter(this);
    box->addMarkSource(this);
    connect(box, &TextEditor::viewChanged, this, &LiveMarks::viewMoved);
}

LiveMarks::~LiveMarks() {
    if (m_box)
        m_box->removeMarkSource(this);
}

void LiveMarks::shown() {
    m_shown = true;
    m_revision = m_box->revision();
    m_box->viewport()->update();
    emit changed();
}

void LiveMarks::showWhole(LiveFinds finds) {
    dispose(m_finds);
    m_finds = std::move(finds);
    m_whole = true;
    shown();
}

void LiveMarks::showPart(LiveFinds finds) {
    if (m_whole)
        return;
    dispose(m_finds);
    m_finds = std::move(finds);
    m_whole = false;
    shown();
}

void LiveMarks::markStale() {
    m_whole = false;
    m_finds.from = m_finds.to = 0;
}

void LiveMarks::clear() {
    const bool had = m_shown;
    dispose(m_finds);
    m_finds = LiveFinds();
    m_shown = m_whole = false;
    m_subject.clear();
    if (had) {
        m_box->viewport()->update();
        emit changed();
    }
}

bool LiveMarks::covers(qsizetype from, qsizetype to) const {
    if (!m_shown || m_revision != m_box->revision())
        return false;
    return m_whole || (m_finds.from <= from && to <= m_finds.to);
}

std::pair<qsizetype, qsizetype> LiveMarks::visibleRange() const {
    const TextStore &store = m_box->store();
    const SourcePositions positions(store);
    const auto [first, last] = m_box->visibleRange();
    // Whole lines, so that what comes before the view on its top line counts for a match in view; but
    // not the rest of a line too long to lay out whole.
    const qsizetype topStart = store.lineStart(store.lineAt(first));
    const qsizetype from = first - topStart <= TextEditor::kWholeLine ? topStart : first;
    const qsizetype bottomLine = store.lineAt(last);
    const qsizetype bottomEnd = store.lineStart(bottomLine) + store.lineLength(bottomLine);
    if (bottomEnd - last > TextEditor::kWholeLine)
        return {positions.toEngine(from), positions.toEngine(last)};
    // Up to the end of the bottom line's break, so that a match ending in it counts as in view.
    const qsizetype lineBreak = bottomLine + 1 < store.lineCount() ? 2 : 0;
    return {positions.toEngine(from), positions.toEngine(bottomEnd) + lineBreak};
}

void LiveMarks::forMatches(qsizetype from, qsizetype to, const std::function<bool(qsizetype)> &visit) const {
    static const MatchSet none;
    const MatchSet &set = m_finds.matches ? *m_finds.matches : none;
    const qsizetype n = set.size();
    if (!m_shown || n == 0 || !m_box || m_revision != m_box->revision())
        return;
    const auto startOf = [&](qsizetype i) { return m_finds.base + set.start(i, 0); };
    const auto endOf = [&](qsizetype i) { return m_finds.base + set.end(i, 0); };
    // Matches come in order and never overlap, so their ends ascend too: the first one in the stretch is
    // found by bisection and the rest follow on.
    qsizetype i = 0;
    for (qsizetype hi = n; i < hi;) {
        const qsizetype mid = i + (hi - i) / 2;
        if (endOf(mid) < from)
            i = mid + 1;
        else
            hi = mid;
    }
    for (; i < n && startOf(i) < to; ++i)
        if (!visit(i))
            return;
}

void LiveMarks::visitVisible(const Visit &visit) const {
    if (!m_box || !m_finds.matches)
        return;
    const MatchSet &set = *m_finds.matches;
    const SourcePositions positions(m_box->store());
    const auto [first, last] = m_box->visibleRange();
    bool going = true;
    // An empty match inside the bottom line's "\r\n" shows at that line's end.
    forMatches(positions.toEngine(first), positions.toEngine(last) + 2, [&](qsizetype i) {
        const qsizetype from = positions.toBox(m_finds.base + set.start(i, 0));
        const qsizetype to = positions.toBox(m_finds.base + set.end(i, 0));
        if (set.start(i, 0) == set.end(i, 0)) {
            // A long line's piece boundary is both the end of one row and the start of the next: the bar
            // goes where the cursor would, on the later row.
            std::optional<QRectF> at;
            m_box->visitRows(from, from, [&](qsizetype, qsizetype, const QRectF &rect) {
                at = rect;
                return true;
            });
            if (at)
                going = visit(Mark{from, 0, i},
                              QRectF(at->left() - kEmptyWidth / 2, at->top(), kEmptyWidth, at->height()));
        } else if (from < to) { // not only a line break
            m_box->visitRows(from, to, [&](qsizetype a, qsizetype b, const QRectF &rect) {
                going = visit(Mark{a, b - a, i}, rect);
                return going;
            });
        }
        return going;
    });
}

void LiveMarks::marksIn(qsizetype from, qsizetype to, std::vector<MarkSource::Mark> &marks) const {
    if (!m_box || !m_finds.matches)
        return;
    using Shape = MarkSource::Mark::Shape;
    const MatchSet &set = *m_finds.matches;
    const SourcePositions positions(m_box->store());
    forMatches(positions.toEngine(from), positions.toEngine(to) + 2, [&](qsizetype i) {
        const qsizetype start = positions.toBox(m_finds.base + set.start(i, 0));
        const qsizetype end = positions.toBox(m_finds.base + set.end(i, 0));
        if (set.start(i, 0) == set.end(i, 0)) {
            marks.push_back({start, start, kEmptyColour, Shape::Bar});
            return true;
        }
        if (start >= end) // only a line break
            return true;
        marks.push_back({start, end, kMatchColours[i % 2], Shape::Fill});
        for (int g = 1; g <= set.groupCount(); ++g) {
            if (set.start(i, g) < 0 || set.start(i, g) == set.end(i, g))
                continue;
            const qsizetype a = std::max(positions.toBox(m_finds.base + set.start(i, g)), start);
            const qsizetype b = std::min(positions.toBox(m_finds.base + set.end(i, g)), end);
            if (a >= b)
                continue;
            // A tint of the group's colour and a line under it, so the groups differ by more than colour:
            // nested groups' lines stack upwards.
            QColor tint = groupColour(g);
            tint.setAlpha(56);
            marks.push_back({a, b, tint, Shape::Fill});
            marks.push_back({a, b, groupColour(g), Shape::Underline, 2.0 * ((g - 1) % 3)});
        }
        return true;
    });
}

QList<LiveMarks::Mark> LiveMarks::visibleMarks() const {
    QList<Mark> marks;
    visitVisible([&](const Mark &mark, const QRectF &) {
        marks.append(mark);
        return true;
    });
    return marks;
}

QString LiveMarks::toolTipAt(QPoint point) const {
    qsizetype hit = -1;
    visitVisible([&](const Mark &mark, const QRectF &rect) {
        const QRectF area = mark.length == 0 ? rect.adjusted(-kEmptyReach, 0, kEmptyReach, 0) : rect;
        if (!area.contains(point))
            return true;
        hit = mark.match;
        return false;
    });
    if (hit < 0)
        return QString();
    static const MatchSet none;
    const MatchSet &set = m_finds.matches ? *m_finds.matches : none;
    // The match may begin on an earlier line than the row under the mouse.
    const TextStore &store = m_box->store();
    const SourcePositions positions(store);
    const qsizetype start = m_finds.base + set.start(hit, 0);
    const qsizetype line = positions.lineOf(start);
    const qsizetype column = positions.toBox(start) - store.lineStart(line) + 1;

    QStringList lines;
    const QString where = QStringLiteral("第 %1 行 第 %2 列").arg(line + 1).arg(column);
    lines << (m_finds.firstNumber > 0
                  ? QStringLiteral("第 %1 个匹配  %2").arg(m_finds.firstNumber + hit).arg(where)
                  : QStringLiteral("匹配  %1").arg(where));
    for (int g = 1; g <= set.groupCount(); ++g) {
        const qsizetype from = m_finds.base + set.start(hit, g);
        const qsizetype to = m_finds.base + set.end(hit, g);
        const QString text = set.start(hit, g) < 0 ? QStringLiteral("(未参与)")
                             : to <= m_subject.size()
                                 ? tipText(QStringView(m_subject).sliced(from, to - from))
                                 : QString();
        lines << QStringLiteral("子匹配文本%1: %2").arg(g).arg(text);
    }
    return lines.join(QLatin1Char('\n'));
}

bool LiveMarks::eventFilter(QObject *watched, QEvent *event) {
    if (!m_box || watched != m_box->viewport())
        return false;
    switch (event->type()) {
    case QEvent::ToolTip: {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QString text = toolTipAt(help->pos());
        if (text.isEmpty())
            break;
        // As rich text, so that a group's text is never taken for markup.
        QToolTip::showText(help->globalPos(),
                           QStringLiteral("<p style='white-space:pre'>%1</p>")
                               .arg(text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"))),
                           m_box->viewport());
        return true;
    }
    default:
        break;
    }
    return false;
}

} // namespace rw
