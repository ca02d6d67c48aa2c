#pragma once

#include "core/regex/Pattern.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The cases the converted patterns are tried on: every dialect point of our engine (the engine's own test
// tables and the constructs where other languages differ), each under several option sets, on subjects
// with non-ASCII letters, "\r\n", a lone "\r", final line breaks, characters beyond the BMP.
struct DifferentialCase {
    QString pattern;
    rw::RegexOptions options;
    QString subject;
    std::optional<QString> replacement;
};

namespace differential {

// Patterns with the subjects written for them.
struct Seed {
    QString pattern;
    QStringList subjects;
};

inline std::vector<Seed> seeds() {
    const QString pair = QStringLiteral("\U0001F600");
    return {
        // "." and the anchors
        {QStringLiteral("a.b"), {QStringLiteral("a\rb a\nb a\u2028b")}},
        {QStringLiteral("."), {QStringLiteral("a\r\n\u2028") + pair}},
        {QStringLiteral(".+"), {QStringLiteral("ab\r\ncd\rxy\u2029z")}},
        {QStringLiteral("a$"), {QStringLiteral("a\n"), QStringLiteral("a\r\n"), QStringLiteral("a")}},
        {QStringLiteral("^a"), {QStringLiteral("a\na\ra\r\na")}},
        {QStringLiteral("^"), {QStringLiteral("a\r\nb\rc\n")}},
        {QStringLiteral("$"), {QStringLiteral("a\r\nb\rc\n")}},
        {QStringLiteral("^$"), {QStringLiteral("a\r\n\r\n\n")}},
        {QStringLiteral("^b"), {QStringLiteral("a\r\nb a\u2028b")}},
        {QStringLiteral("b$"), {QStringLiteral("ab\u2028ab\rb")}},
        {QStringLiteral("^\\w+$"), {QStringLiteral("one\r\ntwo\rthree\nfour\n")}},
        {QStringLiteral("x$|^y"), {QStringLiteral("x\ny\rx\r\ny")}},
        // escapes
        {QStringLiteral("\\v"), {QStringLiteral("\n\x0B\f")}},
        {QStringLiteral("\\s"), {QStringLiteral("\u00A0\u3000 \t\v\f\r\n\u2028\uFEFF\u0085")}},
        {QStringLiteral("\\S+"), {QStringLiteral("a\u00A0b\u3000c d")}},
        {QStringLiteral("\\w+"), {QStringLiteral("éa_9 \u0663x ſK")}},
        {QStringLiteral("\\W"), {QStringLiteral("é_a-")}},
        {QStringLiteral("\\d+"), {QStringLiteral("\u0663\uFF155 12")}},
        {QStringLiteral("\\D"), {QStringLiteral("1\u0663a")}},
        {QStringLiteral("\\bx"), {QStringLiteral("éx x ax _x")}},
        {QStringLiteral("x\\b"), {QStringLiteral("xé x xa")}},
        {QStringLiteral("\\Bx\\B"), {QStringLiteral("axa éxé x")}},
        {QStringLiteral("\\b"), {QStringLiteral("ab é-c")}},
        {QStringLiteral("\\u0041\\u4E2D"), {QStringLiteral("A中")}},
        {QStringLiteral("\\u41"), {QStringLiteral("u41 A")}},
        {QStringLiteral("\\x041"), {QStringLiteral("\x04" "1 A1")}},
        {QStringLiteral("\\xZ"), {QStringLiteral("xZ")}},
        {QStringLiteral("\\cJ\\cj"), {QStringLiteral("\n\n")}},
        {QStringLiteral("\\c1"), {QStringLiteral("c1")}},
        {QStringLiteral("\\f\\n\\r\\t"), {QStringLiteral("\f\n\r\t")}},
        {QStringLiteral("a\\0b"), {QStringView(u"a\0b", 3).toString()}},
        {QStringLiteral("\\0"), {QStringView(u"\0", 1).toString()}},
        {QStringLiteral("\\h\\R\\K\\Q\\E\\A\\z\\G\\p\\X\\N\\C\\e\\a"), {QStringLiteral("hRKQEAzGpXNCea")}},
        {QStringLiteral("\\/\\-\\,\\#\\ \\~"), {QStringLiteral("/-,# ~")}},
        // numeric escapes
        {QStringLiteral("(a)\\1"), {QStringLiteral("aa aA")}},
        {QStringLiteral("\\1(a)"), {QStringLiteral("\x01" "a")}},
        {QStringLiteral("(a)\\2"), {QStringLiteral("a\x02")}},
        {QStringLiteral("(a)\\10"), {QStringLiteral("aa0 a\x08")}},
        {QStringLiteral("\\8\\9"), {QStringLiteral("89")}},
        {QStringLiteral("(a)\\8"), {QStringLiteral("a8")}},
        {QStringLiteral("\\101\\60"), {QStringLiteral("A0")}},
        {QStringLiteral("\\400"), {QStringLiteral(" 0")}},
        {QStringLiteral("\\18"), {QStringLiteral("\x01" "8")}},
        {QStringLiteral("(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)\\10\\11"), {QStringLiteral("abcdefghijja1")}},
        {QStringLiteral("[\\1\\101\\8]"), {QStringLiteral("\x01" "A8\\")}},
        // back references
        {QStringLiteral("(a)?b\\1"), {QStringLiteral("b ab aba")}},
        {QStringLiteral("(?:(a)|b)\\1c"), {QStringLiteral("bc aac")}},
        {QStringLiteral("(a)|b\\1"), {QStringLiteral("b a")}},
        {QStringLiteral("(a\\1)"), {QStringLiteral("aa")}},
        {QStringLiteral("(a\\1b)+"), {QStringLiteral("abaab")}},
        {QStringLiteral("(\\w)\\1"), {QStringLiteral("hello aAbb")}},
        {QStringLiteral("(é)\\1"), {QStringLiteral("éÉ éé")}},
        {QStringLiteral("(\\d+)-\\1"), {QStringLiteral("12-12 3-4 5-5")}},
        {QStringLiteral("(?=(a))\\1b"), {QStringLiteral("ab")}},
        {QStringLiteral("(?!(a))\\1b"), {QStringLiteral("b ab")}},
        {QStringLiteral("(a)*\\1"), {QStringLiteral("aa b")}},
        {QStringLiteral("(a|)+\\1"), {QStringLiteral("aaa")}},
        // classes
        {QStringLiteral("a[]"), {QStringLiteral("a[]")}},
        {QStringLiteral("a[]?b"), {QStringLiteral("ab")}},
        {QStringLiteral("a[]*b"), {QStringLiteral("ab")}},
        {QStringLiteral("a[]{0,2}b"), {QStringLiteral("ab")}},
        {QStringLiteral("a[]+b"), {QStringLiteral("ab")}},
        {QStringLiteral("a[^]"), {QStringLiteral("a\na\r") + pair}},
        {QStringLiteral("[^]+"), {QStringLiteral("ab\r\n")}},
        {QStringLiteral("[\\d-z][\\w-z][\\s-\\S]+"), {QStringLiteral("-z1-")}},
        {QStringLiteral("[\\s\\S]"), {QStringLiteral("a") + pair}},
        {QStringLiteral("[^a]"), {QStringLiteral("ba\n") + pair}},
        {QStringLiteral("[^\\s]+"), {QStringLiteral("a\u00A0b c")}},
        {QStringLiteral("[\\W\\d]+"), {QStringLiteral("é1a-")}},
        {QStringLiteral("[\\b]"), {QStringLiteral("\b")}},
        {QStringLiteral("[a-]"), {QStringLiteral("-a")}},
        {QStringLiteral("[]a]"), {QStringLiteral("]a")}},
        {QStringLiteral("[^]a]"), {QStringLiteral("]a")}},
        {QStringLiteral("[\\]\\[^-]+"), {QStringLiteral("[]^-")}},
        {QStringLiteral("[&&a]"), {QStringLiteral("&a")}},
        {QStringLiteral("[\\u4e00-\\u9fa5]+"), {QStringLiteral("ab中文c字")}},
        {QStringLiteral("[\\uD800-\\uDFFF]"), {QStringLiteral("a") + pair}},
        {QStringLiteral("[\\u0000-\\uFFFF]+"), {QStringLiteral("a") + pair}},
        {QStringLiteral("[") + pair + QStringLiteral("]"), {pair}},
        {QStringLiteral("\\uD83D"), {pair, QStringLiteral("a") + QChar(0xD83D) + QChar(u'b')}},
        {pair + QStringLiteral("+"), {pair + pair}},
        {pair, {QStringLiteral("a") + pair}},
        {QStringLiteral("[a-z]+"), {QStringLiteral("ABC abc ſK")}},
        {QStringLiteral("[^a-z]+"), {QStringLiteral("ABC abc ſK")}},
        // braces
        {QStringLiteral("a{,3}x{abc}"), {QStringLiteral("a{,3}x{abc}")}},
        {QStringLiteral("a{2}"), {QStringLiteral("aaa")}},
        {QStringLiteral("a{2,}b{1,2}"), {QStringLiteral("aaabbb")}},
        {QStringLiteral("x{"), {QStringLiteral("x{")}},
        {QStringLiteral("}]"), {QStringLiteral("}]")}},
        {QStringLiteral("a{1}?"), {QStringLiteral("a")}},
        // alternatives and repeats
        {QStringLiteral("|a"), {QStringLiteral("a")}},
        {QStringLiteral("a|"), {QStringLiteral("a")}},
        {QStringLiteral("a*"), {QStringLiteral("baa")}},
        {QStringLiteral("a*?"), {QStringLiteral("aa")}},
        {QStringLiteral("x*"), {QStringLiteral("abxd")}},
        {QStringLiteral(""), {QString(), QStringLiteral("ab")}},
        {QStringLiteral("a"), {QStringLiteral("aA")}},
        {QStringLiteral("(x)"), {QStringLiteral("abc")}},
        {QStringLiteral("a|ab"), {QStringLiteral("ab")}},
        {QStringLiteral("(?:(a)|b)+"), {QStringLiteral("ab")}},
        {QStringLiteral("(a|b)+"), {QStringLiteral("ab")}},
        {QStringLiteral("(?:a(b)?)+"), {QStringLiteral("aba")}},
        {QStringLiteral("(a?)+"), {QStringLiteral("a")}},
        {QStringLiteral("(|a)+"), {QStringLiteral("aab")}},
        {QStringLiteral("(a|)+b"), {QStringLiteral("aab")}},
        {QStringLiteral("()*"), {QString()}},
        {QStringLiteral("(a?){2,}"), {QStringLiteral("a")}},
        {QStringLiteral("(|a)?"), {QStringLiteral("a")}},
        {QStringLiteral("(a|)*?b"), {QStringLiteral("ab")}},
        {QStringLiteral("((a?)+)*"), {QStringLiteral("aa")}},
        {QStringLiteral("(x?)*(b)"), {QStringLiteral("xb")}},
        {QStringLiteral("(?:a*)*b"), {QStringLiteral("aab")}},
        {QStringLiteral("(a*)+"), {QStringLiteral("b")}},
        {QStringLiteral("(a)|(b)"), {QStringLiteral("ba")}},
        {QStringLiteral("(\\d+)-(\\d+)"), {QStringLiteral("10-20 3-4")}},
        {QStringLiteral("(a+)+b"), {QStringLiteral("aaab")}},
        {QStringLiteral("a+?b"), {QStringLiteral("aab")}},
        {QStringLiteral("(a{2,3}?)(a*)"), {QStringLiteral("aaaa")}},
        // lookahead
        {QStringLiteral("(?=a?b)ab"), {QStringLiteral("ab")}},
        {QStringLiteral("a(?=b)"), {QStringLiteral("ab ac")}},
        {QStringLiteral("a(?!b)"), {QStringLiteral("ab ac")}},
        {QStringLiteral("(?=(\\w+))\\w"), {QStringLiteral("ab")}},
        {QStringLiteral("(?!a)\\w+"), {QStringLiteral("abc bcd")}},
        // case
        {QStringLiteral("é"), {QStringLiteral("Éé")}},
        {QStringLiteral("ÉCOLE"), {QStringLiteral("école")}},
        {QStringLiteral("σ"), {QStringLiteral("ΣΣς")}},
        {QStringLiteral("[а-я]+"), {QStringLiteral("ПРИВЕТ")}},
        {QStringLiteral("[^é]"), {QStringLiteral("É")}},
        {QStringLiteral("k"), {QStringLiteral("\u212AkK")}},
        {QStringLiteral("s+"), {QStringLiteral("ſsS")}},
        {QStringLiteral("\u212A"), {QStringLiteral("\u212AkK")}},
        {QStringLiteral("ſ"), {QStringLiteral("ſsS")}},
        {QStringLiteral("θ"), {QStringLiteral("θΘϑϴ")}},
        {QStringLiteral("ß"), {QStringLiteral("ßẞss")}},
        {QStringLiteral("[ǅ]"), {QStringLiteral("ǄǅǆDž")}},
        {QStringLiteral("\U00010400"), {QStringLiteral("\U00010400\U00010428")}},
        {QStringLiteral("Straße"), {QStringLiteral("STRASSE straße STRAẞE")}},
        {QStringLiteral("[Ωω]"), {QStringLiteral("\u2126Ωω")}},
        {QStringLiteral("hello"), {QStringLiteral("HeLLo hello")}},
        {QStringLiteral("[A-Z]+\\d"), {QStringLiteral("abc1 ABC2")}},
        // everyday patterns
        {QStringLiteral("\\d{3}-\\d{4}"), {QStringLiteral("call 555-1234 or 555-12345")}},
        {QStringLiteral("[\\w.]+@[\\w.]+\\.\\w+"), {QStringLiteral("mail a.b@c.com, x@y.cn")}},
        {QStringLiteral("<([a-z]+)>.*?</\\1>"), {QStringLiteral("<b>x</b><i>y</b></i>")}},
        {QStringLiteral("^\\s*(\\S+)\\s*=\\s*(.*)$"), {QStringLiteral(" key = value\r\nk2=v2\r\n")}},
        {QStringLiteral("(\\d{4})年(\\d{1,2})月"), {QStringLiteral("2024年5月 1999年12月")}},
        {QStringLiteral("[\\u4e00-\\u9fa5]{2,}"), {QStringLiteral("中文ab汉字")}},
        {QStringLiteral("\\$\\d+(\\.\\d\\d)?"), {QStringLiteral("$5 $10.50")}},
        {QStringLiteral("(['\"]).*?\\1"), {QStringLiteral("say 'hi' and \"yo\"")}},
        {QStringLiteral("\\\\n"), {QStringLiteral("a\\nb")}},
        {QStringLiteral("a/b"), {QStringLiteral("a/b")}},
        {QStringLiteral("\\?\\?="), {QStringLiteral("?\?=")}},
        {QStringLiteral("`'\"$"), {QStringLiteral("`'\"")}},
        {QStringLiteral("\u200F\u202E"), {QStringLiteral("a\u200F\u202Eb")}},
        {QStringLiteral("\u00A0|\u3000"), {QStringLiteral("a\u00A0b\u3000")}},
    };
}

// Subjects every pattern is also tried on (a few of them, taken in turn).
inline QStringList commonSubjects() {
    return {
        QStringLiteral("abc ABC\r\nab\rb\n"),
        QStringLiteral("École école ÉCOLE σΣς\r\n"),
        QStringLiteral("a\U0001F600b\U0001F600"),
        QStringLiteral("x\r\n"),
        QStringLiteral("中文 abc123_ \u00A0\u3000"),
        QStringLiteral("aab\nab\r\n\r\nb"),
        QStringLiteral("kK\u212A sSſ 12-12"),
        QString(),
        QStringLiteral("\n"),
        QStringLiteral("\r"),
    };
}

inline QStringList replacements() {
    return {QStringLiteral("[$&]"), QStringLiteral("<$1>"), QStringLiteral("$`|$'"), QStringLiteral("$$-$0-$"),
            QStringLiteral("$10$2x"), QStringLiteral("\\1\\$1"), QStringLiteral("$11$01"), QStringLiteral("")};
}

inline std::vector<rw::RegexOptions> optionSets() {
    std::vector<rw::RegexOptions> sets;
    for (int bits = 0; bits < 8; ++bits)
        sets.push_back({bool(bits & 1), bool(bits & 2), bool(bits & 4), false});
    return sets;
}

// Every seed under every option set: on its own subjects, then on two common subjects taken in turn; a
// replacement taken in turn goes with every other case.
inline std::vector<DifferentialCase> corpus() {
    std::vector<DifferentialCase> cases;
    const QStringList common = commonSubjects();
    const QStringList replace = replacements();
    std::size_t turn = 0;
    for (const Seed &seed : seeds()) {
        for (const rw::RegexOptions &options : optionSets()) {
            QStringList subjects = seed.subjects;
            subjects << common[qsizetype(turn % std::size_t(common.size()))]
                     << common[qsizetype((turn + 3) % std::size_t(common.size()))];
            for (const QString &subject : subjects) {
                DifferentialCase c{seed.pattern, options, subject, std::nullopt};
                if (turn % 2 == 1)
                    c.replacement = replace[qsizetype((turn / 2) % std::size_t(replace.size()))];
                cases.push_back(std::move(c));
                ++turn;
            }
        }
    }
    return cases;
}

} // namespace differential
