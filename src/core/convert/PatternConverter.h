#pragma once

#include "ConvertTarget.h"

#include "core/regex/Pattern.h"
#include "core/regex/PatternError.h"
#include "core/regex/PatternValue.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

namespace rw {

// A place where the converted pattern does not do what ours does, or does it only approximately.
struct ConvertWarning {
    qsizetype from = 0; // the construct's range in the pattern as written ("\r\n" line breaks), UTF-16 units
    qsizetype to = 0;
    QString text; // in Chinese: the construct and how the target differs

    friend bool operator==(const ConvertWarning &, const ConvertWarning &) = default;
};

// One piece of a replacement text: literal text, a group (0: the whole match), or the text before or after
// the match. The snippets build a replacement function from these where the target's template can't say it.
struct ReplacementPiece {
    enum class Kind { Literal, Group, Before, After };
    Kind kind = Kind::Literal;
    QString text; // Literal
    int group = 0; // Group
};

// A pattern (and optionally a replacement) taken to another language. Never a snippet of code: that is
// CodeSnippet's job, from this.
struct ConvertedPattern {
    ConvertTarget target = ConvertTarget::JavaScript;
    RegexOptions options;
    int captureCount = 0;

    // The pattern in the target's notation, before the language's own string quoting: what a RegExp's
    // source is in JavaScript, a Python raw string's content, the delimited "/.../iu" of PHP, the inline
    // "(?i)" prefix included for Go.
    QString pattern;
    // Each option as the target writes it: JavaScript "g", "i"; Python "re.IGNORECASE"; Java
    // "Pattern.CASE_INSENSITIVE"; .NET "RegexOptions.IgnoreCase"; Go and PHP their letters; C++
    // "std::regex::icase"; C "PCRE2_CASELESS"; VBScript "IgnoreCase" (set to True).
    QStringList flags;

    bool hasReplacement = false;
    // The replacement in the target's syntax: its template text, or, where the template has no marker
    // for the text before or after the match (replacementIsCode), a function of the match written in
    // the language (Python, Java, PHP).
    QString replacement;
    bool replacementIsCode = false;
    std::vector<ReplacementPiece> replacementPieces; // the replacement's markers resolved as ours are

    std::vector<ConvertWarning> warnings;
    PatternError error; // set when the pattern is not valid in our dialect; then nothing else is

    bool isValid() const { return !error.isError(); }
    // The flags as the language combines them: "gi", "re.ASCII | re.IGNORECASE", "0" ...
    QString flagsText() const;
};

// Rewrites a pattern of our dialect, construct by construct, into what each target needs for the same
// matches, and says where a target cannot follow.
class PatternConverter final {
public:
    // pattern: as the engine reads it ("\r\n" line breaks); options: ignoreCase, multiline and global
    // (perLine is not the pattern's business). replacement: our $-markers, when given.
    static ConvertedPattern convert(const QString &pattern, const RegexOptions &options, ConvertTarget target,
                                    const std::optional<QString> &replacement = std::nullopt);
    // The same for the pattern's one parse.
    static ConvertedPattern convert(const PatternValue &value, ConvertTarget target,
                                    const std::optional<QString> &replacement = std::nullopt);
    static ConvertedPattern convert(const SyntaxTree &tree, const QString &pattern, const RegexOptions &options,
                                    ConvertTarget target, const std::optional<QString> &replacement);

    // Our replacement's markers against groupCount groups, as Substitution reads them.
    static std::vector<ReplacementPiece> replacementPieces(QStringView replacement, int groupCount);
};

} // namespace rw
