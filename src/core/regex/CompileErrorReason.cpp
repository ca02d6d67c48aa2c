#include "CompileErrorReason.h"

#include <pcre2.h>

namespace rw {

namespace {

struct Reason {
    int code;
    const char *text;
};

// Every code listed here can reach a user: either the translator rejects with it, or a translated
// pattern can still fail with it (limits on numbers, nesting and size that only PCRE2 knows). Codes of
// constructs the translator never lets through (names, verbs, callouts, \p ...) fall back to English.
constexpr Reason kReasons[] = {
    {PCRE2_ERROR_END_BACKSLASH, "表达式末尾的 \\ 后面缺少字符"},
    {PCRE2_ERROR_QUANTIFIER_OUT_OF_ORDER, "量词的范围前大后小"},
    {PCRE2_ERROR_QUANTIFIER_TOO_BIG, "量词中的数字太大 (最大 65535)"},
    {PCRE2_ERROR_MISSING_SQUARE_BRACKET, "缺少右方括号 ]"},
    {PCRE2_ERROR_CLASS_RANGE_ORDER, "字符范围前大后小"},
    {PCRE2_ERROR_QUANTIFIER_INVALID, "量词前面没有可重复的内容"},
    {PCRE2_ERROR_INVALID_AFTER_PARENS_QUERY, "不认识的分组写法"},
    {PCRE2_ERROR_MISSING_CLOSING_PARENTHESIS, "缺少右括号 )"},
    {PCRE2_ERROR_BAD_SUBPATTERN_REFERENCE, "引用了不存在的分组"},
    {PCRE2_ERROR_PARENTHESES_NEST_TOO_DEEP, "括号嵌套太深"},
    {PCRE2_ERROR_PATTERN_TOO_LARGE, "表达式太大"},
    {PCRE2_ERROR_HEAP_FAILED, "内存不足"},
    {PCRE2_ERROR_UNMATCHED_CLOSING_PARENTHESIS, "多余的右括号 )"},
    {PCRE2_ERROR_PARENTHESES_STACK_CHECK, "括号嵌套太深"},
    {PCRE2_ERROR_PATTERN_TOO_COMPLICATED, "表达式太复杂"},
    {PCRE2_ERROR_TOO_MANY_CAPTURES, "捕获分组太多 (最多 65535 个)"},
};

} // namespace

QString compileErrorReason(int pcre2ErrorCode) {
    for (const Reason &r : kReasons) {
        if (r.code == pcre2ErrorCode)
            return QString::fromUtf8(r.text);
    }
    PCRE2_UCHAR message[256];
    const int length = pcre2_get_error_message(pcre2ErrorCode, message, sizeof message / sizeof *message);
    if (length <= 0)
        return QStringLiteral("PCRE2 error %1").arg(pcre2ErrorCode);
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(message), length);
}

} // namespace rw
