#include "LiveMarks.h"

#include "SourcePositions.h"
#include "core/tasks/TaskPool.h"
#include "editor/TextEditor.h"
#include "explain/GroupColours.h"

#include <QHelpEvent>
#include <QPainter>
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
    connect(box, &TextEditor::viewChanged, this, &LiveMarks::viewMoved);
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

void LiveMarks::visitVisible(const Visit &visit) const {
    static const MatchSet none;
    const MatchSet &set = m_finds.matches ? *m_finds.matches : none;
    const qsizetype n = set.size();
    if (!m_shown || n == 0 || m_revision != m_box->revision())
        return;
    const auto startOf = [&](qsizetype i) { return m_finds.base + set.start(i, 0); };
    const auto endOf = [&](qsizetype i) { return m_finds.base + set.end(i, 0); };
    const SourcePositions positions(m_box->store());
    const auto [first, last] = m_box->visibleRange();
    const qsizetype top = positions.toEngine(first);
    // An empty match inside the bottom line's "\r\n" shows at that line's end.
    const qsizetype bottom = positions.toEngine(last) + 2;

    // Matches come in order and never overlap, so their ends ascend too: the first one in view is
    // found by bisection and the rest follow on.
    qsizetype i = 0;
    for (qsizetype hi = n; i < hi;) {
        const qsizetype mid = i + (hi - i) / 2;
        if (endOf(mid) < top)
            i = mid + 1;
        else
            hi = mid;
    }
    bool going = true;
    for (; going && i < n && startOf(i) < bottom; ++i) {
        const qsizetype from = positions.toBox(startOf(i));
        const qsizetype to = positions.toBox(endOf(i));
        if (startOf(i) == endOf(i)) {
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
    }
}

QList<LiveMarks::Mark> LiveMarks::visibleMarks() const {
    QList<Mark> marks;
    visitVisible([&](const Mark &mark, const QRectF &) {
        marks.append(mark);
        return true;
    });
    return marks;
}

void LiveMarks::paint() {
    QPainter painter(m_box->viewport());
    visitVisible([&](const Mark &mark, const QRectF &rect) {
        painter.fillRect(rect, mark.length == 0 ? kEmptyColour : kMatchColours[mark.match % 2]);
        paintGroups(painter, mark);
        return true;
    });
}

void LiveMarks::paintGroups(QPainter &painter, const Mark &mark) const {
    if (!m_finds.matches)
        return;
    const MatchSet &set = *m_finds.matches;
    if (mark.length == 0 || set.groupCount() == 0)
        return;
    const SourcePositions positions(m_box->store());
    for (int g = 1; g <= set.groupCount(); ++g) {
        if (set.start(mark.match, g) < 0 || set.start(mark.match, g) == set.end(mark.match, g))
            continue;
        const qsizetype from = std::max(positions.toBox(m_finds.base + set.start(mark.match, g)), mark.position);
        const qsizetype to =
            std::min(positions.toBox(m_finds.base + set.end(mark.match, g)), mark.position + mark.length);
        if (from >= to)
            continue;
        // A tint of the group's colour and a line under it, so the groups differ by more than colour:
        // nested groups' lines stack upwards.
        QColor tint = groupColour(g);
        tint.setAlpha(56);
        m_box->visitRows(from, to, [&](qsizetype, qsizetype, const QRectF &rect) {
            painter.fillRect(rect, tint);
            const qreal lift = 2.0 * ((g - 1) % 3);
            painter.fillRect(QRectF(rect.left(), rect.bottom() - 2 - lift, rect.width(), 2), groupColour(g));
            return true;
        });
    }
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
    if (watched != m_box->viewport())
        return false;
    switch (event->type()) {
    case QEvent::Paint:
        // The box paints its text over what is painted here.
        if (m_shown)
            paint();
        break;
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
