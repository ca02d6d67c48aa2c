#pragma once

#include "MatchSet.h"
#include "PatternError.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <vector>

namespace rw {

struct SyntaxTree;

// The three options of the scripting regex component. The defaults are the component's
// defaults as the replace task, the exports and the keyword search use them.
struct RegexOptions {
    bool ignoreCase = true;
    bool multiline = true;
    bool global = true;
    // Each line of the subject is a subject of its own (what 逐行匹配 asks for; see Matcher::findAll);
    // compiling ignores it.
    bool perLine = false;

    friend bool operator==(const RegexOptions &, const RegexOptions &) = default;
};

enum class MatchStatus {
    Ok,            // ran to the end
    Rejected,      // the pattern is not valid in the component's language
    LimitExceeded, // the match or depth limit stopped a runaway pattern; matches so far are kept
    Canceled       // the caller's poll asked to stop
};

// A pattern translated to PCRE2 and compiled (with JIT). Immutable once built, so one Pattern may be
// shared by several threads, each matching through its own Matcher.
class Pattern final {
public:
    // Translates and compiles; check isValid().
    static Pattern compile(const QString &componentPattern, const RegexOptions &options = {});
    // The same for a pattern already read into tree.
    static Pattern compile(const SyntaxTree &tree, const QString &componentPattern, const RegexOptions &options);
    // PCRE2's compile options for a translated pattern under options (what compile() gives PCRE2); perLine
    // plays no part.
    static std::uint32_t compileOptions(const RegexOptions &options);

    bool isValid() const { return m_code != nullptr; }
    // Number of capturing groups in the pattern (0 when invalid).
    int captureCount() const { return m_captures; }
    bool global() const { return m_options.global; }
    const RegexOptions &options() const { return m_options; }
    // Why and where the pattern was rejected; no error when it is valid.
    const PatternError &error() const { return m_error; }
    // The error as one line, for diagnostics.
    QString errorText() const { return m_error.text(); }
    // The compiled PCRE2 code (pcre2_code_16*), for Matcher.
    void *code() const { return m_code.get(); }
    // How the pattern's groups map to PCRE2's and which hidden groups the empty-iteration callouts
    // check; see PatternTranslator::Result. Both empty for most patterns.
    const std::vector<std::vector<int>> &groupCopies() const { return m_groupCopies; }
    const std::vector<int> &emptyIterationGroups() const { return m_emptyIterationGroups; }

private:
    std::shared_ptr<void> m_code;
    int m_captures = 0;
    std::vector<std::vector<int>> m_groupCopies;
    std::vector<int> m_emptyIterationGroups;
    RegexOptions m_options;
    PatternError m_error;
};

} // namespace rw
