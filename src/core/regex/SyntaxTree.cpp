#include "SyntaxTree.h"

#include "CompileErrorReason.h"

#include <QStringList>

#include <atomic>

#include <pcre2.h>

namespace rw {

namespace {

using Kind = SyntaxNode::Kind;

constexpr char16_t Backspace = 0x08;
constexpr char16_t VerticalTab = 0x0B;
// Quantifier bounds beyond this are kept at it: PCRE2 rejects anything above 65535 anyway, from the
// quantifier's own text, which the translator passes on unchanged.
constexpr qint64 kBoundCap = qint64(1) << 30;

bool isAsciiAlnum(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiLetter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiUpper(char16_t c) {
    return c >= u'A' && c <= u'Z';
}

// A unit PCRE2 accepts in a group name.
bool isWordUnit(char16_t c) {
    return isAsciiAlnum(c) || c == u'_';
}

bool isOctal(char16_t c) {
    return c >= u'0' && c <= u'7';
}

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool isClassEscapeLetter(char16_t c) {
    return c == u'd' || c == u'D' || c == u'w' || c == u'W' || c == u's' || c == u'S';
}

int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

class Parser final {
public:
    explicit Parser(QStringView in) : m_in(in) {}

    SyntaxTree run() {
        m_tree.nodes.reserve(std::size_t(m_in.size()) + 2);
        m_tree.root = disjunction(0);
        if (!m_error.isError() && m_pos < m_in.size()) // only a ")" stops the outermost level early
            fail(reason(PCRE2_ERROR_UNMATCHED_CLOSING_PARENTHESIS), m_pos);
        if (m_error.isError()) {
            m_tree.nodes.clear();
            m_tree.root = -1;
            m_tree.error = m_error;
            m_tree.captureCount = 0;
        } else {
            m_tree.captureCount = m_groups;
        }
        return std::move(m_tree);
    }

private:
    // What the sequence last produced, which decides whether a quantifier may follow.
    enum class Last { Nothing, Assertion, Atom, Quantified };

    // Rejects the pattern for why, placed at offset `where` of the pattern as written; the first fault wins.
    void fail(const QString &why, qsizetype where) {
        if (!m_error.isError())
            m_error = PatternError::at(m_in, where, why);
    }

    static QString reason(int pcre2ErrorCode) { return compileErrorReason(pcre2ErrorCode); }

    // A reason followed by the piece of the pattern it is about, as the user wrote it.
    QString quoting(const QString &why, qsizetype from, qsizetype length) const {
        return why + u' ' + m_in.mid(from, length).toString();
    }

    char16_t at(qsizetype i) const { return i < m_in.size() ? m_in[i].unicode() : char16_t(0); }
    bool has(qsizetype i) const { return i < m_in.size(); }

    int add(Kind kind, qsizetype begin, qsizetype end) {
        SyntaxNode node;
        node.kind = kind;
        node.begin = begin;
        node.end = end;
        m_tree.nodes.push_back(std::move(node));
        return int(m_tree.nodes.size() - 1);
    }
    SyntaxNode &node(int index) { return m_tree.nodes[std::size_t(index)]; }

    int literalNode(qsizetype begin, char16_t unit) {
        const int n = add(Kind::Literal, begin, m_pos);
        node(n).unit = unit;
        return n;
    }

    // Branches up to a ")" (not consumed) or the end: the one branch's Sequence, or an Alternation.
    int disjunction(int depth) {
        const qsizetype begin = m_pos;
        const int first = sequence(depth);
        if (m_error.isError() || !has(m_pos) || at(m_pos) != u'|')
            return first;
        std::vector<int> branches{first};
        while (!m_error.isError() && has(m_pos) && at(m_pos) == u'|') {
            ++m_pos;
            branches.push_back(sequence(depth));
        }
        const int self = add(Kind::Alternation, begin, m_pos);
        node(self).children = std::move(branches);
        return self;
    }

    int sequence(int depth) {
        const int self = add(Kind::Sequence, m_pos, m_pos);
        Last last = Last::Nothing;
        bool lastLazy = false;
        qsizetype lastQuantifier = 0;
        std::vector<int> terms;
        while (!m_error.isError() && has(m_pos)) {
            const char16_t c = at(m_pos);
            if (c == u'|' || (c == u')' && depth > 0))
                break;
            const qsizetype begin = m_pos;
            switch (c) {
            case u')':
                fail(reason(PCRE2_ERROR_UNMATCHED_CLOSING_PARENTHESIS), m_pos);
                break;
            case u'(': {
                const int g = group(depth);
                if (g >= 0)
                    terms.push_back(g);
                last = Last::Atom;
                break;
            }
            case u'^':
            case u'$':
                ++m_pos;
                terms.push_back(add(c == u'^' ? Kind::LineStart : Kind::LineEnd, begin, m_pos));
                last = Last::Assertion;
                break;
            case u'.':
                ++m_pos;
                terms.push_back(add(Kind::Dot, begin, m_pos));
                last = Last::Atom;
                break;
            case u'[':
                terms.push_back(characterClass());
                last = Last::Atom;
                break;
            case u'\\': {
                bool assertion = false;
                const int e = escape(assertion);
                if (e >= 0)
                    terms.push_back(e);
                last = assertion ? Last::Assertion : Last::Atom;
                break;
            }
            case u'*':
            case u'+':
            case u'?':
            case u'{': {
                const qsizetype length = c == u'{' ? braceQuantifierLength() : 1;
                if (m_error.isError())
                    break;
                if (length == 0) { // a brace that starts no valid quantifier is itself
                    ++m_pos;
                    terms.push_back(literalNode(begin, c));
                    last = Last::Atom;
                    break;
                }
                if (last == Last::Quantified && !lastLazy && c == u'+') {
                    // a*+, a++, a?+, a{2}+: PCRE2 would take these as possessive.
                    fail(quoting(QStringLiteral("不支持占有量词"), lastQuantifier, m_pos + 1 - lastQuantifier),
                         lastQuantifier);
                    break;
                }
                if (last == Last::Quantified) {
                    fail(quoting(QStringLiteral("量词不能紧跟在量词后面"), m_pos, length), m_pos);
                    break;
                }
                if (last != Last::Atom) {
                    // A leading quantifier, one after "(" or "|", or one after an anchor.
                    fail(quoting(reason(PCRE2_ERROR_QUANTIFIER_INVALID), m_pos, length), m_pos);
                    break;
                }
                terms.back() = quantifier(terms.back(), length);
                lastQuantifier = begin;
                lastLazy = node(terms.back()).lazy;
                last = Last::Quantified;
                break;
            }
            default:
                ++m_pos;
                terms.push_back(literalNode(begin, c));
                last = Last::Atom;
                break;
            }
        }
        node(self).children = std::move(terms);
        node(self).end = m_pos;
        return self;
    }

    // Length of a valid {n}, {n,} or {n,m} at m_pos, or 0 when the brace is a literal.
    qsizetype braceQuantifierLength() {
        qsizetype i = m_pos + 1;
        qint64 min = 0;
        qint64 max = -1;
        if (!number(i, min))
            return 0;
        if (at(i) == u',') {
            ++i;
            if (!number(i, max))
                max = -1;
        } else {
            max = min;
        }
        if (!has(i) || at(i) != u'}')
            return 0;
        if (max >= 0 && max < min) {
            fail(quoting(reason(PCRE2_ERROR_QUANTIFIER_OUT_OF_ORDER), m_pos, i + 1 - m_pos), m_pos);
            return 0;
        }
        return i + 1 - m_pos;
    }

    // Reads decimal digits at i (moving it past them) into value, capped; false when there are none.
    bool number(qsizetype &i, qint64 &value) const {
        const qsizetype from = i;
        value = 0;
        while (has(i) && isDigit(at(i))) {
            value = std::min<qint64>(value * 10 + (at(i) - u'0'), kBoundCap);
            ++i;
        }
        return i > from;
    }

    // Wraps the term at index `term` in a quantifier whose own text is `length` units at m_pos.
    int quantifier(int term, qsizetype length) {
        const qsizetype opBegin = m_pos;
        int min = 0;
        int max = SyntaxNode::Unbounded;
        switch (at(m_pos)) {
        case u'*':
            break;
        case u'+':
            min = 1;
            break;
        case u'?':
            max = 1;
            break;
        default: {
            qsizetype i = m_pos + 1;
            qint64 value = 0;
            number(i, value);
            min = int(value);
            max = min;
            if (at(i) == u',') {
                ++i;
                max = number(i, value) ? int(value) : SyntaxNode::Unbounded;
            }
            break;
        }
        }
        m_pos += length;
        const bool lazy = has(m_pos) && at(m_pos) == u'?';
        if (lazy)
            ++m_pos;
        const int q = add(Kind::Quantifier, node(term).begin, m_pos);
        SyntaxNode &n = node(q);
        n.opBegin = opBegin;
        n.min = min;
        n.max = max;
        n.lazy = lazy;
        n.children = {term};
        return q;
    }

    // A group at m_pos; -1 after a fault.
    int group(int depth) {
        const qsizetype begin = m_pos;
        if (at(m_pos + 1) == u'*' && isAsciiUpper(at(m_pos + 2))) {
            fail(quoting(QStringLiteral("不支持控制动词"), m_pos, lengthThrough(m_pos + 2, u')')), m_pos);
            return -1;
        }
        SyntaxNode::GroupKind kind = SyntaxNode::GroupKind::Capturing;
        int number = 0;
        if (at(m_pos + 1) == u'?' && has(m_pos + 1)) {
            const char16_t k = at(m_pos + 2);
            if (!has(m_pos + 2) || (k != u':' && k != u'=' && k != u'!')) {
                // Lookbehind, named and atomic groups, inline options, comments, recursion and
                // conditionals all start this way; the component knows none of them.
                fail(unsupportedGroup(), m_pos);
                return -1;
            }
            kind = k == u':'   ? SyntaxNode::GroupKind::NonCapturing
                   : k == u'=' ? SyntaxNode::GroupKind::LookAhead
                               : SyntaxNode::GroupKind::NegativeLookAhead;
            m_pos += 3;
        } else {
            ++m_pos;
            number = ++m_groups;
        }
        const int self = add(Kind::Group, begin, begin);
        node(self).groupKind = kind;
        node(self).number = number;
        const int content = disjunction(depth + 1);
        if (m_error.isError())
            return -1;
        if (!has(m_pos)) {
            // Where the ")" is missing is the end, as it is for PCRE2.
            fail(reason(PCRE2_ERROR_MISSING_CLOSING_PARENTHESIS), m_in.size());
            return -1;
        }
        ++m_pos; // the ")"
        node(self).children = {content};
        node(self).end = m_pos;
        return self;
    }

    // What to say about the "(?" construct at m_pos, naming it when PCRE2 or Perl would know it.
    QString unsupportedGroup() const {
        const QStringView rest = m_in.mid(m_pos);
        const auto named = [&](const QString &what, qsizetype nameFrom, char16_t closer) {
            qsizetype end = nameFrom;
            while (has(end) && isWordUnit(at(end)))
                ++end;
            if (has(end) && at(end) == closer)
                ++end;
            return quoting(what, m_pos, end - m_pos);
        };
        if (rest.startsWith(u"(?<=") || rest.startsWith(u"(?<!"))
            return quoting(QStringLiteral("不支持逆序环视"), m_pos, 4);
        if (rest.startsWith(u"(?<") && isWordUnit(at(m_pos + 3)))
            return named(QStringLiteral("不支持命名分组"), m_pos + 3, u'>');
        if (rest.startsWith(u"(?P<"))
            return named(QStringLiteral("不支持命名分组"), m_pos + 4, u'>');
        if (rest.startsWith(u"(?'"))
            return named(QStringLiteral("不支持命名分组"), m_pos + 3, u'\'');
        if (rest.startsWith(u"(?P="))
            return named(QStringLiteral("不支持命名反向引用"), m_pos + 4, u')');
        if (rest.startsWith(u"(?>"))
            return quoting(QStringLiteral("不支持固化分组"), m_pos, 3);
        if (rest.startsWith(u"(?#"))
            return quoting(QStringLiteral("不支持注释"), m_pos, 3);
        if (rest.startsWith(u"(?|"))
            return quoting(QStringLiteral("不支持分支重置"), m_pos, 3);
        if (rest.startsWith(u"(?("))
            return quoting(QStringLiteral("不支持条件分组"), m_pos, 3);
        const char16_t kind = at(m_pos + 2);
        if (rest.startsWith(u"(?P>") || rest.startsWith(u"(?&") || kind == u'R' || isDigit(kind) ||
            kind == u'+' || (kind == u'-' && isDigit(at(m_pos + 3))))
            return quoting(QStringLiteral("不支持递归调用"), m_pos, lengthThrough(m_pos + 2, u')'));
        static const QString optionLetters = QStringLiteral("imnsxJUa^-");
        if (has(m_pos + 2) && optionLetters.contains(QChar(kind))) {
            qsizetype end = m_pos + 2;
            while (has(end) && optionLetters.contains(m_in[end]))
                ++end;
            if (has(end) && (at(end) == u')' || at(end) == u':'))
                ++end;
            return quoting(QStringLiteral("不支持内联选项"), m_pos, end - m_pos);
        }
        return quoting(reason(PCRE2_ERROR_INVALID_AFTER_PARENS_QUERY), m_pos, has(m_pos + 2) ? 3 : 2);
    }

    // Length from m_pos through the first `closer` at or after from, or to the end when there is none;
    // at most a few dozen units, so a status line stays readable.
    qsizetype lengthThrough(qsizetype from, char16_t closer) const {
        constexpr qsizetype kLongest = 32;
        qsizetype end = from;
        while (has(end) && at(end) != closer && end - m_pos < kLongest)
            ++end;
        if (has(end) && at(end) == closer)
            ++end;
        return end - m_pos;
    }

    // Reads \uXXXX or \xhh digits at m_pos; -1 (and nothing consumed) unless exactly `digits` hex digits.
    int hexDigits(int digits) {
        int value = 0;
        for (int k = 0; k < digits; ++k) {
            const int v = has(m_pos + k) ? hexValue(at(m_pos + k)) : -1;
            if (v < 0)
                return -1;
            value = value * 16 + v;
        }
        m_pos += digits;
        return value;
    }

    // An octal escape whose first digit is at m_pos - 1: up to three digits while the value stays
    // below 0400, so "\400" is "\40" followed by "0".
    char16_t octal(char16_t first) {
        int value = first - u'0';
        const int maxDigits = value <= 3 ? 3 : 2;
        for (int k = 1; k < maxDigits && has(m_pos) && isOctal(at(m_pos)); ++k) {
            value = value * 8 + (at(m_pos) - u'0');
            ++m_pos;
        }
        return char16_t(value);
    }

    // The unit of the escape letter e (just read) in both contexts: \u, \x, \c and the control letters
    // resolve to their unit, anything else is the letter itself.
    char16_t escapedUnit(char16_t e) {
        if (e == u'u' || e == u'x') {
            const int value = hexDigits(e == u'u' ? 4 : 2);
            return value < 0 ? e : char16_t(value);
        }
        if (e == u'c') {
            if (has(m_pos) && isAsciiLetter(at(m_pos))) {
                const char16_t unit = char16_t(at(m_pos) % 32);
                ++m_pos;
                return unit;
            }
            return u'c';
        }
        switch (e) {
        case u'f':
            return 0x0C;
        case u'n':
            return 0x0A;
        case u'r':
            return 0x0D;
        case u't':
            return 0x09;
        case u'v':
            return VerticalTab;
        default:
            return e;
        }
    }

    // An escape outside a class at m_pos; -1 after a fault. assertion tells \b and \B apart.
    int escape(bool &assertion) {
        const qsizetype begin = m_pos;
        if (!has(m_pos + 1)) {
            fail(reason(PCRE2_ERROR_END_BACKSLASH), m_pos);
            return -1;
        }
        const char16_t e = at(m_pos + 1);
        m_pos += 2;
        if (e == u'b' || e == u'B') {
            assertion = true;
            return add(e == u'b' ? Kind::WordBoundary : Kind::NotWordBoundary, begin, m_pos);
        }
        if (isClassEscapeLetter(e)) {
            const int n = add(Kind::ClassEscape, begin, m_pos);
            node(n).unit = e;
            return n;
        }
        if (isDigit(e))
            return numericEscape(begin, e);
        const char16_t unit = escapedUnit(e);
        return literalNode(begin, unit);
    }

    // The digit e has been read; the group count before this point decides what it means.
    int numericEscape(qsizetype begin, char16_t e) {
        const int n = e - u'0';
        if (n != 0) {
            if (has(m_pos) && isDigit(at(m_pos))) {
                const int nm = n * 10 + (at(m_pos) - u'0');
                if (nm <= m_groups) {
                    ++m_pos;
                    return backReference(begin, nm);
                }
            }
            if (n <= m_groups)
                return backReference(begin, n);
            if (!isOctal(e))
                return literalNode(begin, e);
        }
        const char16_t unit = octal(e);
        return literalNode(begin, unit);
    }

    int backReference(qsizetype begin, int group) {
        const int n = add(Kind::BackReference, begin, m_pos);
        node(n).number = group;
        return n;
    }

    // One item of a class at m_pos: a Literal or a ClassEscape node; -1 after a fault.
    int classAtom() {
        const qsizetype begin = m_pos;
        if (at(m_pos) != u'\\') {
            ++m_pos;
            return literalNode(begin, at(begin));
        }
        if (!has(m_pos + 1)) {
            fail(reason(PCRE2_ERROR_END_BACKSLASH), m_pos);
            return -1;
        }
        const char16_t e = at(m_pos + 1);
        m_pos += 2;
        if (e == u'b')
            return literalNode(begin, Backspace);
        if (isClassEscapeLetter(e)) {
            const int n = add(Kind::ClassEscape, begin, m_pos);
            node(n).unit = e;
            return n;
        }
        if (isOctal(e)) {
            // No back references inside a class: digits are octal.
            const char16_t unit = octal(e);
            return literalNode(begin, unit);
        }
        const char16_t unit = escapedUnit(e);
        return literalNode(begin, unit);
    }

    int characterClass() {
        const int self = add(Kind::Class, m_pos, m_pos);
        ++m_pos;
        const bool negated = at(m_pos) == u'^' && has(m_pos);
        if (negated)
            ++m_pos;
        node(self).negated = negated;
        // "[]" never matches and "[^]" matches any unit: a "]" first closes the class.
        std::vector<int> items;
        for (;;) {
            if (!has(m_pos)) {
                fail(reason(PCRE2_ERROR_MISSING_SQUARE_BRACKET), m_in.size());
                return self;
            }
            if (at(m_pos) == u']') {
                ++m_pos;
                break;
            }
            const qsizetype firstAt = m_pos;
            const int first = classAtom();
            if (first < 0)
                return self;
            items.push_back(first);
            if (node(first).kind == Kind::ClassEscape)
                continue; // a hyphen after it is a literal "-", as browsers read it too
            if (at(m_pos) != u'-' || !has(m_pos + 1) || at(m_pos + 1) == u']')
                continue;
            ++m_pos;
            const int last = classAtom();
            if (last < 0)
                return self;
            if (node(last).kind == Kind::ClassEscape) {
                fail(quoting(QStringLiteral("字符范围的终点不能是字符类"), firstAt, m_pos - firstAt), firstAt);
                return self;
            }
            const char16_t from = node(first).unit;
            const char16_t to = node(last).unit;
            if (to < from) {
                fail(quoting(reason(PCRE2_ERROR_CLASS_RANGE_ORDER), firstAt, m_pos - firstAt), firstAt);
                return self;
            }
            // The two ends become one Range node in the first end's slot; the last end's node, the
            // latest added, goes.
            m_tree.nodes.pop_back();
            SyntaxNode &range = node(first);
            range.kind = Kind::Range;
            range.end = m_pos;
            range.last = to;
        }
        node(self).children = std::move(items);
        node(self).end = m_pos;
        return self;
    }

    QStringView m_in;
    qsizetype m_pos = 0;
    SyntaxTree m_tree;
    PatternError m_error;
    int m_groups = 0;
};

QString unitText(char16_t u) {
    if (u >= 0x21 && u < 0x7F && u != u'\'')
        return QString(QChar(u));
    return QStringLiteral("\\x{") + QString::number(uint(u), 16).toUpper() + u'}';
}

} // namespace

namespace {
std::atomic<quint64> parses{0};
} // namespace

SyntaxTree SyntaxTree::parse(QStringView pattern) {
    parses.fetch_add(1, std::memory_order_relaxed);
    return Parser(pattern).run();
}

quint64 SyntaxTree::parseCount() {
    return parses.load(std::memory_order_relaxed);
}

bool SyntaxTree::canMatchEmpty(int index) const {
    const SyntaxNode &n = node(index);
    switch (n.kind) {
    case Kind::Alternation:
        for (int c : n.children) {
            if (canMatchEmpty(c))
                return true;
        }
        return false;
    case Kind::Sequence:
        for (int c : n.children) {
            if (!canMatchEmpty(c))
                return false;
        }
        return true;
    case Kind::Group:
        if (n.groupKind == SyntaxNode::GroupKind::LookAhead ||
            n.groupKind == SyntaxNode::GroupKind::NegativeLookAhead)
            return true;
        return canMatchEmpty(n.children.front());
    case Kind::Quantifier:
        return n.min == 0 || canMatchEmpty(n.children.front());
    case Kind::Class:
        return false;
    case Kind::LineStart:
    case Kind::LineEnd:
    case Kind::WordBoundary:
    case Kind::NotWordBoundary:
    case Kind::BackReference:
        return true;
    default:
        return false;
    }
}

QString SyntaxTree::dump(int index) const {
    if (nodes.empty())
        return QStringLiteral("error: ") + error.text();
    if (index < 0)
        index = root;
    const SyntaxNode &n = node(index);
    const auto children = [&] {
        QStringList parts;
        for (int c : n.children)
            parts << dump(c);
        return u'(' + parts.join(u' ') + u')';
    };
    switch (n.kind) {
    case Kind::Alternation:
        return QStringLiteral("alt") + children();
    case Kind::Sequence:
        return QStringLiteral("seq") + children();
    case Kind::Group:
        switch (n.groupKind) {
        case SyntaxNode::GroupKind::Capturing:
            return QStringLiteral("group%1").arg(n.number) + children();
        case SyntaxNode::GroupKind::NonCapturing:
            return QStringLiteral("nc") + children();
        case SyntaxNode::GroupKind::LookAhead:
            return QStringLiteral("ahead") + children();
        case SyntaxNode::GroupKind::NegativeLookAhead:
            return QStringLiteral("notahead") + children();
        }
        break;
    case Kind::Quantifier:
        return QStringLiteral("q{%1,%2}%3")
                   .arg(n.min)
                   .arg(n.max == SyntaxNode::Unbounded ? QStringLiteral("inf") : QString::number(n.max))
                   .arg(n.lazy ? QStringLiteral("lazy") : QString()) +
               children();
    case Kind::Class:
        return (n.negated ? QStringLiteral("notclass") : QStringLiteral("class")) + children();
    case Kind::Range:
        return QStringLiteral("range'%1-%2'").arg(unitText(n.unit), unitText(n.last));
    case Kind::ClassEscape:
        return QStringLiteral("esc'%1'").arg(QChar(n.unit));
    case Kind::Literal:
        return QStringLiteral("lit'%1'").arg(unitText(n.unit));
    case Kind::Dot:
        return QStringLiteral("dot");
    case Kind::LineStart:
        return QStringLiteral("start");
    case Kind::LineEnd:
        return QStringLiteral("end");
    case Kind::WordBoundary:
        return QStringLiteral("wordb");
    case Kind::NotWordBoundary:
        return QStringLiteral("notwordb");
    case Kind::BackReference:
        return QStringLiteral("ref%1").arg(n.number);
    }
    return QString();
}

} // namespace rw
