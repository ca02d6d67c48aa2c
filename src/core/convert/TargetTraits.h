#pragma once

#include "ConvertTarget.h"

#include <QString>

namespace rw {

// What a target's regex language does where ours could differ; the converter reads these instead of
// asking which target it writes for. Each value is what the target does with the pattern as the snippets
// compile it (the options they set, the calls they make).
struct TargetTraits {
    QString name;                           // in warnings
    bool codePoints = false;                // matches code points, not UTF-16 units
    bool utf8Only = false;                  // its strings can't hold a lone surrogate
    bool lookahead = true;
    bool backReferences = true;
    bool conditionals = false;              // (?(n)...)
    bool unsetReferenceMatchesEmpty = false;
    bool openReferenceIsError = false;      // a reference inside its own group is refused
    bool resetsCapturesEachIteration = false;
    bool emptyIterationRule = false;        // refuses an empty iteration beyond a repeat's minimum, as ours
    bool retriesAfterEmptyMatch = false;    // global matching looks for a non-empty match where an empty one was
    bool dropsEmptyAfterMatch = false;      // global matching drops an empty match touching the previous one
    bool unicodeCaseFolding = false;        // its ignore-case folds "k" with the Kelvin sign, "s" with "ſ"
    bool backReferenceFoldsUnicode = false; // its ignore-case back references fold beyond ASCII
    bool asciiDigit = false;                // \d, \w, \s, \b are ASCII as ours
    bool asciiWord = false;
    bool asciiSpace = false;
    bool asciiWordBoundary = false;
    bool emptyClass = false;                // "[]" and "[^]" mean what they mean to us
    bool multilineFlag = false;             // ^ and $ of multi-line mode come from the target's own flag
    bool multilineSeesCarriageReturn = false;
    bool dotIsNotNewline = false;           // "." is any character but "\n"
    bool escapeSlash = false;               // "/" delimits the pattern
    bool escapeAmpersandInClass = false;    // "&&" in a class is an intersection
    QString textEnd;                        // the very end of the text
    QString (*escapeCode)(char32_t) = nullptr; // a character by its code
};

const TargetTraits &traitsOf(ConvertTarget target);

} // namespace rw
