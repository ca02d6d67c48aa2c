#include "PatternConverter.h"

#include "ReplacementWriter.h"
#include "StringLiteral.h"
#include "TargetTraits.h"

#include "core/regex/CaseFolding.h"
#include "core/regex/SyntaxTree.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

namespace rw {

namespace {

using Kind = SyntaxNode::Kind;
using GroupKind = SyntaxNode::GroupKind;

constexpr char32_t LastUnit = 0xFFFF;
constexpr char32_t LastCodePoint = 0x10FFFF;
constexpr char32_t SurrogateFirst = 0xD800;
constexpr char32_t SurrogateLast = 0xDFFF;
constexpr int GoLargestRepeat = 1000; // RE2 refuses larger counts

bool isSurrogate(char32_t c) {
    return c >= SurrogateFirst && c <= SurrogateLast;
}

bool isAsciiLetter(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
}

struct Range {
    char32_t first;
    char32_t last;
};

// A set of UTF-16 units, one bit each; read back as sorted, disjoint ranges a word at a time, so a class
// over a large block costs little.
class UnitSet final {
public:
    void add(char32_t first, char32_t last) {
        for (char32_t c = first; c <= last;) {
            if (c % 64 == 0 && last - c >= 63) {
                m_words[c / 64] = ~Word(0);
                c += 64;
            } else {
                add(c);
                ++c;
            }
        }
    }
    void add(char32_t c) { m_words[c / 64] |= Word(1) << (c % 64); }
    bool contains(char32_t c) const { return c <= LastUnit && (m_words[c / 64] >> (c % 64) & 1); }
    void addAll(const UnitSet &other) {
        for (std::size_t i = 0; i < Words; ++i)
            m_words[i] |= other.m_words[i];
    }
    UnitSet complement() const {
        UnitSet out;
        for (std::size_t i = 0; i < Words; ++i)
            out.m_words[i] = ~m_words[i];
        return out;
    }
    bool anySurrogate() const {
        for (std::size_t i = SurrogateFirst / 64; i <= SurrogateLast / 64; ++i) {
            if (m_words[i])
                return true;
        }
        return false;
    }
    bool allSurrogates() const {
        for (std::size_t i = SurrogateFirst / 64; i <= SurrogateLast / 64; ++i) {
            if (~m_words[i])
                return false;
        }
        return true;
    }
    std::vector<Range> ranges() const {
        std::vector<Range> out;
        bool open = false;
        char32_t first = 0;
        for (std::size_t i = 0; i < Words; ++i) {
            const Word w = m_words[i];
            if ((w == 0 && !open) || (w == ~Word(0) && open))
                continue;
            for (int b = 0; b < 64; ++b) {
                const bool set = w >> b & 1;
                const char32_t c = char32_t(i * 64 + std::size_t(b));
                if (set && !open) {
                    open = true;
                    first = c;
                } else if (!set && open) {
                    open = false;
                    out.push_back({first, c - 1});
                }
            }
        }
        if (open)
            out.push_back({first, LastUnit});
        return out;
    }

private:
    using Word = std::uint64_t;
    static constexpr std::size_t Words = 0x10000 / 64;
    std::array<Word, Words> m_words{};
};

// The units of \d, \w and \s as our dialect defines them: ASCII only.
UnitSet escapeUnits(char16_t letter) {
    UnitSet set;
    switch (QChar::toLower(letter)) {
    case u'd':
        set.add(U'0', U'9');
        break;
    case u'w':
        set.add(U'0', U'9');
        set.add(U'A', U'Z');
        set.add(U'a', U'z');
        set.add(U'_');
        break;
    default: // s
        set.add(U'\t', U'\r');
        set.add(U' ');
        break;
    }
    return QChar::isUpper(letter) ? set.complement() : set;
}

// Code points a target folds together with an ASCII letter although we never do (ſ and s, the Kelvin
// sign and k): under a target's Unicode case folding such a letter must be matched with case folding off.
bool foldsAcrossAscii(char32_t c) {
    return c == U'k' || c == U'K' || c == U's' || c == U'S' || c == 0x017F || c == 0x212A;
}

class Converter final {
public:
    Converter(const SyntaxTree &tree, const QString &in, const RegexOptions &options, ConvertTarget target)
        : m_tree(tree), m_in(in), m_options(options), m_target(target), m_traits(traitsOf(target)) {
        m_parent.assign(tree.nodes.size(), -1);
        for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
            for (int c : tree.nodes[i].children)
                m_parent[std::size_t(c)] = int(i);
        }
        m_groupNode.assign(std::size_t(tree.captureCount) + 1, -1);
        for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
            const SyntaxNode &n = tree.nodes[i];
            if (n.kind == Kind::Group && n.groupKind == GroupKind::Capturing)
                m_groupNode[std::size_t(n.number)] = int(i);
        }
    }

    void run(ConvertedPattern &out) {
        m_out.reserve(m_in.size() * 2);
        if (m_options.global && m_tree.canMatchEmpty(m_tree.root))
            emptyMatchWarning();
        write(m_tree.root);
        out.pattern = std::move(m_out);
        out.warnings = std::move(m_warnings);
    }

    bool usesAsciiClasses() const {
        for (const SyntaxNode &n : m_tree.nodes) {
            if (n.kind == Kind::ClassEscape || n.kind == Kind::WordBoundary || n.kind == Kind::NotWordBoundary)
                return true;
        }
        return false;
    }
    bool usesLineAnchors() const {
        for (const SyntaxNode &n : m_tree.nodes) {
            if (n.kind == Kind::LineStart || n.kind == Kind::LineEnd)
                return true;
        }
        return false;
    }

private:
    const QString &name() const { return m_traits.name; }

    void warn(qsizetype from, qsizetype to, const QString &text) {
        for (const ConvertWarning &w : m_warnings) {
            if (w.from == from && w.to == to && w.text == text)
                return;
        }
        m_warnings.push_back({from, to, text});
    }
    void warn(const SyntaxNode &n, const QString &text) { warn(n.begin, n.end, text); }

    // Global matching after an empty match: ours goes on one unit further; some targets look for a
    // non-empty match at the same place first, Go drops an empty match that touches the one before.
    void emptyMatchWarning() {
        if (m_traits.retriesAfterEmptyMatch)
            warn(0, m_in.size(),
                 QStringLiteral("模式能匹配空串：全局匹配时%1在一个空匹配之后会在同一位置再找非空匹配，本方言则前进一个"
                                "单元再找，匹配列表可能多出匹配").arg(name()));
        else if (m_traits.dropsEmptyAfterMatch)
            warn(0, m_in.size(),
                 QStringLiteral("模式能匹配空串：%1不接受紧接在上一个匹配之后的空匹配，本方言接受，匹配列表可能少"
                                "一些空匹配").arg(name()));
        else if (m_traits.codePoints)
            warn(0, m_in.size(),
                 QStringLiteral("模式能匹配空串：全局匹配时本方言在基本多文种平面以外的字符（如 emoji）的两个 UTF-16 "
                                "单元之间也找空匹配，%1按码点前进，不在那里找").arg(name()));
    }

    // Code-point targets see a character beyond the Basic Multilingual Plane as one; ours sees two units.
    void astralWarning(const SyntaxNode &n) {
        if (!m_traits.codePoints || m_astralWarned)
            return;
        m_astralWarned = true;
        warn(n, QStringLiteral("%1能匹配单个 UTF-16 单元：%2按码点匹配，基本多文种平面以外的字符（如 emoji）在"
                               "%2里是一个字符，本方言把它当作两个单元")
                    .arg(m_in.mid(n.begin, n.end - n.begin), name()));
    }

    void write(int index) {
        const SyntaxNode &n = m_tree.node(index);
        switch (n.kind) {
        case Kind::Alternation:
            for (std::size_t i = 0; i < n.children.size(); ++i) {
                if (i > 0) {
                    m_out += u'|';
                    m_afterReference = false;
                }
                write(n.children[i]);
            }
            return;
        case Kind::Sequence:
            sequence(n);
            return;
        case Kind::Group:
            group(n);
            return;
        case Kind::Quantifier:
            quantifier(n);
            return;
        case Kind::Class:
            characterClass(n);
            return;
        case Kind::Range:
            return;
        case Kind::ClassEscape:
            classEscape(n);
            return;
        case Kind::Literal:
            literal(n, n.unit);
            return;
        case Kind::Dot:
            dot(n);
            return;
        case Kind::LineStart:
            lineStart(n);
            return;
        case Kind::LineEnd:
            lineEnd(n);
            return;
        case Kind::WordBoundary:
        case Kind::NotWordBoundary:
            wordBoundary(n);
            return;
        case Kind::BackReference:
            backReference(n);
            return;
        }
    }

    // Two literal units of a surrogate pair side by side are one character to a code-point target.
    void sequence(const SyntaxNode &n) {
        for (std::size_t i = 0; i < n.children.size(); ++i) {
            const SyntaxNode &c = m_tree.node(n.children[i]);
            if (m_traits.codePoints && c.kind == Kind::Literal && QChar::isHighSurrogate(c.unit) &&
                i + 1 < n.children.size()) {
                const SyntaxNode &next = m_tree.node(n.children[i + 1]);
                if (next.kind == Kind::Literal && QChar::isLowSurrogate(next.unit)) {
                    pairLiteral(c, next);
                    ++i;
                    continue;
                }
            }
            write(n.children[i]);
        }
    }

    void pairLiteral(const SyntaxNode &high, const SyntaxNode &low) {
        const char32_t c = QChar::surrogateToUcs4(high.unit, low.unit);
        beforeAtom();
        const bool cased = char32_t(QChar::toLower(c)) != c || char32_t(QChar::toUpper(c)) != c;
        if (m_options.ignoreCase && cased && m_traits.unicodeCaseFolding) {
            // We never fold a character beyond the BMP (its units have no case); the target would.
            m_out += QStringLiteral("(?-i:") + charText(c, false) + u')';
            return;
        }
        m_out += charText(c, false);
    }

    // Before an atom that starts with a digit, a back reference just written must be closed off.
    void beforeAtom() {
        m_afterReference = false;
    }

    void append(const QString &text) {
        if (m_afterReference && !text.isEmpty() && text.front().isDigit())
            m_out += QStringLiteral("(?:)");
        m_afterReference = false;
        m_out += text;
    }

    void group(const SyntaxNode &n) {
        beforeAtom();
        switch (n.groupKind) {
        case GroupKind::Capturing:
            if (m_copyDepth > 0)
                m_out += QStringLiteral("(?:");
            else
                m_out += u'(';
            if (m_traits.resetsCapturesEachIteration && m_copyDepth == 0)
                captureResetWarning(n);
            break;
        case GroupKind::NonCapturing:
            m_out += QStringLiteral("(?:");
            break;
        case GroupKind::LookAhead:
        case GroupKind::NegativeLookAhead:
            if (!m_traits.lookahead) {
                droppedLookahead(n);
                return;
            }
            m_out += n.groupKind == GroupKind::LookAhead ? QStringLiteral("(?=") : QStringLiteral("(?!");
            break;
        }
        write(n.children.front());
        m_out += u')';
        m_afterReference = false;
    }

    // Go has no lookahead: it is left out (it always succeeds), and its groups become empty groups so
    // the later ones keep their numbers.
    void droppedLookahead(const SyntaxNode &n) {
        warn(n, QStringLiteral("%1不支持%2%3，转换时省略了它，匹配范围比本方言宽")
                    .arg(name(),
                         n.groupKind == GroupKind::LookAhead ? QStringLiteral("顺序肯定环视 ")
                                                              : QStringLiteral("顺序否定环视 "),
                         m_in.mid(n.begin, std::min<qsizetype>(n.end - n.begin, 24))));
        std::vector<int> stack{n.children.front()};
        int groups = 0;
        while (!stack.empty()) {
            const SyntaxNode &c = m_tree.node(stack.back());
            stack.pop_back();
            if (c.kind == Kind::Group && c.groupKind == GroupKind::Capturing)
                ++groups;
            for (int child : c.children)
                stack.push_back(child);
        }
        if (m_copyDepth == 0) {
            for (int g = 0; g < groups; ++g)
                m_out += QStringLiteral("()");
        }
        if (groups == 0)
            m_out += QStringLiteral("(?:)");
    }

    // Whether node `index` may take no part in a match of the subtree at `top` (an ancestor of it):
    // an alternation, an optional repeat or a negative lookahead lies between.
    bool mayBeSkippedWithin(int index, int top) const {
        for (int p = m_parent[std::size_t(index)]; p >= 0; p = m_parent[std::size_t(p)]) {
            const SyntaxNode &a = m_tree.node(p);
            if (a.kind == Kind::Alternation)
                return true;
            if (a.kind == Kind::Quantifier && a.min == 0)
                return true;
            if (a.kind == Kind::Group && a.groupKind == GroupKind::NegativeLookAhead)
                return true;
            if (p == top)
                break;
        }
        return false;
    }

    int nodeIndex(const SyntaxNode &n) const { return int(&n - m_tree.nodes.data()); }

    // JavaScript clears a repeat's groups at the start of every iteration; ours keeps the value of the
    // last iteration that set one. They differ for a group an iteration may skip.
    void captureResetWarning(const SyntaxNode &group) {
        const int self = nodeIndex(group);
        for (int p = m_parent[std::size_t(self)]; p >= 0; p = m_parent[std::size_t(p)]) {
            const SyntaxNode &a = m_tree.node(p);
            if (a.kind != Kind::Quantifier || (a.max != SyntaxNode::Unbounded && a.max <= 1))
                continue;
            if (mayBeSkippedWithin(self, p)) {
                warn(group, QStringLiteral("重复中的分组 %1 可能在某次重复里不参与：%2每次重复开始时清空其中的分组，"
                                           "本方言保留最后一次设置的值")
                                .arg(group.number)
                                .arg(name()));
                return;
            }
        }
    }

    void quantifier(const SyntaxNode &n) {
        const SyntaxNode &repeated = m_tree.node(n.children.front());
        if (repeated.kind == Kind::Class && !repeated.negated && repeated.children.empty()) {
            // "[]" matches nothing: repeated from zero it matches the empty string, otherwise nothing.
            beforeAtom();
            m_out += n.min == 0 ? QStringLiteral("(?:)") : neverText();
            return;
        }
        if (!m_traits.emptyIterationRule && m_copyDepth == 0 &&
            (repeated.kind == Kind::Group &&
             (repeated.groupKind == GroupKind::Capturing || repeated.groupKind == GroupKind::NonCapturing)) &&
            n.max != n.min && m_tree.canMatchEmpty(n.children.front()))
            warn(n, QStringLiteral("重复的组可能匹配空串：本方言不接受超出最少次数的空循环（会退回去试能前进的分支），"
                                   "%1接受一次空循环就停止，匹配与分组可能不同").arg(name()));
        if (m_traits.codePoints && repeated.kind == Kind::Literal && QChar::isLowSurrogate(repeated.unit))
            astralWarning(n);
        const qsizetype before = m_out.size();
        write(n.children.front());
        if (m_out.size() == before)
            m_out += QStringLiteral("(?:)");
        int min = n.min;
        int max = n.max;
        if (m_target == ConvertTarget::Go && (min > GoLargestRepeat || max > GoLargestRepeat)) {
            warn(n, QStringLiteral("Go 的重复次数最多 1000，这里改成了 1000"));
            min = std::min(min, GoLargestRepeat);
            if (max != SyntaxNode::Unbounded)
                max = std::min(max, GoLargestRepeat);
        }
        QString op;
        if (min == 0 && max == SyntaxNode::Unbounded)
            op = QStringLiteral("*");
        else if (min == 1 && max == SyntaxNode::Unbounded)
            op = QStringLiteral("+");
        else if (min == 0 && max == 1)
            op = QStringLiteral("?");
        else if (max == SyntaxNode::Unbounded)
            op = QStringLiteral("{%1,}").arg(min);
        else if (min == max)
            op = QStringLiteral("{%1}").arg(min);
        else
            op = QStringLiteral("{%1,%2}").arg(min).arg(max);
        if (n.lazy)
            op += u'?';
        m_out += op;
        m_afterReference = false;
    }

    // A pattern that never matches, in the target's syntax.
    QString neverText() const {
        if (!m_traits.lookahead)
            return QStringLiteral("[^\\x00-\\x{10FFFF}]");
        return QStringLiteral("(?!)");
    }

    // Any unit (or any character), in the target's syntax.
    QString anyText() const { return QStringLiteral("[\\s\\S]"); }

    // A unit or code point written as the target reads it; inClass also escapes what a class treats
    // specially.
    QString charText(char32_t c, bool inClass) const {
        if ((c >= U'0' && c <= U'9') || isAsciiLetter(c))
            return QString(QChar(c));
        if (c >= 0x20 && c < 0x7F) {
            static const QString outside = QStringLiteral("\\^$.|?*+()[]{}");
            static const QString inside = QStringLiteral("\\]^-[");
            const QChar q(c);
            const bool special = inClass ? (inside.contains(q) || (m_traits.escapeAmpersandInClass && c == U'&'))
                                         : outside.contains(q);
            if (special || (c == U'/' && m_traits.escapeSlash))
                return QString(QChar(u'\\')) + q;
            return QString(q);
        }
        switch (c) {
        case U'\t':
            return QStringLiteral("\\t");
        case U'\n':
            return QStringLiteral("\\n");
        case U'\r':
            return QStringLiteral("\\r");
        case U'\f':
            return QStringLiteral("\\f");
        default:
            break;
        }
        if (c < 0x80)
            return QStringLiteral("\\x%1").arg(uint(c), 2, 16, QChar(u'0')).toUpper().replace(u'X', u'x');
        if (!isSurrogate(c) && isPlainCharacter(c))
            return QString::fromUcs4(&c, 1);
        return m_traits.escapeCode(c);
    }

    void literal(const SyntaxNode &n, char16_t u) {
        if (m_traits.codePoints && QChar::isSurrogate(u)) {
            // A lone surrogate: a UTF-8 target has no such character; the others match it only where the
            // text has one on its own, never half of a pair.
            astralWarning(n);
            if (m_traits.utf8Only) {
                append(neverText());
                return;
            }
        }
        if (m_options.ignoreCase) {
            const auto variants = CaseFolding::variants(u);
            if (!variants.empty()) {
                UnitSet set;
                set.add(u);
                for (char16_t v : variants)
                    set.add(v);
                append(classText(set, false, {}));
                return;
            }
            if (m_traits.unicodeCaseFolding && foldsAcrossAscii(u)) {
                UnitSet set;
                set.add(u);
                if (isAsciiLetter(u))
                    set.add(QChar::isUpper(u) ? QChar::toLower(u) : QChar::toUpper(u));
                append(QStringLiteral("(?-i:") + classText(set, false, {}, true) + u')');
                return;
            }
        }
        append(charText(u, false));
    }

    void dot(const SyntaxNode &n) {
        astralWarning(n);
        append(m_traits.dotIsNotNewline ? QStringLiteral(".") : QStringLiteral("[^\\n]"));
    }

    void lineStart(const SyntaxNode &n) {
        if (!m_options.multiline) {
            append(QStringLiteral("^"));
            return;
        }
        if (m_traits.multilineFlag) {
            if (!m_traits.multilineSeesCarriageReturn)
                warn(n, QStringLiteral("多行模式下，%1的 ^ 只在 \\n 之后匹配，本方言也在单独的 \\r 之后匹配").arg(name()));
            append(QStringLiteral("^"));
            return;
        }
        // After every "\n" and every "\r" on its own, which no target's multi-line mode says exactly.
        append(QStringLiteral("(?<![^\\n\\r])"));
    }

    void lineEnd(const SyntaxNode &n) {
        if (!m_options.multiline) {
            append(m_traits.textEnd);
            return;
        }
        if (m_traits.multilineFlag) {
            if (!m_traits.multilineSeesCarriageReturn)
                warn(n, QStringLiteral("多行模式下，%1的 $ 只在 \\n 之前匹配，本方言也在单独的 \\r 之前匹配").arg(name()));
            append(QStringLiteral("$"));
            return;
        }
        append(QStringLiteral("(?![^\\n\\r])"));
    }

    // The ASCII word characters as a class the target reads the same under any option.
    QString wordClass() const {
        return caseGuarded(QStringLiteral("[A-Za-z0-9_]"), true);
    }

    // Wraps text in "(?-i:...)" when a target's Unicode case folding would let it match more.
    QString caseGuarded(const QString &text, bool hasFoldingLetters) const {
        if (m_options.ignoreCase && m_traits.unicodeCaseFolding && hasFoldingLetters)
            return QStringLiteral("(?-i:") + text + u')';
        return text;
    }

    void wordBoundary(const SyntaxNode &n) {
        const bool negated = n.kind == Kind::NotWordBoundary;
        if (m_traits.asciiWordBoundary) {
            append(negated ? QStringLiteral("\\B") : QStringLiteral("\\b"));
            return;
        }
        const QString w = QStringLiteral("[A-Za-z0-9_]");
        const QString text =
            negated ? QStringLiteral("(?:(?<=%1)(?=%1)|(?<!%1)(?!%1))").arg(w)
                    : QStringLiteral("(?:(?<=%1)(?!%1)|(?<!%1)(?=%1))").arg(w);
        append(caseGuarded(text, true));
    }

    bool nativeEscape(char16_t letter) const {
        switch (QChar::toLower(letter)) {
        case u'd':
            return m_traits.asciiDigit;
        case u'w':
            return m_traits.asciiWord;
        default:
            return m_traits.asciiSpace;
        }
    }

    void classEscape(const SyntaxNode &n) {
        if (QChar::isUpper(n.unit))
            astralWarning(n);
        if (nativeEscape(n.unit)) {
            // Go folds what \w matches under (?i): "ſ" and the Kelvin sign join it.
            const bool letters = n.unit == u'w' || n.unit == u'W' || n.unit == u'S' || n.unit == u'D';
            append(caseGuarded(QStringLiteral("\\") + QChar(n.unit), letters));
            return;
        }
        const char16_t lower = QChar::toLower(n.unit);
        const UnitSet set = escapeUnits(lower);
        append(classText(set, QChar::isUpper(n.unit), {}));
    }

    void characterClass(const SyntaxNode &n) {
        if (n.children.empty()) {
            if (n.negated)
                astralWarning(n);
            append(n.negated ? (m_traits.emptyClass ? QStringLiteral("[^]") : anyText())
                             : (m_traits.emptyClass ? QStringLiteral("[]") : neverText()));
            return;
        }
        UnitSet set;    // what the class's items match, as units
        UnitSet spelt;  // the part written out as ranges (the rest are escapes the target reads as we do)
        QStringList escapes;
        for (int c : n.children) {
            const SyntaxNode &item = m_tree.node(c);
            if (item.kind == Kind::ClassEscape) {
                const UnitSet units = escapeUnits(item.unit);
                set.addAll(units);
                if (nativeEscape(item.unit))
                    escapes << QStringLiteral("\\") + QChar(item.unit);
                else
                    spelt.addAll(units);
            } else {
                const char32_t last = item.kind == Kind::Range ? item.last : item.unit;
                set.add(item.unit, last);
                spelt.add(item.unit, last);
            }
        }
        if (m_options.ignoreCase) {
            // Beyond ASCII the target's own case folding is not ours: the variants are spelt out.
            UnitSet variants;
            for (const Range &r : spelt.ranges()) {
                for (char32_t u = std::max<char32_t>(r.first, 0x80); u <= r.last; ++u) {
                    for (char16_t v : CaseFolding::variants(char16_t(u)))
                        variants.add(v);
                }
            }
            spelt.addAll(variants);
            set.addAll(variants);
        }
        const bool matchesSurrogate = n.negated ? !set.allSurrogates() : set.anySurrogate();
        if (matchesSurrogate)
            astralWarning(n);
        append(classText(spelt, n.negated, escapes));
    }

    // A class of the units in set (negated when asked) plus escapes the target reads as ours.
    // guardedInside: the caller wraps the class in "(?-i:...)" itself.
    QString classText(const UnitSet &set, bool negated, const QStringList &escapes, bool guardedInside = false) const {
        std::vector<Range> ranges = set.ranges();
        if (m_traits.codePoints) {
            // A code-point target has no surrogate characters in a text of pairs: the block goes, and a
            // class that holds all of it holds every character beyond the BMP instead.
            const bool all = set.allSurrogates();
            std::vector<Range> kept;
            for (const Range &r : ranges) {
                if (r.last < SurrogateFirst || r.first > SurrogateLast) {
                    kept.push_back(r);
                    continue;
                }
                if (r.first < SurrogateFirst)
                    kept.push_back({r.first, SurrogateFirst - 1});
                if (r.last > SurrogateLast)
                    kept.push_back({SurrogateLast + 1, r.last});
            }
            if (all) {
                if (!kept.empty() && kept.back().last == LastUnit)
                    kept.back().last = LastCodePoint;
                else
                    kept.push_back({0x10000, LastCodePoint});
            }
            ranges = std::move(kept);
        }
        bool foldingLetters = false;
        if (m_options.ignoreCase && m_traits.unicodeCaseFolding && !guardedInside) {
            for (const Range &r : ranges) {
                for (char32_t c : {U'k', U'K', U's', U'S', char32_t(0x017F), char32_t(0x212A)}) {
                    if (c >= r.first && c <= r.last)
                        foldingLetters = true;
                }
            }
            if (!escapes.isEmpty() && (escapes.contains(QStringLiteral("\\w")) || escapes.contains(QStringLiteral("\\W")) ||
                                       escapes.contains(QStringLiteral("\\S")) || escapes.contains(QStringLiteral("\\D"))))
                foldingLetters = true;
        }
        if (foldingLetters) {
            // Folding goes off inside: ASCII letters get their other case written out instead.
            UnitSet withCases = set;
            for (const Range &r : set.ranges()) {
                for (char32_t c = r.first; c <= std::min<char32_t>(r.last, 0x7F); ++c) {
                    if (isAsciiLetter(c))
                        withCases.add(QChar::isUpper(c) ? QChar::toLower(c) : QChar::toUpper(c));
                }
            }
            return QStringLiteral("(?-i:") + classText(withCases, negated, escapes, true) + u')';
        }
        if (!negated && escapes.isEmpty() && ranges.size() == 1 && ranges.front().first == ranges.front().last &&
            !guardedInside)
            return charText(ranges.front().first, false);
        if (ranges.empty() && escapes.isEmpty())
            return negated ? anyText() : neverText();
        QString text = negated ? QStringLiteral("[^") : QStringLiteral("[");
        for (const QString &e : escapes)
            text += e;
        for (const Range &r : ranges) {
            text += charText(r.first, true);
            if (r.last != r.first) {
                if (r.last > r.first + 1)
                    text += u'-';
                text += charText(r.last, true);
            }
        }
        text += u']';
        return text;
    }

    // Whether group `number` has surely been set where node `ref` stands (ref not inside it).
    bool surelySet(int groupIndex, int ref) const {
        const SyntaxNode &g = m_tree.node(groupIndex);
        if (g.end > m_tree.node(ref).begin)
            return false;
        std::vector<int> refAncestors;
        for (int p = m_parent[std::size_t(ref)]; p >= 0; p = m_parent[std::size_t(p)])
            refAncestors.push_back(p);
        for (int p = m_parent[std::size_t(groupIndex)]; p >= 0; p = m_parent[std::size_t(p)]) {
            const SyntaxNode &a = m_tree.node(p);
            const bool common = std::find(refAncestors.begin(), refAncestors.end(), p) != refAncestors.end();
            if (common)
                return a.kind != Kind::Alternation;
            if (a.kind == Kind::Alternation || (a.kind == Kind::Quantifier && a.min == 0) ||
                (a.kind == Kind::Group && a.groupKind == GroupKind::NegativeLookAhead))
                return false;
        }
        return true;
    }

    bool isInside(int index, int ancestor) const {
        for (int p = m_parent[std::size_t(index)]; p >= 0; p = m_parent[std::size_t(p)]) {
            if (p == ancestor)
                return true;
        }
        return false;
    }

    // Whether some repeat of more than one iteration encloses node index.
    bool repeated(int index) const {
        for (int p = m_parent[std::size_t(index)]; p >= 0; p = m_parent[std::size_t(p)]) {
            const SyntaxNode &a = m_tree.node(p);
            if (a.kind == Kind::Quantifier && (a.max == SyntaxNode::Unbounded || a.max > 1))
                return true;
        }
        return false;
    }

    void backReference(const SyntaxNode &n) {
        const int self = nodeIndex(n);
        const int groupIndex = m_groupNode[std::size_t(n.number)];
        const QString plain = QStringLiteral("\\%1").arg(n.number);
        if (m_options.ignoreCase && m_traits.backReferenceFoldsUnicode)
            warn(n, QStringLiteral("忽略大小写时，本方言的反向引用 %1 只把 ASCII 字母的大小写视为相同，%2还比较其他"
                                   "文字的大小写").arg(m_in.mid(n.begin, n.end - n.begin), name()));
        if (!m_traits.backReferences) {
            goReference(n, groupIndex);
            return;
        }
        const bool open = isInside(self, groupIndex);
        if (open) {
            openReference(n, groupIndex, plain);
            return;
        }
        if (m_traits.unsetReferenceMatchesEmpty || surelySet(groupIndex, self)) {
            append(plain);
            m_afterReference = true;
            return;
        }
        if (m_traits.conditionals) {
            append(QStringLiteral("(?(%1)%2)").arg(n.number).arg(plain));
            return;
        }
        warn(n, QStringLiteral("分组 %1 在这里可能未参与匹配：本方言中引用它匹配空串，%2中引用失败")
                    .arg(n.number)
                    .arg(name()));
        append(plain);
        m_afterReference = true;
    }

    // A reference inside the group it names: on the group's first pass the group is unset (empty for us);
    // in a repeat it holds the previous iteration's text.
    void openReference(const SyntaxNode &n, int groupIndex, const QString &plain) {
        const bool again = repeated(groupIndex);
        if (m_traits.conditionals && !m_traits.openReferenceIsError) {
            append(QStringLiteral("(?(%1)%2)").arg(n.number).arg(plain));
            return;
        }
        if (m_traits.unsetReferenceMatchesEmpty && !m_traits.resetsCapturesEachIteration) {
            append(plain);
            m_afterReference = true;
            return;
        }
        if (m_traits.openReferenceIsError || m_traits.resetsCapturesEachIteration) {
            // Unset on every pass the target sees: the empty string.
            if (again)
                warn(n, QStringLiteral("引用 %1 在它自己的分组里：本方言在重复中引用上一次的值，%2中它总是空的")
                            .arg(m_in.mid(n.begin, n.end - n.begin), name()));
            append(QStringLiteral("(?:)"));
            return;
        }
        warn(n, QStringLiteral("引用 %1 在它自己的分组里：本方言中第一次经过时它匹配空串，%2中引用失败")
                    .arg(m_in.mid(n.begin, n.end - n.begin), name()));
        append(plain);
        m_afterReference = true;
    }

    // Go has no back references: the group's own pattern stands in, which accepts any text the group
    // could match, not only the text it did match.
    void goReference(const SyntaxNode &n, int groupIndex) {
        warn(n, QStringLiteral("%1不支持反向引用 %2：转换时写成了分组 %3 的模式本身，它能匹配分组可能匹配的任何文本")
                    .arg(name(), m_in.mid(n.begin, n.end - n.begin))
                    .arg(n.number));
        if (isInside(nodeIndex(n), groupIndex) || m_copyDepth > 4) {
            append(QStringLiteral("(?:)"));
            return;
        }
        ++m_copyDepth;
        append(QStringLiteral("(?:"));
        write(m_tree.node(groupIndex).children.front());
        m_out += u')';
        --m_copyDepth;
    }

    const SyntaxTree &m_tree;
    const QString &m_in;
    RegexOptions m_options;
    ConvertTarget m_target;
    const TargetTraits &m_traits;
    std::vector<int> m_parent;
    std::vector<int> m_groupNode; // per group number: its node
    QString m_out;
    std::vector<ConvertWarning> m_warnings;
    bool m_astralWarned = false;
    bool m_afterReference = false;
    int m_copyDepth = 0; // inside a copy of a group standing in for a reference (Go)

    friend class rw::PatternConverter;
};

QStringList flagsOf(ConvertTarget target, const RegexOptions &options, bool asciiClasses, bool lineAnchors) {
    QStringList flags;
    switch (target) {
    case ConvertTarget::JavaScript:
        if (options.global)
            flags << QStringLiteral("g");
        if (options.ignoreCase)
            flags << QStringLiteral("i");
        break;
    case ConvertTarget::Python:
        // ASCII keeps \d \w \s \b ours and case folding to ASCII letters; the rest is spelt out.
        if (asciiClasses || options.ignoreCase)
            flags << QStringLiteral("re.ASCII");
        if (options.ignoreCase)
            flags << QStringLiteral("re.IGNORECASE");
        break;
    case ConvertTarget::Java:
        if (options.ignoreCase)
            flags << QStringLiteral("Pattern.CASE_INSENSITIVE");
        break;
    case ConvertTarget::DotNet:
        if (options.ignoreCase)
            flags << QStringLiteral("RegexOptions.IgnoreCase") << QStringLiteral("RegexOptions.CultureInvariant");
        break;
    case ConvertTarget::Go:
        if (options.ignoreCase)
            flags << QStringLiteral("i");
        if (options.multiline && lineAnchors)
            flags << QStringLiteral("m");
        break;
    case ConvertTarget::Php:
        if (options.ignoreCase)
            flags << QStringLiteral("i");
        flags << QStringLiteral("u");
        break;
    case ConvertTarget::Cpp:
        flags << QStringLiteral("std::regex::ECMAScript");
        if (options.ignoreCase)
            flags << QStringLiteral("std::regex::icase");
        if (options.multiline && lineAnchors)
            flags << QStringLiteral("std::regex::multiline");
        break;
    case ConvertTarget::Pcre2:
        flags << QStringLiteral("PCRE2_UTF") << QStringLiteral("PCRE2_ALLOW_EMPTY_CLASS")
              << QStringLiteral("PCRE2_MATCH_UNSET_BACKREF");
        if (options.ignoreCase)
            flags << QStringLiteral("PCRE2_CASELESS");
        break;
    case ConvertTarget::VbScript:
        if (options.ignoreCase)
            flags << QStringLiteral("IgnoreCase");
        if (options.global)
            flags << QStringLiteral("Global");
        if (options.multiline)
            flags << QStringLiteral("Multiline");
        break;
    }
    return flags;
}

} // namespace

QString ConvertedPattern::flagsText() const {
    switch (target) {
    case ConvertTarget::JavaScript:
    case ConvertTarget::Go:
    case ConvertTarget::Php:
        return flags.join(QString());
    case ConvertTarget::Python:
    case ConvertTarget::Java:
    case ConvertTarget::Pcre2:
        return flags.isEmpty() ? QStringLiteral("0") : flags.join(QStringLiteral(" | "));
    case ConvertTarget::DotNet:
        return flags.isEmpty() ? QStringLiteral("RegexOptions.None") : flags.join(QStringLiteral(" | "));
    case ConvertTarget::Cpp:
        return flags.join(QStringLiteral(" | "));
    case ConvertTarget::VbScript:
        return flags.join(QStringLiteral(", "));
    }
    return QString();
}

std::vector<ReplacementPiece> PatternConverter::replacementPieces(QStringView replacement, int groupCount) {
    std::vector<ReplacementPiece> pieces;
    const auto literal = [&](QStringView text) {
        if (text.isEmpty())
            return;
        if (!pieces.empty() && pieces.back().kind == ReplacementPiece::Kind::Literal)
            pieces.back().text += text;
        else
            pieces.push_back({ReplacementPiece::Kind::Literal, text.toString(), 0});
    };
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    const qsizetype n = replacement.size();
    qsizetype from = 0;
    qsizetype i = 0;
    const auto marker = [&](ReplacementPiece::Kind kind, int group, qsizetype length) {
        literal(replacement.mid(from, i - from));
        pieces.push_back({kind, QString(), group});
        i += length;
        from = i;
    };
    while (i < n) {
        if (replacement[i] != u'$' || i + 1 >= n) {
            ++i;
            continue;
        }
        const QChar c = replacement[i + 1];
        if (c == u'$') {
            literal(replacement.mid(from, i + 1 - from));
            i += 2;
            from = i;
        } else if (c == u'&') {
            marker(ReplacementPiece::Kind::Group, 0, 2);
        } else if (c == u'`') {
            marker(ReplacementPiece::Kind::Before, 0, 2);
        } else if (c == u'\'') {
            marker(ReplacementPiece::Kind::After, 0, 2);
        } else if (isDigit(c)) {
            const int first = c.unicode() - u'0';
            const int both = i + 2 < n && isDigit(replacement[i + 2])
                                 ? first * 10 + (replacement[i + 2].unicode() - u'0')
                                 : -1;
            if (both >= 1 && both <= groupCount)
                marker(ReplacementPiece::Kind::Group, both, 3);
            else if (first >= 1 && first <= groupCount)
                marker(ReplacementPiece::Kind::Group, first, 2);
            else
                ++i;
        } else {
            ++i;
        }
    }
    literal(replacement.mid(from));
    return pieces;
}

ConvertedPattern PatternConverter::convert(const QString &pattern, const RegexOptions &options, ConvertTarget target,
                                           const std::optional<QString> &replacement) {
    return convert(SyntaxTree::parse(pattern), pattern, options, target, replacement);
}

ConvertedPattern PatternConverter::convert(const PatternValue &value, ConvertTarget target,
                                           const std::optional<QString> &replacement) {
    return convert(value.tree, value.text, value.options, target, replacement);
}

ConvertedPattern PatternConverter::convert(const SyntaxTree &tree, const QString &pattern, const RegexOptions &options,
                                           ConvertTarget target, const std::optional<QString> &replacement) {
    ConvertedPattern out;
    out.target = target;
    out.options = options;
    out.options.perLine = false;
    // Our own compile decides validity: it also rejects what only PCRE2 finds wrong (a bound too big).
    const Pattern compiled = Pattern::compile(tree, pattern, out.options);
    if (!compiled.isValid()) {
        out.error = compiled.error();
        return out;
    }
    out.captureCount = tree.captureCount;
    Converter converter(tree, pattern, out.options, target);
    const bool asciiClasses = converter.usesAsciiClasses();
    const bool lineAnchors = converter.usesLineAnchors();
    if (target == ConvertTarget::VbScript) {
        out.pattern = pattern;
    } else {
        converter.run(out);
    }
    out.flags = flagsOf(target, out.options, asciiClasses, lineAnchors);
    if (target == ConvertTarget::Go && !out.flags.isEmpty())
        out.pattern = QStringLiteral("(?") + out.flags.join(QString()) + u')' + out.pattern;
    if (target == ConvertTarget::Php)
        out.pattern = u'/' + out.pattern + u'/' + out.flags.join(QString());
    if (replacement) {
        out.hasReplacement = true;
        out.replacementPieces = replacementPieces(*replacement, tree.captureCount);
        writeReplacement(out, *replacement);
    }
    return out;
}

} // namespace rw
