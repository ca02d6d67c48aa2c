#include "PatternTranslator.h"

#include "CaseFolding.h"
#include "CompileErrorReason.h"

#include <pcre2.h>

#include <vector>

namespace rw {

namespace {

constexpr char16_t Backspace = 0x08;
constexpr char16_t VerticalTab = 0x0B;
constexpr int UnitCount = 0x10000;

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

int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
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

// One item of a character class: a single unit or a shorthand such as \d.
struct ClassAtom {
    char16_t unit = 0;
    QString shorthand;
    bool isShorthand() const { return !shorthand.isEmpty(); }
};

struct UnitRange {
    char16_t first;
    char16_t last;
};

class Translator final {
public:
    Translator(QStringView in, const RegexOptions &options)
        : m_in(in), m_ignoreCase(options.ignoreCase), m_multiline(options.multiline) {
        m_out.reserve(in.size() * 2);
    }

    PatternTranslator::Result run() {
        while (m_pos < m_in.size() && !m_error.isError()) {
            const qsizetype from = m_pos;
            step();
            m_sourceOffsets.resize(std::size_t(m_out.size()), from);
        }
        // Where the ")" is missing is the end, as it is for PCRE2.
        if (!m_error.isError() && m_depth > 0)
            fail(reason(PCRE2_ERROR_MISSING_CLOSING_PARENTHESIS), m_in.size());
        PatternTranslator::Result result;
        if (!m_error.isError()) {
            result.pattern = m_out;
            result.captureCount = m_groups;
            result.sourceOffsets = std::move(m_sourceOffsets);
            result.sourceLength = m_in.size();
        } else {
            result.error = m_error;
        }
        return result;
    }

private:
    // What the pattern last produced, which decides whether a quantifier may follow.
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

    void step() {
        const char16_t c = m_in[m_pos].unicode();
        switch (c) {
        case u'\\':
            escape();
            return;
        case u'(':
            openGroup();
            return;
        case u')':
            closeGroup();
            return;
        case u'|':
            m_out += u'|';
            ++m_pos;
            m_last = Last::Nothing;
            return;
        case u'^':
            // Multiline: after every "\n" and every "\r" on its own, which no PCRE2 newline setting gives.
            m_out += m_multiline ? QStringLiteral("(?<![^\\n\\r])") : QStringLiteral("\\A");
            ++m_pos;
            m_last = Last::Assertion;
            return;
        case u'$':
            m_out += m_multiline ? QStringLiteral("(?![^\\n\\r])") : QStringLiteral("\\z");
            ++m_pos;
            m_last = Last::Assertion;
            return;
        case u'.':
            m_out += QStringLiteral("[^\\n]");
            ++m_pos;
            m_last = Last::Atom;
            return;
        case u'[':
            characterClass();
            return;
        case u'*':
        case u'+':
        case u'?':
            quantifier(1);
            return;
        case u'{': {
            const qsizetype length = braceQuantifierLength();
            if (m_error.isError())
                return;
            if (length > 0) {
                quantifier(length);
                return;
            }
            break;
        }
        default:
            break;
        }
        ++m_pos;
        literal(c);
    }

    // Length of a valid {n}, {n,} or {n,m} at m_pos, or 0 when the brace is a literal.
    qsizetype braceQuantifierLength() {
        qsizetype i = m_pos + 1;
        const auto number = [&](qint64 &value) {
            const qsizetype from = i;
            value = 0;
            while (has(i) && isDigit(at(i))) {
                value = std::min<qint64>(value * 10 + (at(i) - u'0'), qint64(1) << 40);
                ++i;
            }
            return i > from;
        };
        qint64 min = 0;
        qint64 max = -1;
        if (!number(min))
            return 0;
        if (at(i) == u',') {
            ++i;
            if (!number(max))
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

    void quantifier(qsizetype length) {
        if (m_last == Last::Quantified && !m_lastQuantifierLazy && at(m_pos) == u'+') {
            // a*+, a++, a?+, a{2}+: PCRE2 would take these as possessive.
            fail(quoting(QStringLiteral("不支持占有量词"), m_lastQuantifier, m_pos + 1 - m_lastQuantifier),
                 m_lastQuantifier);
            return;
        }
        if (m_last == Last::Quantified) {
            fail(quoting(QStringLiteral("量词不能紧跟在量词后面"), m_pos, length), m_pos);
            return;
        }
        if (m_last != Last::Atom) {
            // A leading quantifier, one after "(" or "|", or one after an anchor.
            fail(quoting(reason(PCRE2_ERROR_QUANTIFIER_INVALID), m_pos, length), m_pos);
            return;
        }
        m_lastQuantifier = m_pos;
        m_out += m_in.mid(m_pos, length);
        m_pos += length;
        m_lastQuantifierLazy = at(m_pos) == u'?' && has(m_pos);
        if (m_lastQuantifierLazy) {
            m_out += u'?';
            ++m_pos;
        }
        m_last = Last::Quantified;
    }

    void openGroup() {
        if (at(m_pos + 1) == u'*' && isAsciiUpper(at(m_pos + 2))) {
            fail(quoting(QStringLiteral("不支持控制动词"), m_pos, lengthThrough(m_pos + 2, u')')), m_pos);
            return;
        }
        if (at(m_pos + 1) == u'?' && has(m_pos + 1)) {
            const char16_t kind = at(m_pos + 2);
            if (!has(m_pos + 2) || (kind != u':' && kind != u'=' && kind != u'!')) {
                // Lookbehind, named and atomic groups, inline options, comments, recursion and
                // conditionals all start this way; the component knows none of them.
                fail(unsupportedGroup(), m_pos);
                return;
            }
            m_out += m_in.mid(m_pos, 3);
            m_pos += 3;
        } else {
            m_out += u'(';
            ++m_pos;
            ++m_groups;
        }
        ++m_depth;
        m_last = Last::Nothing;
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

    void closeGroup() {
        if (m_depth == 0) {
            fail(reason(PCRE2_ERROR_UNMATCHED_CLOSING_PARENTHESIS), m_pos);
            return;
        }
        --m_depth;
        m_out += u')';
        ++m_pos;
        m_last = Last::Atom;
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

    // \u, \x and \c forms shared by both contexts; false when e is none of them.
    bool codeEscape(char16_t e, char16_t &unit) {
        if (e == u'u' || e == u'x') {
            const int value = hexDigits(e == u'u' ? 4 : 2);
            unit = value < 0 ? e : char16_t(value);
            return true;
        }
        if (e == u'c') {
            if (has(m_pos) && isAsciiLetter(at(m_pos))) {
                unit = char16_t(at(m_pos) % 32);
                ++m_pos;
            } else {
                unit = u'c';
            }
            return true;
        }
        switch (e) {
        case u'f':
            unit = 0x0C;
            return true;
        case u'n':
            unit = 0x0A;
            return true;
        case u'r':
            unit = 0x0D;
            return true;
        case u't':
            unit = 0x09;
            return true;
        case u'v':
            unit = VerticalTab;
            return true;
        default:
            return false;
        }
    }

    void escape() {
        if (!has(m_pos + 1)) {
            fail(reason(PCRE2_ERROR_END_BACKSLASH), m_pos);
            return;
        }
        const char16_t e = at(m_pos + 1);
        m_pos += 2;
        switch (e) {
        case u'b':
        case u'B':
            m_out += u'\\';
            m_out += QChar(e);
            m_last = Last::Assertion;
            return;
        case u'd':
        case u'D':
        case u'w':
        case u'W':
        case u's':
        case u'S':
            m_out += u'\\';
            m_out += QChar(e);
            m_last = Last::Atom;
            return;
        default:
            break;
        }
        if (isDigit(e)) {
            numericEscape(e);
            return;
        }
        char16_t unit = e;
        codeEscape(e, unit);
        literal(unit);
    }

    // The digit e has been read; the group count before this point decides what it means.
    void numericEscape(char16_t e) {
        const int n = e - u'0';
        if (n != 0) {
            if (has(m_pos) && isDigit(at(m_pos))) {
                const int nm = n * 10 + (at(m_pos) - u'0');
                if (nm <= m_groups) {
                    ++m_pos;
                    backReference(nm);
                    return;
                }
            }
            if (n <= m_groups) {
                backReference(n);
                return;
            }
            if (!isOctal(e)) {
                literal(e);
                return;
            }
        }
        literal(octal(e));
    }

    void backReference(int group) {
        m_out += QStringLiteral("\\g{%1}").arg(group);
        m_last = Last::Atom;
    }

    // One literal unit outside a class; with ignoreCase a unit beyond ASCII becomes the class of its
    // case variants, since PCRE2 without UCP folds ASCII only.
    void literal(char16_t u) {
        m_last = Last::Atom;
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

    ClassAtom classAtom() {
        ClassAtom atom;
        if (at(m_pos) != u'\\') {
            atom.unit = at(m_pos);
            ++m_pos;
            return atom;
        }
        if (!has(m_pos + 1)) {
            fail(reason(PCRE2_ERROR_END_BACKSLASH), m_pos);
            return atom;
        }
        const char16_t e = at(m_pos + 1);
        m_pos += 2;
        switch (e) {
        case u'b':
            atom.unit = Backspace;
            return atom;
        case u'd':
        case u'D':
        case u'w':
        case u'W':
        case u's':
        case u'S':
            atom.shorthand = QString(QChar(u'\\')) + QChar(e);
            return atom;
        default:
            break;
        }
        if (isOctal(e)) {
            // No back references inside a class: digits are octal.
            atom.unit = octal(e);
            return atom;
        }
        atom.unit = e;
        codeEscape(e, atom.unit);
        return atom;
    }

    void characterClass() {
        ++m_pos;
        const bool negated = at(m_pos) == u'^' && has(m_pos);
        if (negated)
            ++m_pos;
        m_last = Last::Atom;
        if (has(m_pos) && at(m_pos) == u']') {
            // "[]" never matches and "[^]" matches any unit (PCRE2_ALLOW_EMPTY_CLASS).
            ++m_pos;
            m_out += negated ? QStringLiteral("[^]") : QStringLiteral("[]");
            return;
        }
        std::vector<UnitRange> ranges;
        QString shorthands;
        for (;;) {
            if (!has(m_pos)) {
                fail(reason(PCRE2_ERROR_MISSING_SQUARE_BRACKET), m_in.size());
                return;
            }
            if (at(m_pos) == u']') {
                ++m_pos;
                break;
            }
            const qsizetype firstAt = m_pos;
            const ClassAtom first = classAtom();
            if (m_error.isError())
                return;
            if (first.isShorthand()) {
                shorthands += first.shorthand;
                continue;
            }
            if (at(m_pos) == u'-' && has(m_pos + 1) && at(m_pos + 1) != u']') {
                ++m_pos;
                const ClassAtom last = classAtom();
                if (m_error.isError())
                    return;
                if (last.isShorthand()) {
                    // A shorthand can't end a range: the hyphen is literal, as browsers read it too.
                    ranges.push_back({first.unit, first.unit});
                    ranges.push_back({u'-', u'-'});
                    shorthands += last.shorthand;
                    continue;
                }
                if (last.unit < first.unit) {
                    fail(quoting(reason(PCRE2_ERROR_CLASS_RANGE_ORDER), firstAt, m_pos - firstAt), firstAt);
                    return;
                }
                ranges.push_back({first.unit, last.unit});
                continue;
            }
            ranges.push_back({first.unit, first.unit});
        }
        m_out += negated ? QStringLiteral("[^") : QStringLiteral("[");
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

    QStringView m_in;
    bool m_ignoreCase;
    bool m_multiline;
    qsizetype m_pos = 0;
    QString m_out;
    PatternError m_error;
    std::vector<qsizetype> m_sourceOffsets;
    int m_groups = 0;
    int m_depth = 0;
    Last m_last = Last::Nothing;
    // Where the latest quantifier began and whether it was lazy, to tell a possessive one apart.
    qsizetype m_lastQuantifier = 0;
    bool m_lastQuantifierLazy = false;
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
    return Translator(componentPattern, options).run();
}

} // namespace rw
