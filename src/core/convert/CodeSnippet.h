#pragma once

#include "PatternConverter.h"

#include <QString>

namespace rw {

// A small program in the target's language, or why there is none.
struct CodeSnippet {
    QString code;
    QString refusal; // in Chinese, when a text has no literal in the language (or the pattern was invalid)
    bool isValid() const { return refusal.isEmpty(); }
};

enum class SnippetKind {
    Match,  // every match (the first only when not global) with its groups, as 匹配 lists them
    Replace // the text with the matches replaced, as 替换 does; needs a replacement
};

// A whole program (a script, or a main function with what it includes) that compiles or runs as it
// stands: it matches or replaces in subject, written into the program as a literal, and prints the result.
// Pattern, replacement and subject are literals of the language (raw strings where it has them), escaped
// so they are exactly the texts converted.
CodeSnippet codeSnippet(const ConvertedPattern &converted, SnippetKind kind, const QString &subject);

} // namespace rw
