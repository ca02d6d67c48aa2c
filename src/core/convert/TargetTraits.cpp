#include "TargetTraits.h"

#include <array>

namespace rw {

namespace {

QString hex(char32_t c, int width) {
    return QStringLiteral("%1").arg(uint(c), width, 16, QChar(u'0')).toUpper();
}

QString unitEscape(char32_t c) {
    return QStringLiteral("\\u") + hex(c, 4);
}

QString pythonEscape(char32_t c) {
    return c > 0xFFFF ? QStringLiteral("\\U") + hex(c, 8) : unitEscape(c);
}

QString javaEscape(char32_t c) {
    return c > 0xFFFF ? QStringLiteral("\\x{") + hex(c, 1) + u'}' : unitEscape(c);
}

QString braceEscape(char32_t c) {
    return QStringLiteral("\\x{") + hex(c, 1) + u'}';
}

// std::regex reads no escape beyond four digits: the character itself goes into the wide string, whose
// literal escapes it.
QString cppEscape(char32_t c) {
    return c > 0xFFFF ? QString::fromUcs4(&c, 1) : unitEscape(c);
}

std::array<TargetTraits, 9> makeTraits() {
    std::array<TargetTraits, 9> all;

    TargetTraits &js = all[std::size_t(ConvertTarget::JavaScript)];
    js.name = QStringLiteral("JavaScript");
    js.unsetReferenceMatchesEmpty = true;
    js.resetsCapturesEachIteration = true;
    js.emptyIterationRule = true;
    js.backReferenceFoldsUnicode = true;
    js.asciiDigit = js.asciiWord = js.asciiWordBoundary = true; // \s also takes Unicode spaces
    js.emptyClass = true;
    js.escapeSlash = true;
    js.textEnd = QStringLiteral("$");
    js.escapeCode = unitEscape;

    TargetTraits &py = all[std::size_t(ConvertTarget::Python)];
    py.name = QStringLiteral("Python");
    py.codePoints = true;
    py.conditionals = true;
    py.openReferenceIsError = true;
    py.retriesAfterEmptyMatch = true;
    py.asciiDigit = py.asciiWord = py.asciiSpace = py.asciiWordBoundary = true; // with re.ASCII
    py.dotIsNotNewline = true;
    py.textEnd = QStringLiteral("\\Z");
    py.escapeCode = pythonEscape;

    TargetTraits &java = all[std::size_t(ConvertTarget::Java)];
    java.name = QStringLiteral("Java");
    java.codePoints = true;
    java.asciiDigit = java.asciiWord = java.asciiSpace = true; // \b counts Unicode letters
    java.escapeAmpersandInClass = true;
    java.textEnd = QStringLiteral("\\z");
    java.escapeCode = javaEscape;

    TargetTraits &net = all[std::size_t(ConvertTarget::DotNet)];
    net.name = QStringLiteral(".NET");
    net.conditionals = true;
    net.unicodeCaseFolding = true;
    net.backReferenceFoldsUnicode = true;
    net.dotIsNotNewline = true;
    net.textEnd = QStringLiteral("\\z");
    net.escapeCode = unitEscape;

    TargetTraits &go = all[std::size_t(ConvertTarget::Go)];
    go.name = QStringLiteral("Go");
    go.codePoints = true;
    go.utf8Only = true;
    go.lookahead = false;
    go.backReferences = false;
    go.dropsEmptyAfterMatch = true;
    go.unicodeCaseFolding = true;
    go.asciiDigit = go.asciiWord = go.asciiWordBoundary = true; // \s lacks \v
    go.multilineFlag = true;
    go.dotIsNotNewline = true;
    go.textEnd = QStringLiteral("$");
    go.escapeCode = braceEscape;

    TargetTraits &php = all[std::size_t(ConvertTarget::Php)];
    php.name = QStringLiteral("PHP");
    php.codePoints = true;
    php.utf8Only = true;
    php.conditionals = true;
    php.retriesAfterEmptyMatch = true;
    php.unicodeCaseFolding = true;
    php.backReferenceFoldsUnicode = true; // /u also sets UCP: \d \w \s \b are Unicode there
    php.escapeSlash = true;
    php.textEnd = QStringLiteral("\\z");
    php.escapeCode = braceEscape;

    TargetTraits &cpp = all[std::size_t(ConvertTarget::Cpp)];
    cpp.name = QStringLiteral("std::regex");
    cpp.codePoints = true; // wchar_t holds a code point (Linux and macOS; Windows holds units)
    cpp.openReferenceIsError = true;
    cpp.retriesAfterEmptyMatch = true;
    cpp.asciiDigit = cpp.asciiWord = cpp.asciiSpace = cpp.asciiWordBoundary = true; // the "C" locale
    cpp.emptyClass = true;
    cpp.multilineFlag = true;
    cpp.multilineSeesCarriageReturn = true;
    cpp.textEnd = QStringLiteral("$");
    cpp.escapeCode = cppEscape;

    TargetTraits &c = all[std::size_t(ConvertTarget::Pcre2)];
    c.name = QStringLiteral("PCRE2");
    c.codePoints = true;
    c.utf8Only = true;
    c.unsetReferenceMatchesEmpty = true; // PCRE2_MATCH_UNSET_BACKREF
    c.unicodeCaseFolding = true;
    c.backReferenceFoldsUnicode = true;
    c.asciiDigit = c.asciiWord = c.asciiSpace = c.asciiWordBoundary = true; // no UCP
    c.emptyClass = true; // PCRE2_ALLOW_EMPTY_CLASS
    c.textEnd = QStringLiteral("\\z");
    c.escapeCode = braceEscape;

    TargetTraits &vb = all[std::size_t(ConvertTarget::VbScript)];
    vb.name = QStringLiteral("VBScript");
    vb.unsetReferenceMatchesEmpty = true;
    vb.emptyIterationRule = true;
    vb.asciiDigit = vb.asciiWord = vb.asciiSpace = vb.asciiWordBoundary = true;
    vb.emptyClass = true;
    vb.textEnd = QStringLiteral("$");
    vb.escapeCode = unitEscape;
    return all;
}

} // namespace

const TargetTraits &traitsOf(ConvertTarget target) {
    static const std::array<TargetTraits, 9> all = makeTraits();
    return all[std::size_t(target)];
}

} // namespace rw
