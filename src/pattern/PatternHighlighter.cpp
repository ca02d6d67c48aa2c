#include "PatternHighlighter.h"

#include "GroupColours.h"
#include "PatternOwner.h"
#include "core/regex/PatternExplanation.h"

#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolTip>

namespace rw {

namespace {

using Kind = SyntaxNode::Kind;

QTextCharFormat coloured(QRgb rgb) {
    QTextCharFormat f;
    f.setForeground(QColor::fromRgb(rgb));
    return f;
}

QTextCharFormat groupFormat(const SyntaxNode &n) {
    QTextCharFormat f = n.groupKind == SyntaxNode::GroupKind::Capturing ? QTextCharFormat() : coloured(0x546E7A);
    if (n.groupKind == SyntaxNode::GroupKind::Capturing)
        f.setForeground(groupColour(n.number));
    f.setFontWeight(QFont::Bold);
    return f;
}

QTextCharFormat escapeFormat() {
    QTextCharFormat f = coloured(0x00695C);
    f.setUnderlineStyle(QTextCharFormat::DotLine);
    return f;
}

// Where the opening token of a group ends: "(" or "(?:", "(?=", "(?!".
qsizetype openingEnd(const SyntaxNode &n) {
    return n.begin + (n.groupKind == SyntaxNode::GroupKind::Capturing ? 1 : 3);
}

} // namespace

PatternHighlighter::PatternHighlighter(PatternOwner *owner)
    : QSyntaxHighlighter(static_cast<QObject *>(owner->box())), m_owner(owner), m_box(owner->box()) {
    // Owned by the box, not by its document: the loader swaps in a document of its own, and the colours
    // move over to it with the box's next change.
    setDocument(m_box->document());
    connect(m_box, &QPlainTextEdit::textChanged, this, [this] {
        if (document() != m_box->document())
            setDocument(m_box->document());
    });
    connect(m_box, &QPlainTextEdit::cursorPositionChanged, this, &PatternHighlighter::caretMoved);
    m_viewport = m_box->viewport();
    m_viewport->installEventFilter(this);
}

void PatternHighlighter::highlightBlock(const QString &text) {
    if (!m_owner)
        return;
    const PatternValue &value = *m_owner->now();
    const int from = currentBlock().position();
    const int to = from + int(text.size());
    if (value.tree.isValid())
        paint(value, value.tree.root, from, to);
    QTextCharFormat partner;
    partner.setBackground(QColor::fromRgb(0xFFD54F));
    partner.setFontWeight(QFont::Bold);
    for (int at : {m_brackets.first, m_brackets.second}) {
        if (at >= from && at < to)
            formatBox(at, at + 1, partner, from);
    }
}

void PatternHighlighter::formatBox(qsizetype begin, qsizetype end, const QTextCharFormat &f, int from) {
    for (qsizetype i = begin; i < end; ++i) {
        QTextCharFormat merged = QSyntaxHighlighter::format(int(i - from));
        merged.merge(f);
        setFormat(int(i - from), 1, merged);
    }
}

void PatternHighlighter::format(const PatternValue &value, qsizetype begin, qsizetype end,
                                const QTextCharFormat &f, int from, int to) {
    const auto [boxBegin, boxEnd] = value.breaks.boxRange(begin, end);
    formatBox(std::max<qsizetype>(boxBegin, from), std::min<qsizetype>(boxEnd, to), f, from);
}

void PatternHighlighter::paint(const PatternValue &value, int index, int from, int to) {
    const SyntaxNode &n = value.tree.node(index);
    const auto [boxBegin, boxEnd] = value.breaks.boxRange(n.begin, n.end);
    if (boxEnd < from || boxBegin >= to)
        return;
    switch (n.kind) {
    case Kind::Alternation: {
        QTextCharFormat bar = coloured(0xB71C1C);
        bar.setFontWeight(QFont::Bold);
        bar.setBackground(QColor::fromRgb(0xFDECEA));
        for (std::size_t b = 1; b < n.children.size(); ++b) {
            const qsizetype at = value.tree.node(n.children[b]).begin - 1;
            format(value, at, at + 1, bar, from, to);
        }
        break;
    }
    case Kind::Group: {
        const QTextCharFormat f = groupFormat(n);
        format(value, n.begin, openingEnd(n), f, from, to);
        format(value, n.end - 1, n.end, f, from, to);
        break;
    }
    case Kind::Quantifier: {
        QTextCharFormat f = coloured(0x6A1B9A);
        f.setFontItalic(true);
        f.setFontWeight(QFont::Bold);
        format(value, n.opBegin, n.end, f, from, to);
        break;
    }
    case Kind::Class: {
        QTextCharFormat tint;
        tint.setBackground(QColor::fromRgb(0xE3EDFB));
        format(value, n.begin, n.end, tint, from, to);
        QTextCharFormat bracket = coloured(0x1F4E9A);
        bracket.setFontWeight(QFont::Bold);
        format(value, n.begin, n.begin + (n.negated ? 2 : 1), bracket, from, to);
        format(value, n.end - 1, n.end, bracket, from, to);
        break;
    }
    case Kind::ClassEscape:
        format(value, n.begin, n.end, escapeFormat(), from, to);
        break;
    case Kind::Literal:
    case Kind::Range:
        if (value.text.at(n.begin) == u'\\')
            format(value, n.begin, n.end, escapeFormat(), from, to);
        if (n.kind == Kind::Range && n.end > n.begin && value.text.at(n.end - 1) != u'-') {
            // The range's far end may be an escape too.
            const qsizetype hyphen = value.text.indexOf(u'-', n.begin + 1);
            if (hyphen > 0 && hyphen + 1 < n.end && value.text.at(hyphen + 1) == u'\\')
                format(value, hyphen + 1, n.end, escapeFormat(), from, to);
        }
        break;
    case Kind::Dot: {
        QTextCharFormat f = coloured(0x00695C);
        f.setFontWeight(QFont::Bold);
        format(value, n.begin, n.end, f, from, to);
        break;
    }
    case Kind::LineStart:
    case Kind::LineEnd:
    case Kind::WordBoundary:
    case Kind::NotWordBoundary: {
        QTextCharFormat f = coloured(0xB35900);
        f.setFontUnderline(true);
        format(value, n.begin, n.end, f, from, to);
        break;
    }
    case Kind::BackReference: {
        QTextCharFormat f;
        f.setForeground(groupColour(n.number));
        f.setFontWeight(QFont::Bold);
        f.setFontUnderline(true);
        format(value, n.begin, n.end, f, from, to);
        break;
    }
    case Kind::Sequence:
        break;
    }
    for (int c : n.children)
        paint(value, c, from, to);
}

int PatternHighlighter::tokenAt(const PatternValue &value, int boxPosition) {
    const SyntaxTree &t = value.tree;
    if (!t.isValid())
        return -1;
    const qsizetype position = value.breaks.offsetOf(boxPosition);
    int index = t.root;
    for (;;) {
        const SyntaxNode &n = t.node(index);
        int inner = -1;
        for (int c : n.children) {
            const SyntaxNode &child = t.node(c);
            if (position >= child.begin && position < child.end) {
                inner = c;
                break;
            }
        }
        // A quantifier's own text is its token; the rest is what it repeats.
        if (n.kind == Kind::Quantifier && position >= n.opBegin)
            return index;
        // Ranges and the items of a class are tokens of their own; a Range has no child nodes.
        if (inner >= 0) {
            index = inner;
            continue;
        }
        if (n.kind == Kind::Sequence)
            return -1;
        return position >= n.begin && position < n.end ? index : -1;
    }
}

bool PatternHighlighter::eventFilter(QObject *watched, QEvent *event) {
    // The viewport kept, not the box's: events still reach the filter while the box is being destroyed.
    if (watched == m_viewport && event->type() == QEvent::ToolTip && m_owner) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QTextCursor cursor = m_box->cursorForPosition(help->pos());
        int position = cursor.position();
        // The cursor position nearest the pointer may be after the character under it.
        if (help->pos().x() < m_box->cursorRect(cursor).x() && position > 0)
            --position;
        const PatternSnapshot value = m_owner->now();
        const int token = tokenAt(*value, position);
        if (token < 0)
            return false; // the box's own tooltip, which carries a fault's reason
        QToolTip::showText(help->globalPos(), PatternExplanation::describe(value->tree, token, value->options),
                           m_box);
        return true;
    }
    return QSyntaxHighlighter::eventFilter(watched, event);
}

std::pair<int, int> PatternHighlighter::bracketPair(int caret) {
    if (!m_owner)
        return {-1, -1};
    const PatternValue &value = *m_owner->now();
    if (!value.tree.isValid())
        return {-1, -1};
    // The bracket right after the caret, else the one right before it.
    for (int boxAt : {caret, caret - 1}) {
        if (boxAt < 0)
            continue;
        const qsizetype at = value.breaks.offsetOf(boxAt);
        for (const SyntaxNode &n : value.tree.nodes) {
            if (n.kind != Kind::Group && n.kind != Kind::Class)
                continue;
            if (n.begin == at || n.end - 1 == at)
                return {int(value.breaks.boxPosition(n.begin)), int(value.breaks.boxPosition(n.end - 1))};
        }
    }
    return {-1, -1};
}

void PatternHighlighter::caretMoved() {
    const std::pair<int, int> pair = bracketPair(m_box->textCursor().position());
    if (pair == m_brackets)
        return;
    const std::pair<int, int> old = m_brackets;
    m_brackets = pair;
    for (int at : {old.first, old.second, pair.first, pair.second}) {
        if (at >= 0) {
            const QTextBlock block = document()->findBlock(at);
            if (block.isValid())
                rehighlightBlock(block);
        }
    }
}

} // namespace rw
