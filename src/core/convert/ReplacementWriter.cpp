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
QString pythonFunction(const std::vector<Piece> &pieces, ConvertedPattern &out) {
    QStringList parts;
    for (const Piece &p : pieces) {
        switch (p.kind) {
        case Piece::Kind::Literal:
            parts << literalCode(ConvertTarget::Python, p.text, out);
            break;
        case Piece::Kind::Group:
            parts << QStringLiteral("(m.group(%1) or \"\")").arg(p.group);
            break;
        case Piece::Kind::Before:
            parts << QStringLiteral("m.string[:m.start()]");
            break;
        case Piece::Kind::After:
            parts << QStringLiteral("m.string[m.end():]");
            break;
        }
    }
    return QStringLiteral("lambda m: ") + (parts.isEmpty() ? QStringLiteral("\"\"") : parts.join(QStringLiteral(" + ")));
}

QString javaFunction(const std::vector<Piece> &pieces, ConvertedPattern &out) {
    QStringList parts{QStringLiteral("\"\"")};
    for (const Piece &p : pieces) {
        switch (p.kind) {
        case Piece::Kind::Literal:
            parts << literalCode(ConvertTarget::Java, p.text, out);
            break;
        case Piece::Kind::Group:
            parts << QStringLiteral("Objects.toString(m.group(%1), \"\")").arg(p.group);
            break;
        case Piece::Kind::Before:
            parts << QStringLiteral("text.substring(0, m.start())");
            break;
        case Piece::Kind::After:
            parts << QStringLiteral("text.substring(m.end())");
            break;
        }
    }
    return QStringLiteral("m -> Matcher.quoteReplacement(") + parts.join(QStringLiteral(" + ")) + u')';
}

QString phpFunction(const std::vector<Piece> &pieces, ConvertedPattern &out) {
    QStringList parts;
    for (const Piece &p : pieces) {
        switch (p.kind) {
        case Piece::Kind::Literal:
            parts << literalCode(ConvertTarget::Php, p.text, out);
            break;
        case Piece::Kind::Group:
            parts << QStringLiteral("($m[%1][0] ?? '')").arg(p.group);
            break;
        case Piece::Kind::Before:
            parts << QStringLiteral("substr($text, 0, $m[0][1])");
            break;
        case Piece::Kind::After:
            parts << QStringLiteral("substr($text, $m[0][1] + strlen($m[0][0]))");
            break;
        }
    }
    return QStringLiteral("fn($m) => ") + (parts.isEmpty() ? QStringLiteral("''") : parts.join(QStringLiteral(" . ")));
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
        out.replacement = out.replacementIsCode ? pythonFunction(pieces, out) : pythonTemplate(pieces);
        break;
    case ConvertTarget::Java:
        out.replacementIsCode = hasSurroundings(pieces);
        out.replacement = out.replacementIsCode ? javaFunction(pieces, out) : backslashTemplate(pieces, false);
        break;
    case ConvertTarget::Php:
        out.replacementIsCode = hasSurroundings(pieces);
        out.replacement = out.replacementIsCode ? phpFunction(pieces, out) : backslashTemplate(pieces, true);
        break;
    case ConvertTarget::VbScript:
        out.replacement = replacement;
        break;
    }
}

} // namespace rw
