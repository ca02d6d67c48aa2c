#pragma once

#include "Pattern.h"
#include "PatternError.h"

#include <QString>
#include <QStringView>

#include <vector>

namespace rw {

// Rewrites a pattern of the scripting component's language into an equivalent PCRE2 pattern for the
// 16-bit library in non-UTF mode, or rejects it. All differences between the two languages are settled
// here (numeric escapes, \u \x \c, "." and the anchors, literal braces, case folding beyond ASCII), so
// the compiled pattern never depends on PCRE2 options that could change its meaning.
class PatternTranslator final {
public:
    struct Result {
        QString pattern;    // the PCRE2 pattern; empty when rejected
        PatternError error; // why and where the pattern was rejected; no error when accepted
        int captureCount = 0;
        bool isValid() const { return !error.isError(); }
        // Where in the component pattern the piece of syntax that produced translated offset
        // translatedOffset begins (the pattern's end for an offset at or past the translation's end), so
        // that a PCRE2 error can be shown at the place the user wrote.
        qsizetype sourceOffset(qsizetype translatedOffset) const;

        // Empty when every group of the pattern is the PCRE2 group of its number. Otherwise, for group
        // g (from 1) of the pattern, entry g - 1 lists the PCRE2 groups that stand for it in pattern order
        // (a repeated group can be written twice); its value is the last of them that is set. PCRE2 may
        // also have hidden groups of its own that belong to no group of the pattern.
        std::vector<std::vector<int>> groupCopies;
        // For the callout numbered k (from 1), the hidden PCRE2 group that marks where the current
        // iteration of a repeat began: the callout fails the iteration when the match has not moved since.
        std::vector<int> emptyIterationGroups;

        // For each unit of pattern, the source offset of the piece that produced it.
        std::vector<qsizetype> sourceOffsets;
        qsizetype sourceLength = 0;
    };

    // Translates componentPattern under the given options (only ignoreCase and multiline matter).
    static Result translate(QStringView componentPattern, const RegexOptions &options);
    // The same for a pattern already read into tree.
    static Result translate(const SyntaxTree &tree, QStringView componentPattern, const RegexOptions &options);
};

} // namespace rw
