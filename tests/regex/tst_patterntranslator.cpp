#include "core/regex/PatternTranslator.h"

#include <QTest>

using namespace Qt::StringLiterals;
using rw::PatternTranslator;
using rw::RegexOptions;

class tst_PatternTranslator final : public QObject {
    Q_OBJECT

private slots:
    void translate_data();
    void translate();
    void rejects_data();
    void rejects();
    void countsGroups();
};

namespace {

// Options as letters: i = ignore case, m = multiline.
RegexOptions options(const QString &letters) {
    return RegexOptions{letters.contains(u'i'), letters.contains(u'm'), true};
}

} // namespace

void tst_PatternTranslator::translate_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("opts");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char *name, const QString &pattern, const QString &opts,
                        const QString &expected) { QTest::newRow(name) << pattern << opts << expected; };

    // Dot and anchors are spelled out so no PCRE2 option can change them.
    row("dot", u"a.b"_s, u""_s, uR"(a[^\n]b)"_s);
    row("anchors single-line", u"^a$"_s, u""_s, uR"(\Aa\z)"_s);
    row("anchors multiline", u"^a$"_s, u"m"_s, uR"((?<![^\n\r])a(?![^\n\r]))"_s);
    row("vertical tab", uR"(\v)"_s, u""_s, uR"(\x{B})"_s);
    row("ascii shorthands kept", uR"(\s\S\w\W\d\D\b\B)"_s, u"i"_s, uR"(\s\S\w\W\d\D\b\B)"_s);
    row("control escapes", uR"(\f\n\r\t)"_s, u""_s, uR"(\x{C}\x{A}\x{D}\x{9})"_s);

    // \u, \x and \c: exact digit counts, otherwise the letter itself.
    row("u four digits", uR"(\u0041\u4e00)"_s, u""_s, uR"(A\x{4E00})"_s);
    row("u three digits", uR"(\u004)"_s, u""_s, u"u004"_s);
    row("u not hex", uR"(\uZ041)"_s, u""_s, u"uZ041"_s);
    row("x two digits", uR"(\x41)"_s, u""_s, u"A"_s);
    row("x then digit", uR"(\x041)"_s, u""_s, uR"(\x{4}1)"_s);
    row("x one digit", uR"(\x4)"_s, u""_s, u"x4"_s);
    row("x not hex", uR"(\xg1)"_s, u""_s, u"xg1"_s);
    row("c letter", uR"(\cJ\cj)"_s, u""_s, uR"(\x{A}\x{A})"_s);
    row("c digit", uR"(\c1)"_s, u""_s, u"c1"_s);
    row("c at end", uR"(\c)"_s, u""_s, u"c"_s);

    // Numeric escapes depend on the groups that stand before them.
    row("backref", uR"((a)\1)"_s, u""_s, uR"((a)\g{1})"_s);
    row("group after is octal", uR"(\1(a))"_s, u""_s, uR"(\x{1}(a))"_s);
    row("too few groups is octal", uR"((a)\2)"_s, u""_s, uR"((a)\x{2})"_s);
    row("inside its own group", uR"((a\1))"_s, u""_s, uR"((a\g{1}))"_s);
    row("eight not octal", uR"(\8)"_s, u""_s, u"8"_s);
    row("nine after group", uR"((a)\9)"_s, u""_s, u"(a)9"_s);
    row("two digits, one group", uR"((a)\10)"_s, u""_s, uR"((a)\g{1}0)"_s);
    row("two digits, ten groups", uR"((a)(b)(c)(d)(e)(f)(g)(h)(i)(j)\10)"_s, u""_s,
        uR"((a)(b)(c)(d)(e)(f)(g)(h)(i)(j)\g{10})"_s);
    row("two octal digits", uR"(\12)"_s, u""_s, uR"(\x{A})"_s);
    row("octal then eight", uR"(\18)"_s, u""_s, uR"(\x{1}8)"_s);
    row("three octal digits", uR"(\101)"_s, u""_s, u"A"_s);
    row("octal 400 is 40 then 0", uR"(\400)"_s, u""_s, u" 0"_s);
    row("nul", uR"(\0)"_s, u""_s, uR"(\x{0})"_s);
    row("nul then 8", uR"(\08)"_s, u""_s, uR"(\x{0}8)"_s);
    row("zero octal", uR"(\012)"_s, u""_s, uR"(\x{A})"_s);

    // Other escapes are the character itself.
    row("pcre-only escapes", uR"(\h\R\K\Q\E\A\z\G\X\N\C\g\k\e)"_s, u""_s, u"hRKQEAzGXNCgke"_s);
    row("property escape", uR"(\p{L})"_s, u""_s, uR"(p\{L\})"_s);
    row("escaped punctuation", uR"(\.\/\-)"_s, u""_s, uR"(\./-)"_s);

    // Quantifiers and braces.
    row("lazy quantifiers", u"a*?b+?c??d{2,}?"_s, u""_s, u"a*?b+?c??d{2,}?"_s);
    row("brace quantifiers", u"a{2}b{2,}c{1,3}"_s, u""_s, u"a{2}b{2,}c{1,3}"_s);
    row("open brace", u"a{"_s, u""_s, uR"(a\{)"_s);
    row("brace with letters", u"x{abc}"_s, u""_s, uR"(x\{abc\})"_s);
    row("brace without minimum", u"a{,3}"_s, u""_s, uR"(a\{,3\})"_s);
    row("lone closers", u"}]"_s, u""_s, uR"(\}\])"_s);
    row("literal brace before quantifier", u"{*"_s, u""_s, uR"(\{*)"_s);
    row("lookahead", u"(?=a?b)ab(?!c)"_s, u""_s, u"(?=a?b)ab(?!c)"_s);
    row("quantified lookahead", u"(?=a)*"_s, u""_s, u"(?=a)*"_s);

    // A repeat of a group that can match empty checks each iteration beyond the minimum with a callout;
    // the minimum is written out once in front of the loop. Other repeats stay plain.
    row("repeat that cannot be empty stays plain", u"(a)*(b|c)+"_s, u""_s, u"(a)*(b|c)+"_s);
    row("star of an optional group", u"(a?)*"_s, u""_s, u"(?:()(a?)(?C1))*"_s);
    row("plus of an empty alternative", u"(|a)+?"_s, u""_s, u"(|a)(?:()(|a)(?C1))*?"_s);
    row("bounded repeat", u"(?:a?){2,5}"_s, u""_s, u"(?:a?){2}(?:()(?:a?)(?C1)){0,3}"_s);
    row("optional group", u"(?:a|)?"_s, u""_s, u"(?:()(?:a|)(?C1))?"_s);
    row("exact count stays plain", u"(a?){3}"_s, u""_s, u"(a?){3}"_s);
    row("back reference to a group written twice", uR"((a?)+\1)"_s, u""_s,
        uR"((a?)(?:()(a?)(?C1))*(?(3)\g{3}|\g{1}))"_s);
    row("quantified empty class", u"a[]?[]*[]{0,2}[]+"_s, u""_s, u"a(?:)(?:)(?:)[]+"_s);

    // Character classes.
    row("empty class", u"a[]"_s, u""_s, u"a[]"_s);
    row("empty negated class", u"[^]"_s, u""_s, u"[^]"_s);
    row("bracket first ends empty class", u"[]a]"_s, u""_s, uR"([]a\])"_s);
    row("backspace in class", uR"([\b])"_s, u""_s, uR"([\x{8}])"_s);
    row("shorthands in class", uR"([\d\s\w_])"_s, u""_s, uR"([\d\s\w\_])"_s);
    row("u range", uR"([\u4e00-\u9fa5])"_s, u""_s, uR"([\x{4E00}-\x{9FA5}])"_s);
    row("x range", uR"([\x41-\x5a])"_s, u""_s, u"[A-Z]"_s);
    row("control and vt in class", uR"([\cA\v])"_s, u""_s, uR"([\x{1}\x{B}])"_s);
    row("octal and digits in class", uR"([\1\8\101])"_s, u""_s, uR"([\x{1}8A])"_s);
    row("trailing hyphen", u"[a-]"_s, u""_s, uR"([a\-])"_s);
    row("hyphen after shorthand", uR"([\d-z])"_s, u""_s, uR"([\d\-z])"_s);
    row("posix-looking class", u"[[:alpha:]]"_s, u""_s, uR"([\[\:alpha\:]\])"_s);
    row("escaped letters in class", uR"([\B\.])"_s, u""_s, uR"([B\.])"_s);
    row("negated newline", uR"([^\n])"_s, u""_s, uR"([^\x{A}])"_s);

    // Case folding beyond ASCII; ASCII is left to PCRE2_CASELESS.
    row("ascii caseless", u"Ab"_s, u"i"_s, u"Ab"_s);
    row("latin letter", u"é"_s, u"i"_s, uR"([\x{E9}\x{C9}])"_s);
    row("latin letter case-sensitive", u"é"_s, u""_s, uR"(\x{E9})"_s);
    row("escaped latin letter", uR"(\u00C9)"_s, u"i"_s, uR"([\x{C9}\x{E9}])"_s);
    row("greek sigma", u"σ"_s, u"i"_s, uR"([\x{3C3}\x{3A3}\x{3C2}])"_s);
    row("kelvin sign stays apart from k", u"\u212A"_s, u"i"_s, uR"(\x{212A})"_s);
    row("long s stays apart from s", u"s\u017F"_s, u"i"_s, uR"(s\x{17F})"_s);
    row("class range with angstrom sign", u"[à-å]"_s, u"i"_s, uR"([\x{E0}-\x{E5}\x{C0}-\x{C5}\x{212B}])"_s);
    row("negated class", u"[^é]"_s, u"i"_s, uR"([^\x{E9}\x{C9}])"_s);
    row("cjk has no case", uR"([\u4e00-\u9fa5])"_s, u"i"_s, uR"([\x{4E00}-\x{9FA5}])"_s);
}

void tst_PatternTranslator::translate() {
    QFETCH(QString, pattern);
    QFETCH(QString, opts);
    QFETCH(QString, expected);

    const PatternTranslator::Result result = PatternTranslator::translate(pattern, options(opts));
    QVERIFY2(result.isValid(), qPrintable(result.error.text()));
    QCOMPARE(result.pattern, expected);
}

void tst_PatternTranslator::rejects_data() {
    QTest::addColumn<QString>("pattern");

    for (const char *pattern :
         {"(?<=a)b",  "(?<!a)b", "(?<n>a)", "(?P<n>a)", "(?'n'a)",   "(?>a)",   "(?i)a",     "(?i:a)",
          "(?#note)", "(?|a)",   "(?R)",    "(?1)",     "(?(1)a|b)", "(*UTF)a", "(*ACCEPT)", "a*+",
          "a++",      "a?+",     "a{2}+",   "a**",      "a{2}{3}",   "a???",    "*a",        "a|*",
          "(+)",      "{2}",     "^*",      "$+",       "\\b*",      "a{2,1}",  "(",         "a)",
          "(a))",     "[a",      "a\\",     "[a\\",     "[z-a]",     "(?"}) {
        QTest::newRow(pattern) << QString::fromUtf8(pattern);
    }
}

void tst_PatternTranslator::rejects() {
    QFETCH(QString, pattern);
    for (const QString &opts : {u""_s, u"im"_s}) {
        const PatternTranslator::Result result = PatternTranslator::translate(pattern, options(opts));
        QVERIFY2(!result.isValid(), qPrintable(result.pattern));
        QVERIFY(result.pattern.isEmpty());
    }
}

void tst_PatternTranslator::countsGroups() {
    const PatternTranslator::Result copied = PatternTranslator::translate(uR"((x)((a?)b?)+)"_s, options({}));
    QCOMPARE(copied.captureCount, 3);
    // Groups 2 and 3 are written twice, with the hidden group 4 between the copies.
    QCOMPARE(copied.groupCopies, (std::vector<std::vector<int>>{{1}, {2, 5}, {3, 6}}));
    QCOMPARE(copied.emptyIterationGroups, std::vector<int>{4});

    const PatternTranslator::Result result =
        PatternTranslator::translate(uR"((a)(?:b)(?=(c))[(]\((d))"_s, options({}));
    QVERIFY(result.isValid());
    QCOMPARE(result.captureCount, 3);
    QVERIFY(result.groupCopies.empty());
    QVERIFY(result.emptyIterationGroups.empty());
}

QTEST_GUILESS_MAIN(tst_PatternTranslator)
#include "tst_patterntranslator.moc"
