#include "PatternTranslator.h"

#include "CaseFolding.h"
#include "SyntaxTree.h"

#include <vector>

namespace rw {

namespace {

constexpr int UnitCount = 0x10000;

bool isAsciiAlnum(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

QString hexEscape(char16_t u) {
    return QStringLiteral("\\x{") + QString::number(uint(u), 16).toUpper() + u'}';
}

// A unit inside a PCRE2 class: letters and digits as they are, other printable ASCII escaped with a
// backslash (which PCRE2 always reads as the literal), everything else by its code.
QString classUnit(char16_t u) {
    if (isAsciiAlnum(u))
        return QString(QChar(u));
    if (u >= 0x20 && u < 0x7F)
        return QString(QChar(u'\\')) + QChar(u);
    return hexEscape(u);
}

struct UnitRange {
    char16_t first;
    char16_t last;
};

using Kind = SyntaxNode::Kind;

// Writes the PCRE2 pattern of a syntax tree, keeping for every unit written the source offset of the
// piece that produced it.
class Emitter final {
public:
    Emitter(const SyntaxTree &tree, QStringView in, const RegexOptions &options)
        : m_tree(tree), m_in(in), m_ignoreCase(options.ignoreCase), m_multiline(options.multiline) {
        m_out.reserve(in.size() * 2);
        m_copies.resize(std::size_t(tree.captureCount) + 1);
    }

    PatternTranslator::Result run() {
        write(m_tree.root);
        PatternTranslator::Result result;
        result.pattern = std::move(m_out);
        result.captureCount = m_tree.captureCount;
        if (m_pcreGroups != m_tree.captureCount) {
            m_copies.erase(m_copies.begin()); // group 0 is the match, never copied
            result.groupCopies = std::move(m_copies);
        }
        result.emptyIterationGroups = std::move(m_emptyIterationGroups);
        result.sourceOffsets = std::move(m_sourceOffsets);
        result.sourceLength = m_in.size();
        return result;
    }

private:
    // Marks what was written since the last mark as coming from source offset `from`.
    void mark(qsizetype from) { m_sourceOffsets.resize(std::size_t(m_out.size()), from); }

    void write(int index) {
        const SyntaxNode &n = m_tree.node(index);
        switch (n.kind) {
        case Kind::Alternation:
            for (std::size_t i = 0; i < n.children.size(); ++i) {
                if (i > 0) {
                    m_out += u'|';
                    mark(m_tree.node(n.children[i]).begin - 1);
                }
                write(n.children[i]);
            }
            return;
        case Kind::Sequence:
            for (int c : n.children)
                write(c);
            return;
        case Kind::Group:
            group(n);
            return;
        case Kind::Quantifier:
            quantifier(n);
            return;
        case Kind::Class:
            characterClass(n);
            break;
        case Kind::Range: // only inside a class
            break;
        case Kind::ClassEscape:
            m_out += u'\\';
            m_out += QChar(n.unit);
            break;
        case Kind::Literal:
            literal(n.unit);
            break;
        case Kind::Dot:
            m_out += QStringLiteral("[^\\n]");
            break;
        case Kind::LineStart:
            // Multiline: after every "\n" and every "\r" on its own, which no PCRE2 newline setting gives.
            m_out += m_multiline ? QStringLiteral("(?<![^\\n\\r])") : QStringLiteral("\\A");
            break;
        case Kind::LineEnd:
            m_out += m_multiline ? QStringLiteral("(?![^\\n\\r])") : QStringLiteral("\\z");
            break;
        case Kind::WordBoundary:
            m_out += QStringLiteral("\\b");
            break;
        case Kind::NotWordBoundary:
            m_out += QStringLiteral("\\B");
            break;
        case Kind::BackReference:
            backReference(n.number);
            break;
        }
        mark(n.begin);
    }

    // The copies of the group standing before this point; the latest one set is the group's value, which
    // a conditional picks when the group was written more than once.
    void backReference(int number) {
        const std::vector<int> &copies = m_copies[std::size_t(number)];
        QString reference = QStringLiteral("\\g{%1}").arg(copies.front());
        for (std::size_t i = 1; i < copies.size(); ++i)
            reference = QStringLiteral("(?(%1)\\g{%1}|%2)").arg(copies[i]).arg(reference);
        m_out += reference;
    }

    void group(const SyntaxNode &n) {
        switch (n.groupKind) {
        case SyntaxNode::GroupKind::Capturing:
            m_out += u'(';
            m_copies[std::size_t(n.number)].push_back(++m_pcreGroups);
            break;
        case SyntaxNode::GroupKind::NonCapturing:
            m_out += QStringLiteral("(?:");
            break;
        case SyntaxNode::GroupKind::LookAhead:
            m_out += QStringLiteral("(?=");
            break;
        case SyntaxNode::GroupKind::NegativeLookAhead:
            m_out += QStringLiteral("(?!");
            break;
        }
        mark(n.begin);
        write(n.children.front());
        m_out += u')';
        mark(n.end - 1);
    }

    void quantifier(const SyntaxNode &n) {
        const SyntaxNode &repeated = m_tree.node(n.children.front());
        if (repeated.kind == Kind::Class && !repeated.negated && repeated.children.empty() && n.min == 0) {
            // "[]" matches nothing, so "[]?", "[]*" and "[]{0,n}" can only repeat it no times: they
            // match the empty string, where PCRE2 would fail on the empty class.
            m_out += QStringLiteral("(?:)");
            mark(n.begin);
            return;
        }
        if (rejectsEmptyIterations(n, repeated)) {
            emptyCheckedRepeat(n);
            return;
        }
        write(n.children.front());
        // The quantifier's own text passes through, so a bound PCRE2 finds too big is reported by
        // PCRE2 at the place the user wrote it.
        m_out += m_in.mid(n.opBegin, n.end - n.opBegin);
        mark(n.opBegin);
    }

    // Whether the quantifier needs the dialect's rule that an iteration beyond the minimum may not match
    // the empty string. PCRE2 accepts one such iteration and stops, which changes the captures and skips
    // alternatives that would have consumed more: "(|a)+" on "aa" matches "aa" in the dialect. Only a
    // group that can match empty is affected, so every other pattern keeps the plain, fully JIT-compiled
    // repeat.
    bool rejectsEmptyIterations(const SyntaxNode &n, const SyntaxNode &repeated) const {
        constexpr int kLargestBound = 65535; // beyond it PCRE2 rejects the quantifier's text as written
        constexpr std::size_t kCallouts = 255;
        constexpr int kDeepestCopy = 4; // each level with a minimum doubles what is inside it
        if (repeated.kind != Kind::Group || (repeated.groupKind != SyntaxNode::GroupKind::Capturing &&
                                             repeated.groupKind != SyntaxNode::GroupKind::NonCapturing))
            return false;
        if (n.max == n.min || n.min > kLargestBound || n.max > kLargestBound)
            return false;
        if (m_emptyIterationGroups.size() >= kCallouts || (n.min > 0 && m_copyDepth >= kDeepestCopy))
            return false;
        return m_tree.canMatchEmpty(n.children.front());
    }

    // X{min,max} as X{min} (whose iterations may be empty), then a loop of at most max - min iterations,
    // each opening with an empty hidden group that marks where it began and ending in a callout that fails
    // the iteration when it has not moved. X is written twice when min > 0, so its groups have two copies.
    void emptyCheckedRepeat(const SyntaxNode &n) {
        const int repeated = n.children.front();
        if (n.min > 0) {
            ++m_copyDepth;
            write(repeated);
            --m_copyDepth;
            if (n.min > 1)
                m_out += QStringLiteral("{%1}").arg(n.min);
            mark(n.opBegin);
            ++m_copyDepth;
        }
        m_out += QStringLiteral("(?:()");
        m_emptyIterationGroups.push_back(++m_pcreGroups);
        const int callout = int(m_emptyIterationGroups.size());
        mark(n.opBegin);
        write(repeated);
        if (n.min > 0)
            --m_copyDepth;
        m_out += QStringLiteral("(?C%1))").arg(callout);
        if (n.max == SyntaxNode::Unbounded)
            m_out += u'*';
        else if (n.max - n.min == 1)
            m_out += u'?';
        else
            m_out += QStringLiteral("{0,%1}").arg(n.max - n.min);
        if (n.lazy)
            m_out += u'?';
        mark(n.opBegin);
    }

    // One literal unit outside a class; with ignoreCase a unit beyond ASCII becomes the class of its
    // case variants, since PCRE2 without UCP folds ASCII only.
    void literal(char16_t u) {
        if (m_ignoreCase) {
            const auto variants = CaseFolding::variants(u);
            if (!variants.empty()) {
                m_out += u'[';
                m_out += classUnit(u);
                for (char16_t v : variants)
                    m_out += classUnit(v);
                m_out += u']';
                return;
            }
        }
        static const QString metacharacters = QStringLiteral("\\^$.|?*+()[]{}");
        if (isAsciiAlnum(u))
            m_out += QChar(u);
        else if (metacharacters.contains(QChar(u)))
            m_out += QString(QChar(u'\\')) + QChar(u);
        else if (u >= 0x20 && u < 0x7F)
            m_out += QChar(u);
        else
            m_out += hexEscape(u);
    }

    void characterClass(const SyntaxNode &n) {
        if (n.children.empty()) {
            // "[]" never matches and "[^]" matches any unit (PCRE2_ALLOW_EMPTY_CLASS).
            m_out += n.negated ? QStringLiteral("[^]") : QStringLiteral("[]");
            return;
        }
        std::vector<UnitRange> ranges;
        QString shorthands;
        for (int c : n.children) {
            const SyntaxNode &item = m_tree.node(c);
            if (item.kind == Kind::ClassEscape) {
                shorthands += u'\\';
                shorthands += QChar(item.unit);
            } else {
                ranges.push_back({item.unit, item.kind == Kind::Range ? item.last : item.unit});
            }
        }
        m_out += n.negated ? QStringLiteral("[^") : QStringLiteral("[");
        m_out += shorthands;
        for (const UnitRange &r : ranges)
            appendRange(r);
        if (m_ignoreCase)
            appendCaseVariants(ranges);
        m_out += u']';
    }

    void appendRange(const UnitRange &r) {
        m_out += classUnit(r.first);
        if (r.last != r.first) {
            if (r.last > r.first + 1)
                m_out += u'-';
            m_out += classUnit(r.last);
        }
    }

    void appendCaseVariants(const std::vector<UnitRange> &ranges) {
        std::vector<bool> inClass(UnitCount);
        for (const UnitRange &r : ranges) {
            for (int u = r.first; u <= r.last; ++u)
                inClass[std::size_t(u)] = true;
        }
        std::vector<bool> extra(UnitCount);
        bool any = false;
        for (const UnitRange &r : ranges) {
            for (int u = std::max<int>(r.first, 0x80); u <= r.last; ++u) {
                for (char16_t v : CaseFolding::variants(char16_t(u))) {
                    if (!inClass[v]) {
                        extra[v] = true;
                        any = true;
                    }
                }
            }
        }
        if (!any)
            return;
        for (int u = 0; u < UnitCount;) {
            if (!extra[std::size_t(u)]) {
                ++u;
                continue;
            }
            int last = u;
            while (last + 1 < UnitCount && extra[std::size_t(last + 1)])
                ++last;
            appendRange({char16_t(u), char16_t(last)});
            u = last + 1;
        }
    }

    const SyntaxTree &m_tree;
    QStringView m_in;
    bool m_ignoreCase;
    bool m_multiline;
    QString m_out;
    std::vector<qsizetype> m_sourceOffsets;
    int m_pcreGroups = 0;                       // PCRE2 groups opened so far, copies and hidden ones included
    std::vector<std::vector<int>> m_copies;     // per group of the pattern: its PCRE2 groups so far
    std::vector<int> m_emptyIterationGroups;    // per callout number - 1: the hidden group it checks
    int m_copyDepth = 0;
};

} // namespace

qsizetype PatternTranslator::Result::sourceOffset(qsizetype translatedOffset) const {
    if (translatedOffset < 0)
        return 0;
    if (std::size_t(translatedOffset) >= sourceOffsets.size())
        return sourceLength;
    return sourceOffsets[std::size_t(translatedOffset)];
}

PatternTranslator::Result PatternTranslator::translate(QStringView componentPattern,
                                                       const RegexOptions &options) {
    return translate(SyntaxTree::parse(componentPattern), componentPattern, options);
}

PatternTranslator::Result PatternTranslator::translate(const SyntaxTree &tree, QStringView componentPattern,
                                                       const RegexOptions &options) {
    if (!tree.isValid()) {
        Result rejected;
        rejected.error = tree.error;
        return rejected;
    }
    return Emitter(tree, componentPattern, options).run();
}

} // namespace rw
