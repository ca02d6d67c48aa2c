#include "StringLiteral.h"

#include <QChar>
#include <QList>

#include <cctype>

namespace rw {

namespace {

QString hex(uint c, int width) {
    return QStringLiteral("%1").arg(c, width, 16, QChar(u'0')).toUpper();
}

QString octal3(uint c) {
    return QStringLiteral("\\%1").arg(c, 3, 8, QChar(u'0'));
}

// The text's characters: a pair is one, a lone surrogate stands for itself.
QList<char32_t> characters(QStringView text) {
    QList<char32_t> out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out << QChar::surrogateToUcs4(u, text[i + 1].unicode());
            ++i;
        } else {
            out << char32_t(u);
        }
    }
    return out;
}

bool hasLoneSurrogate(const QList<char32_t> &chars) {
    for (char32_t c : chars) {
        if (c >= 0xD800 && c <= 0xDFFF)
            return true;
    }
    return false;
}

bool allPlain(const QList<char32_t> &chars) {
    for (char32_t c : chars) {
        if (!isPlainCharacter(c))
            return false;
    }
    return true;
}

QString fromChar(char32_t c) {
    return QString::fromUcs4(&c, 1);
}

const QString loneSurrogateRefusal(const QString &language) {
    return QStringLiteral("文本含单独的代理项（不成对的 UTF-16 单元），%1 的 UTF-8 字符串无法表示").arg(language);
}

// The escapes every C-like language shares.
bool commonEscape(char32_t c, QString &out) {
    switch (c) {
    case U'\\':
        out += QStringLiteral("\\\\");
        return true;
    case U'"':
        out += QStringLiteral("\\\"");
        return true;
    case U'\n':
        out += QStringLiteral("\\n");
        return true;
    case U'\r':
        out += QStringLiteral("\\r");
        return true;
    case U'\t':
        out += QStringLiteral("\\t");
        return true;
    default:
        return false;
    }
}

StringLiteral javaScript(const QList<char32_t> &chars) {
    QString out = QStringLiteral("\"");
    for (char32_t c : chars) {
        if (commonEscape(c, out))
            continue;
        if (isPlainCharacter(c))
            out += fromChar(c);
        else if (c < 0x100)
            out += QStringLiteral("\\x") + hex(c, 2);
        else if (c > 0xFFFF)
            out += QStringLiteral("\\u{") + hex(c, 1) + u'}';
        else
            out += QStringLiteral("\\u") + hex(c, 4);
    }
    return {out + u'"', {}};
}

// A double-quoted literal with \x, \u and \U escapes (Python's and Go's): characters below byteEscapesBelow
// that are not plain are written as \xHH, the others as \uHHHH or \UHHHHHHHH.
QString quotedWithEscapes(const QList<char32_t> &chars, char32_t byteEscapesBelow) {
    QString out = QStringLiteral("\"");
    for (char32_t c : chars) {
        if (commonEscape(c, out))
            continue;
        if (isPlainCharacter(c))
            out += fromChar(c);
        else if (c < byteEscapesBelow)
            out += QStringLiteral("\\x") + hex(c, 2);
        else if (c > 0xFFFF)
            out += QStringLiteral("\\U") + hex(c, 8);
        else
            out += QStringLiteral("\\u") + hex(c, 4);
    }
    return out + u'"';
}

StringLiteral python(QStringView text, const QList<char32_t> &chars, bool preferRaw) {
    if (preferRaw && allPlain(chars)) {
        int trailing = 0;
        for (qsizetype i = text.size() - 1; i >= 0 && text[i] == u'\\'; --i)
            ++trailing;
        if (trailing % 2 == 0) {
            for (const QString &quote : {QStringLiteral("\""), QStringLiteral("'")}) {
                if (!text.contains(quote))
                    return {u'r' + quote + text.toString() + quote, {}};
            }
        }
    }
    return {quotedWithEscapes(chars, 0x100), {}};
}

// Java reads \uXXXX before it reads the program, so only characters that can't end or break a string
// are written that way; the rest use the string escapes.
StringLiteral java(QStringView text) {
    QString out = QStringLiteral("\"");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (commonEscape(u, out))
            continue;
        if (u == 0x08)
            out += QStringLiteral("\\b");
        else if (u == 0x0C)
            out += QStringLiteral("\\f");
        else if (u < 0x20 || u == 0x7F)
            out += octal3(u);
        else if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate() &&
                 isPlainCharacter(QChar::surrogateToUcs4(u, text[i + 1].unicode()))) {
            out += text.mid(i, 2);
            ++i;
        } else if (u >= 0x80 && !isPlainCharacter(u))
            out += QStringLiteral("\\u") + hex(u, 4);
        else
            out += QChar(u);
    }
    return {out + u'"', {}};
}

StringLiteral csharp(QStringView text, const QList<char32_t> &chars, bool preferRaw) {
    if (preferRaw && allPlain(chars)) {
        QString body = text.toString();
        body.replace(u'"', QStringLiteral("\"\""));
        return {QStringLiteral("@\"") + body + u'"', {}};
    }
    QString out = QStringLiteral("\"");
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (commonEscape(u, out))
            continue;
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate() &&
            isPlainCharacter(QChar::surrogateToUcs4(u, text[i + 1].unicode()))) {
            out += text.mid(i, 2);
            ++i;
        } else if (!isPlainCharacter(u)) {
            out += QStringLiteral("\\u") + hex(u, 4); // \x would take as many digits as follow
        } else {
            out += QChar(u);
        }
    }
    return {out + u'"', {}};
}

StringLiteral go(QStringView text, const QList<char32_t> &chars, bool preferRaw) {
    if (hasLoneSurrogate(chars))
        return {{}, loneSurrogateRefusal(QStringLiteral("Go"))};
    if (preferRaw && allPlain(chars) && !text.contains(u'`'))
        return {u'`' + text.toString() + u'`', {}};
    return {quotedWithEscapes(chars, 0x80), {}};
}

StringLiteral php(QStringView text, const QList<char32_t> &chars, bool preferRaw) {
    if (hasLoneSurrogate(chars))
        return {{}, loneSurrogateRefusal(QStringLiteral("PHP"))};
    if (preferRaw && allPlain(chars)) {
        // In single quotes only \\ and \' are escapes; a backslash before anything else stays.
        QString out = QStringLiteral("'");
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == u'\'')
                out += QStringLiteral("\\'");
            else if (c == u'\\' && (i + 1 == text.size() || text[i + 1] == u'\\' || text[i + 1] == u'\''))
                out += QStringLiteral("\\\\");
            else
                out += c;
        }
        return {out + u'\'', {}};
    }
    QString out = QStringLiteral("\"");
    for (char32_t c : chars) {
        if (commonEscape(c, out))
            continue;
        if (c == U'$')
            out += QStringLiteral("\\$");
        else if (isPlainCharacter(c))
            out += fromChar(c);
        else if (c < 0x80)
            out += QStringLiteral("\\x") + hex(c, 2);
        else
            out += QStringLiteral("\\u{") + hex(c, 1) + u'}';
    }
    return {out + u'"', {}};
}

// Wide literals: wchar_t holds a code point on Linux, so a lone surrogate is written by its value; a hex
// escape takes every hex digit after it, so the literal is split after one.
StringLiteral cpp(QStringView text, const QList<char32_t> &chars, bool preferRaw) {
    if (preferRaw && allPlain(chars)) {
        QString delimiter;
        while (text.contains(QStringLiteral(")") + delimiter + u'"'))
            delimiter += u'x';
        return {QStringLiteral("LR\"") + delimiter + u'(' + text.toString() + u')' + delimiter + u'"', {}};
    }
    QString out = QStringLiteral("L\"");
    bool afterHex = false;
    for (char32_t c : chars) {
        if (afterHex && c < 0x80 && std::isxdigit(int(c)))
            out += QStringLiteral("\" L\"");
        afterHex = false;
        if (commonEscape(c, out))
            continue;
        if (isPlainCharacter(c)) {
            out += fromChar(c);
        } else if (c < 0x80) {
            out += octal3(c);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += QStringLiteral("\\x") + hex(c, 4);
            afterHex = true;
        } else if (c > 0xFFFF) {
            out += QStringLiteral("\\U") + hex(c, 8);
        } else {
            out += QStringLiteral("\\u") + hex(c, 4);
        }
    }
    return {out + u'"', {}};
}

// C: UTF-8 bytes; characters below U+00A0 can't be universal character names, so they go as octal bytes;
// "??" is broken so no trigraph forms.
StringLiteral c(const QList<char32_t> &chars) {
    if (hasLoneSurrogate(chars))
        return {{}, loneSurrogateRefusal(QStringLiteral("C"))};
    QString out = QStringLiteral("\"");
    char32_t previous = 0;
    for (char32_t ch : chars) {
        if (commonEscape(ch, out)) {
        } else if (ch == U'?' && previous == U'?') {
            out += QStringLiteral("\\?");
        } else if (isPlainCharacter(ch)) {
            out += fromChar(ch);
        } else if (ch < 0xA0) {
            const QByteArray bytes = fromChar(ch).toUtf8();
            for (char b : bytes)
                out += octal3(uchar(b));
        } else if (ch > 0xFFFF) {
            out += QStringLiteral("\\U") + hex(ch, 8);
        } else {
            out += QStringLiteral("\\u") + hex(ch, 4);
        }
        previous = ch;
    }
    return {out + u'"', {}};
}

// VBScript strings have no escapes: other characters join the string as ChrW(...).
StringLiteral vbscript(QStringView text) {
    QStringList parts;
    QString run;
    const auto flush = [&] {
        if (!run.isEmpty())
            parts << u'"' + run + u'"';
        run.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        const bool pair = QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        const bool plain = u < 0x80 ? (u >= 0x20 && u < 0x7F) : (!QChar::isSurrogate(u) && isPlainCharacter(u));
        if (plain && !pair) {
            run += u == u'"' ? QStringLiteral("\"\"") : QString(QChar(u));
            continue;
        }
        flush();
        if (u == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            parts << QStringLiteral("vbCrLf");
            ++i;
        } else if (u == u'\r') {
            parts << QStringLiteral("vbCr");
        } else if (u == u'\n') {
            parts << QStringLiteral("vbLf");
        } else if (u == u'\t') {
            parts << QStringLiteral("vbTab");
        } else {
            parts << QStringLiteral("ChrW(&H%1)").arg(hex(u, 1));
        }
    }
    flush();
    if (parts.isEmpty())
        return {QStringLiteral("\"\""), {}};
    return {parts.join(QStringLiteral(" & ")), {}};
}

} // namespace

bool isPlainCharacter(char32_t c) {
    if (c < 0x80)
        return c >= 0x20 && c < 0x7F;
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
    case QChar::Mark_SpacingCombining:
        return false;
    default:
        return true;
    }
}

StringLiteral stringLiteral(ConvertTarget target, QStringView text, bool preferRaw) {
    const QList<char32_t> chars = characters(text);
    switch (target) {
    case ConvertTarget::JavaScript:
        return javaScript(chars);
    case ConvertTarget::Python:
        return python(text, chars, preferRaw);
    case ConvertTarget::Java:
        return java(text);
    case ConvertTarget::DotNet:
        return csharp(text, chars, preferRaw);
    case ConvertTarget::Go:
        return go(text, chars, preferRaw);
    case ConvertTarget::Php:
        return php(text, chars, preferRaw);
    case ConvertTarget::Cpp:
        return cpp(text, chars, preferRaw);
    case ConvertTarget::Pcre2:
        return c(chars);
    case ConvertTarget::VbScript:
        return vbscript(text);
    }
    return {};
}

} // namespace rw
