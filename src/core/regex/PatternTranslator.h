#pragma once

#include "Pattern.h"

#include <QString>
#include <QStringView>

namespace rw {

// Rewrites a pattern of the scripting component's language into an equivalent PCRE2 pattern for the
// 16-bit library in non-UTF mode, or rejects it. All differences between the two languages are settled
// here (numeric escapes, \u \x \c, "." and the anchors, literal braces, case folding beyond ASCII), so
// the compiled pattern never depends on PCRE2 options that could change its meaning.
class PatternTranslator final {
public:
    struct Result {
        QString pattern; // the PCRE2 pattern; empty when rejected
        QString error;   // why the pattern was rejected; empty when accepted
        int captureCount = 0;
        bool isValid() const { return error.isEmpty(); }
    };

    // Translates componentPattern under the given options (only ignoreCase and multiline matter).
    static Result translate(QStringView componentPattern, const RegexOptions &options);
};

} // namespace rw
