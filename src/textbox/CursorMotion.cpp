#include "CursorMotion.h"

#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace rw {

namespace {
// The first window read around a position; doubled while the answer lands on the window's cut edge.
constexpr qsizetype kFirstWindow = 512;

} // namespace

template <typename Step>
qsizetype LineMotion::inWindow(qsizetype position, bool forward, Step step) const {
    for (qsizetype reach = kFirstWindow;; reach *= 2) {
        qsizetype from = std::max<qsizetype>(0, position - reach);
        qsizetype to = std::min(m_length, position + reach);
        QString text = m_text(from, to);
        // Never start or end a window inside a surrogate pair.
        if (from > 0 && !text.isEmpty() && text.front().isLowSurrogate()) {
            text.remove(0, 1);
            ++from;
        }
        if (to < m_length && !text.isEmpty() && text.back().isHighSurrogate()) {
            text.chop(1);
            --to;
        }
        QTextLayout layout(text);
        const qsizetype found = from + step(layout, text, int(position - from));
        // An answer at a cut edge may be where the cut is, not where the text stops: look wider.
        const bool cut = forward ? (found >= to && to < m_length) : (found <= from && from > 0);
        if (!cut)
            return found;
    }
}

qsizetype LineMotion::nextCharacter(qsizetype position) const {
    if (position >= m_length)
        return m_length;
    return inWindow(position, true, [](const QTextLayout &layout, const QString &, int at) {
        return layout.nextCursorPosition(at, QTextLayout::SkipCharacters);
    });
}

qsizetype LineMotion::previousCharacter(qsizetype position) const {
    if (position <= 0)
        return 0;
    return inWindow(position, false, [](const QTextLayout &layout, const QString &, int at) {
        return layout.previousCursorPosition(at, QTextLayout::SkipCharacters);
    });
}

qsizetype LineMotion::previousCodePoint(qsizetype position) const {
    if (position <= 0)
        return 0;
    const QString two = m_text(std::max<qsizetype>(0, position - 2), position);
    if (two.size() == 2 && two.at(1).isLowSurrogate() && two.at(0).isHighSurrogate())
        return position - 2;
    return position - 1;
}

qsizetype LineMotion::snapBack(qsizetype position) const {
    position = std::clamp<qsizetype>(position, 0, m_length);
    if (position == 0 || position == m_length)
        return position;
    const qsizetype next = nextCharacter(previousCharacter(position));
    return next == position ? position : previousCharacter(position);
}

qsizetype LineMotion::nextWord(qsizetype position) const {
    if (position >= m_length)
        return m_length;
    return inWindow(position, true, [](const QTextLayout &layout, const QString &, int at) {
        return layout.nextCursorPosition(at, QTextLayout::SkipWords);
    });
}

qsizetype LineMotion::previousWord(qsizetype position) const {
    if (position <= 0)
        return 0;
    return inWindow(position, false, [](const QTextLayout &layout, const QString &, int at) {
        return layout.previousCursorPosition(at, QTextLayout::SkipWords);
    });
}

template <typename Select>
std::optional<std::pair<qsizetype, qsizetype>> LineMotion::inDocument(qsizetype position, Select select) const {
    using Range = std::pair<qsizetype, qsizetype>;
    position = std::clamp<qsizetype>(position, 0, m_length);
    for (qsizetype reach = kFirstWindow;; reach *= 2) {
        const qsizetype from = std::max<qsizetype>(0, position - reach);
        const qsizetype to = std::min(m_length, position + reach);
        QTextDocument doc(m_text(from, to));
        QTextCursor cursor(&doc);
        cursor.setPosition(int(position - from));
        const std::optional<Range> range = select(cursor);
        if (!range)
            return std::nullopt;
        const qsizetype start = from + range->first, end = from + range->second;
        if ((start > from || from == 0) && (end < to || to == m_length))
            return Range{start, end};
    }
}

std::pair<qsizetype, qsizetype> LineMotion::wordAt(qsizetype position) const {
    // QTextCursor's own "word under the cursor".
    return *inDocument(position, [](QTextCursor &cursor) {
        cursor.select(QTextCursor::WordUnderCursor);
        return std::optional<std::pair<qsizetype, qsizetype>>{{cursor.selectionStart(), cursor.selectionEnd()}};
    });
}

std::optional<std::pair<qsizetype, qsizetype>> LineMotion::wordReached(qsizetype position) const {
    return inDocument(position, [](QTextCursor &cursor) -> std::optional<std::pair<qsizetype, qsizetype>> {
        if (!cursor.movePosition(QTextCursor::StartOfWord))
            return std::nullopt;
        const qsizetype start = cursor.position();
        if (!cursor.movePosition(QTextCursor::EndOfWord))
            return std::nullopt;
        return std::pair<qsizetype, qsizetype>{start, cursor.position()};
    });
}

bool isAcceptableKeyText(const QKeyEvent *event, bool tabsTyped) {
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    const QChar c = text.at(0);
    // Format characters (ZWNJ, ZWJ, RLM …) come first: Ctrl+Shift types some of them on some systems.
    if (c.category() == QChar::Other_Format)
        return true;
    // Ctrl and Ctrl+Shift are commands; Ctrl+Alt is AltGr on European layouts and types.
    const Qt::KeyboardModifiers mods = event->modifiers();
    if (mods == Qt::ControlModifier || mods == (Qt::ShiftModifier | Qt::ControlModifier))
        return false;
    if (c.isPrint())
        return true;
    if (c.category() == QChar::Other_PrivateUse)
        return true;
    if (c.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate())
        return true;
    return tabsTyped && c == u'\t';
}

} // namespace rw
