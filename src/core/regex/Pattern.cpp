#include "Pattern.h"

#include "CompileErrorReason.h"
#include "PatternTranslator.h"
#include "SyntaxTree.h"

#include <pcre2.h>

namespace rw {

std::uint32_t Pattern::compileOptions(const RegexOptions &options) {
    // The translator spells out ".", "^", "$", \v and the case variants beyond ASCII itself, so these
    // options only close the doors that a pattern could otherwise open (UTF, UCP, \C) and give
    // "[]", "[^]" and unset back references the component's meaning. (The offset limit that compile() adds
    // lets a search stop at the end of a stretch: see Matcher::findAll.)
    std::uint32_t flags = PCRE2_NEVER_UTF | PCRE2_NEVER_UCP | PCRE2_NEVER_BACKSLASH_C | PCRE2_ALLOW_EMPTY_CLASS |
                          PCRE2_MATCH_UNSET_BACKREF | PCRE2_DOLLAR_ENDONLY;
    if (options.ignoreCase)
        flags |= PCRE2_CASELESS;
    return flags;
}

Pattern Pattern::compile(const QString &componentPattern, const RegexOptions &options) {
    return compile(SyntaxTree::parse(componentPattern), componentPattern, options);
}

Pattern Pattern::compile(const SyntaxTree &tree, const QString &componentPattern, const RegexOptions &options) {
    Pattern pattern;
    pattern.m_options = options;
    const PatternTranslator::Result translated = PatternTranslator::translate(tree, componentPattern, options);
    if (!translated.isValid()) {
        pattern.m_error = translated.error;
        return pattern;
    }
    const std::uint32_t flags = compileOptions(options) | PCRE2_USE_OFFSET_LIMIT;
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_code *code =
        pcre2_compile(reinterpret_cast<PCRE2_SPTR>(translated.pattern.utf16()),
                      PCRE2_SIZE(translated.pattern.size()), flags, &errorCode, &errorOffset, nullptr);
    if (!code) {
        // PCRE2 counts in the translation; the user wrote the component pattern.
        pattern.m_error = PatternError::at(componentPattern, translated.sourceOffset(qsizetype(errorOffset)),
                                           compileErrorReason(errorCode));
        return pattern;
    }
    // Without JIT (unsupported platform, no executable memory) the interpreter runs the same code.
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    // PCRE2 may count hidden groups and copies; the user sees the pattern's own groups.
    pattern.m_captures = translated.captureCount;
    pattern.m_groupCopies = translated.groupCopies;
    pattern.m_emptyIterationGroups = translated.emptyIterationGroups;
    pattern.m_code =
        std::shared_ptr<void>(code, [](void *p) { pcre2_code_free(static_cast<pcre2_code *>(p)); });
    return pattern;
}

} // namespace rw
