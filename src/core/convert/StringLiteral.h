#pragma once

#include "ConvertTarget.h"

#include <QString>
#include <QStringView>

namespace rw {

// A text written as a string literal of a target's language, or why it can't be.
struct StringLiteral {
    QString code;    // the literal as source code; empty when refused
    QString refusal; // in Chinese: why the text has no literal in that language (a lone surrogate in UTF-8)
    bool isValid() const { return refusal.isEmpty(); }
};

// text as a literal of target's language that evaluates to exactly text: a raw string where the language
// has one (r"...", @"...", `...`, R"(...)") and the text needs no escape in it; otherwise a plain string
// with every control, format or separator character, lone surrogate and quote escaped. C++ literals are
// wide (L"..."), C literals UTF-8 (lengths are taken with sizeof, so a NUL survives).
StringLiteral stringLiteral(ConvertTarget target, QStringView text, bool preferRaw = true);

// Whether a character may stand as itself in a literal a person reads: not a control, format, separator
// (other than the ASCII space), mark, private-use, unassigned or surrogate code point.
bool isPlainCharacter(char32_t c);

} // namespace rw
