#include "ReplacementWriter.h"

#include "StringLiteral.h"

namespace rw {

namespace {

using Piece = ReplacementPiece;

bool startsWithDigit(const std::vector<Piece> &pieces, std::size_t next) {
    return next < pieces.size() && pieces[next].kind == Piece::Kind::Literal && !pieces[next].text.isEmpty() &&
           pieces[next].text.front().isDigit() && pieces[next].text.front().unicode() < 0x80;
}

bool hasSurroundings(const std::vector<Piece> &pieces) {
    for (const Piece &p : pieces) {
        if (p.kind == Piece::Kind::Before || p.kind == Piece::Kind::After)
            return true;
    }
    return false;
}

// JavaScript and std::regex share ECMAScript's markers; a group before a digit takes two digits so the
// digit isn't read as part of its number.
QString ecmaTemplate(const std::vector<Piece> &pieces) {
    QString out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece &p = pieces[i];
        switch (p.kind) {
        case Piece::Kind::Literal:
            out += QString(p.text).replace(u'$', QStringLiteral("$$"));
            break;
        case Piece::Kind::Group:
            if (p.group == 0)
                out += QStringLiteral("$&");
            else if (p.group < 10 && startsWithDigit(pieces, i + 1))
                out += QStringLiteral("$0%1").arg(p.group);
            else
                out += QStringLiteral("$%1").arg(p.group);
            break;
        case Piece::Kind::Before:
            out += QStringLiteral("$`");
            break;
        case Piece::Kind::After:
            out += QStringLiteral("$'");
            break;
        }
    }
    return out;
}

QString dotNetTemplate(const std::vector<Piece> &pieces) {
    QString out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece &p = pieces[i];
        switch (p.kind) {
        case Piece::Kind::Literal:
            out += QString(p.text).replace(u'$', QStringLiteral("$$"));
            break;
        case Piece::Kind::Group:
            if (p.group == 0)
                out += QStringLiteral("$&");
            else if (startsWithDigit(pieces, i + 1))
                out += QStringLiteral("${%1}").arg(p.group);
            else
                out += QStringLiteral("$%1").arg(p.group);
            break;
        case Piece::Kind::Before:
            out += QStringLiteral("$`");
            break;
        case Piece::Kind::After:
            out += QStringLiteral("$'");
            break;
        }
    }
    return out;
}

// Go's Expand and PCRE2's pcre2_substitute: "$$" and "${n}"; neither has the text around the match.
QString braceTemplate(const std::vector<Piece> &pieces, ConvertedPattern &out, const QString &name) {
    QString text;
    bool warned = false;
    for (const Piece &p : pieces) {
        switch (p.kind) {
        case Piece::Kind::Literal:
            text += QString(p.text).replace(u'$', QStringLiteral("$$"));
            break;
        case Piece::Kind::Group:
            text += QStringLiteral("${%1}").arg(p.group);
            break;
        case Piece::Kind::Before:
        case Piece::Kind::After:
            if (!warned)
                out.warnings.push_back({-1, -1,
                                        QStringLiteral("替换文本：%1的替换模板没有表示匹配之前、之后文本的标记（$` 和 "
                                                       "$'），转换时省略了它们").arg(name)});
            warned = true;
            break;
        }
    }
    return text;
}

QString pythonTemplate(const std::vector<Piece> &pieces) {
    QString out;
    for (const Piece &p : pieces) {
        if (p.kind == Piece::Kind::Literal)
            out += QString(p.text).replace(u'\\', QStringLiteral("\\\\"));
        else
            out += QStringLiteral("\\g<%1>").arg(p.group);
    }
    return out;
}

// Java's replaceAll and PHP's preg_replace: "\" makes the next character literal.
QString backslashTemplate(const std::vector<Piece> &pieces, bool php) {
    QString out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const Piece &p = pieces[i];
        if (p.kind != Piece::Kind::Literal) {
            if (php)
                out += QStringLiteral("${%1}").arg(p.group);
            else
                out += QStringLiteral("$%1").arg(p.group);
            continue;
        }
        for (qsizetype k = 0; k < p.text.size(); ++k) {
            const QChar c = p.text[k];
            if (c == u'\\' || c == u'$' || (!php && k == 0 && i > 0 && c.isDigit() && c.unicode() < 0x80))
                out += u'\\';
            out += c;
        }
    }
    return out;
}

QString literalCode(ConvertTarget target, const QString &text, ConvertedPattern &out) {
    const StringLiteral literal = stringLiteral(target, text, false);
    if (!literal.isValid() && out.error.reason.isEmpty())
        out.warnings.push_back({-1, -1, QStringLiteral("替换文本：") + literal.refusal});
    return literal.code;
}

// A function of the match, for a replacement that takes the text before or after the match.
// How a language writes a replacement as a function of the match: its pieces joined into one expression.
struct FunctionForm {
    ConvertTarget target;
    const char16_t *group;  // %1: the group's number; an unset group gives ""
    const char16_t *before; // the text from the start to the match
    const char16_t *after;  // the text after the match
    const char16_t *join;
    const char16_t *empty;  // the expression of an empty replacement
    const char16_t *open;   // before the expression
    const char16_t *close;  // after it
};

constexpr FunctionForm kPythonFunction{ConvertTarget::Python, u"(m.group(%1) or \"\")", u"m.string[:m.start()]",
                                       u"m.string[m.end():]", u" + ", u"\"\"", u"lambda m: ", u""};
// Java's result is a replacement template again: quoted, so that "$" and "\\" in it stay literal.
constexpr FunctionForm kJavaFunction{ConvertTarget::Java, u"Objects.toString(m.group(%1), \"\")",
                                     u"text.substring(0, m.start())", u"text.substring(m.end())", u" + ", u"\"\"",
                                     u"m -> Matcher.quoteReplacement(", u")"};
constexpr FunctionForm kPhpFunction{ConvertTarget::Php, u"($m[%1][0] ?? '')", u"substr($text, 0, $m[0][1])",
                                    u"substr($text, $m[0][1] + strlen($m[0][0]))", u" . ", u"''", u"fn($m) => ", u""};

QString functionOfMatch(const FunctionForm &form, const std::vector<Piece> &pieces, ConvertedPattern &out) {
    QStringList parts;
    for (const Piece &p : pieces) {
        switch (p.kind) {
        case Piece::Kind::Literal:
            parts << literalCode(form.target, p.text, out);
            break;
        case Piece::Kind::Group:
            parts << QString::fromUtf16(form.group).arg(p.group);
            break;
        case Piece::Kind::Before:
            parts << QString::fromUtf16(form.before);
            break;
        case Piece::Kind::After:
            parts << QString::fromUtf16(form.after);
            break;
        }
    }
    const QString expression =
        parts.isEmpty() ? QString::fromUtf16(form.empty) : parts.join(QString::fromUtf16(form.join));
    return QString::fromUtf16(form.open) + expression + QString::fromUtf16(form.close);
}

} // namespace

void writeReplacement(ConvertedPattern &out, const QString &replacement) {
    const std::vector<Piece> &pieces = out.replacementPieces;
    switch (out.target) {
    case ConvertTarget::JavaScript:
        out.replacement = ecmaTemplate(pieces);
        break;
    case ConvertTarget::Cpp:
        out.replacement = ecmaTemplate(pieces);
        for (const Piece &p : pieces) {
            if (p.kind == Piece::Kind::Before) {
                // regex_replace takes the prefix of each match, which starts where the match before ended.
                out.warnings.push_back({-1, -1,
                                        QStringLiteral("替换文本：std::regex_replace 的 $` 是上一个匹配之后到本匹配之前"
                                                       "的文本，本方言的 $` 是从文本开头到本匹配之前")});
                break;
            }
        }
        break;
    case ConvertTarget::DotNet:
        out.replacement = dotNetTemplate(pieces);
        break;
    case ConvertTarget::Go:
        out.replacement = braceTemplate(pieces, out, QStringLiteral("Go "));
        break;
    case ConvertTarget::Pcre2:
        out.replacement = braceTemplate(pieces, out, QStringLiteral("pcre2_substitute "));
        break;
    case ConvertTarget::Python:
        out.replacementIsCode = hasSurroundings(pieces);
        out.replacement = out.replacementIsCode ? functionOfMatch(kPythonFunction, pieces, out) : pythonTemplate(pieces);
        break;
    case ConvertTarget::Java:
        out.replacementIsCode = hasSurroundings(pieces);
        out.replacement = out.replacementIsCode ? functionOfMatch(kJavaFunction, pieces, out) : backslashTemplate(pieces, false);
        break;
    case ConvertTarget::Php:
        out.replacementIsCode = hasSurroundings(pieces);
        out.replacement = out.replacementIsCode ? functionOfMatch(kPhpFunction, pieces, out) : backslashTemplate(pieces, true);
        break;
    case ConvertTarget::VbScript:
        out.replacement = replacement;
        break;
    }
}

} // namespace rw
