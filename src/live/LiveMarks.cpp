#include "LiveMarks.h"

#include "core/tasks/TaskPool.h"

#include <QHelpEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolTip>

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
    if (finds.matches.size() < 100000)
        return;
    auto old = std::make_shared<MatchSet>(std::move(finds.matches));
    finds.matches = MatchSet();
    runInBackground([old]() mutable { old.reset(); });
}

QString tipText(QStringView text) {
    QString shown = text.size() > kTipTextMax ? text.first(kTipTextMax).toString() + QStringLiteral("…")
                                              : text.toString();
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("↵"));
    return shown;
}
} // namespace

LiveMarks::LiveMarks(QPlainTextEdit *box, QObject *parent)
    : QObject(parent), m_box(box), m_positions(box->document()) {
    box->viewport()->setMouseTracking(true);
    box->viewport()->installEventFilter(this);
    connect(box->verticalScrollBar(), &QScrollBar::valueChanged, this, &LiveMarks::viewMoved);
    connect(box->horizontalScrollBar(), &QScrollBar::valueChanged, this, &LiveMarks::viewMoved);
}

void LiveMarks::syncDocument() {
    if (m_positions.document() == m_box->document())
        return;
    m_positions = SourcePositions(m_box->document());
    m_finds = LiveFinds();
    m_shown = m_whole = false;
    m_subject.clear();
}

void LiveMarks::showWhole(LiveFinds finds) {
    syncDocument();
    dispose(m_finds);
    m_finds = std::move(finds);
    m_shown = m_whole = true;
    m_box->viewport()->update();
    emit changed();
}

void LiveMarks::showPart(LiveFinds finds) {
    syncDocument();
    if (m_whole)
        return;
    dispose(m_finds);
    m_finds = std::move(finds);
    m_shown = true;
    m_box->viewport()->update();
    emit changed();
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
    return m_whole || (m_shown && m_finds.from <= from && to <= m_finds.to);
}

std::pair<qsizetype, qsizetype> LiveMarks::visibleRange() {
    syncDocument();
    const QWidget *viewport = m_box->viewport();
    const QTextBlock first = m_box->cursorForPosition(QPoint(0, 0)).block();
    const QTextBlock last =
        m_box->cursorForPosition(QPoint(viewport->width() - 1, viewport->height() - 1)).block();
    // Up to the end of the last line's break, so that a match ending in it counts as in view.
    return {m_positions.toEngine(first, 0), m_positions.toEngine(last, last.length() - 1) + 2};
}

void LiveMarks::visitVisible(const Visit &visit) {
    syncDocument();
    const MatchSet &set = m_finds.matches;
    const qsizetype n = set.size();
    if (!m_shown || n == 0)
        return;
    const auto startOf = [&](qsizetype i) { return m_finds.base + set.start(i, 0); };
    const auto endOf = [&](qsizetype i) { return m_finds.base + set.end(i, 0); };
    const int height = m_box->viewport()->height();
    QTextBlock block = m_box->cursorForPosition(QPoint(0, 0)).block();

    // Matches come in order and never overlap, so their ends ascend too: the first one in view is
    // found by bisection and the rest follow on.
    qsizetype i = 0;
    {
        const qsizetype top = m_positions.toEngine(block, 0);
        qsizetype hi = n;
        while (i < hi) {
            const qsizetype mid = i + (hi - i) / 2;
            if (endOf(mid) < top)
                i = mid + 1;
            else
                hi = mid;
        }
    }
    for (; block.isValid() && i < n; block = block.next()) {
        if (!block.isVisible())
            continue;
        const QTextLayout *layout = block.layout();
        if (!layout || layout->lineCount() == 0)
            break;
        const QRect at = m_box->cursorRect(QTextCursor(block));
        if (at.top() > height)
            break;
        const QTextLine firstLine = layout->lineAt(0);
        const QPointF origin(at.left() - firstLine.cursorToX(0), at.top() - firstLine.y());
        const qsizetype blockStart = m_positions.toEngine(block, 0);
        const qsizetype blockEnd = m_positions.toEngine(block, block.length() - 1) + 2;
        while (i < n && endOf(i) < blockStart)
            ++i;
        for (qsizetype j = i; j < n && startOf(j) < blockEnd; ++j) {
            const bool empty = startOf(j) == endOf(j);
            const int from = m_positions.toBlock(block, startOf(j));
            const int to = m_positions.toBlock(block, endOf(j));
            if (empty ? startOf(j) < blockStart : to <= from)
                continue; // only the line break of the previous line, or the previous line's own end
            for (int l = 0; l < layout->lineCount(); ++l) {
                const QTextLine line = layout->lineAt(l);
                const int lineStart = line.textStart();
                const int lineEnd = lineStart + line.textLength();
                const bool lastLine = l + 1 == layout->lineCount();
                Mark mark{qsizetype(block.position()), 0, j};
                QRectF rect;
                if (empty) {
                    if (from < lineStart || from > lineEnd || (from == lineEnd && !lastLine))
                        continue;
                    mark.position += from;
                    rect =
                        QRectF(line.cursorToX(from) - kEmptyWidth / 2, line.y(), kEmptyWidth, line.height());
                } else {
                    const int a = std::max(from, lineStart);
                    const int b = std::min(to, lineEnd);
                    if (b <= a)
                        continue;
                    mark.position += a;
                    mark.length = b - a;
                    const qreal x1 = line.cursorToX(a);
                    const qreal x2 = line.cursorToX(b);
                    rect = QRectF(std::min(x1, x2), line.y(), std::abs(x2 - x1), line.height());
                }
                if (!visit(mark, rect.translated(origin)))
                    return;
            }
        }
    }
}

QList<LiveMarks::Mark> LiveMarks::visibleMarks() {
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
        return true;
    });
}

QString LiveMarks::toolTipAt(QPoint point) {
    qsizetype hit = -1;
    qsizetype hitPosition = 0;
    visitVisible([&](const Mark &mark, const QRectF &rect) {
        const QRectF area = mark.length == 0 ? rect.adjusted(-kEmptyReach, 0, kEmptyReach, 0) : rect;
        if (!area.contains(point))
            return true;
        hit = mark.match;
        hitPosition = mark.position;
        return false;
    });
    if (hit < 0)
        return QString();
    const MatchSet &set = m_finds.matches;
    // The match may begin on an earlier line than the piece under the mouse.
    const qsizetype start = m_finds.base + set.start(hit, 0);
    QTextBlock block = m_box->document()->findBlock(int(hitPosition));
    while (block.previous().isValid() && m_positions.toEngine(block, 0) > start)
        block = block.previous();
    const int column = m_positions.toBlock(block, start) + 1;

    QStringList lines;
    const QString where = QStringLiteral("第 %1 行 第 %2 列").arg(block.blockNumber() + 1).arg(column);
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
    case QEvent::Resize:
        emit viewMoved();
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
