#include "core/regex/Matcher.h"

#include <QTest>

using namespace Qt::StringLiterals;
using rw::Matcher;
using rw::MatchSet;
using rw::MatchStatus;
using rw::Pattern;
using rw::RegexOptions;

class tst_RegexEngine final : public QObject {
    Q_OBJECT

private slots:
    void searchWithinAStretchSeesItsSurroundings_data();
    void searchWithinAStretchSeesItsSurroundings();
    void aSearchThatFindsNothingStillAsksToGoOn();
    void aSearchInStretchesFindsWhatOneSearchFinds();
    void matches_data();
    void matches();
    void replace_data();
    void replace();
    void runawayStopsAtLimit();
    void longLazyScanStaysWithinLimits();
    void pollReceivesEveryMatchInBatches();
    void pollCancels();
    void defaultOptions();
    void matchSetTextOutOfRange();
};

namespace {

// Options as letters: i = ignore case, m = multiline, g = global.
RegexOptions options(const QString &letters) {
    return RegexOptions{letters.contains(u'i'), letters.contains(u'm'), letters.contains(u'g')};
}

// One match as "start-end" followed by "|text" for every group, "|-" for a group that took no part.
QStringList describe(const MatchSet &set, QStringView subject) {
    QStringList rows;
    for (qsizetype i = 0; i < set.size(); ++i) {
        QString row = u"%1-%2"_s.arg(set.start(i, 0)).arg(set.end(i, 0));
        for (int g = 1; g <= set.groupCount(); ++g)
            row += set.start(i, g) < 0 ? u"|-"_s : u"|"_s + set.text(subject, i, g).toString();
        rows << row;
    }
    return rows;
}

const QStringList rejected{u"rejected"_s};

} // namespace

void tst_RegexEngine::matches_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("opts");
    QTest::addColumn<QStringList>("expected");

    const auto row = [](const char *name, const QString &pattern, const QString &subject, const QString &opts,
                        const QStringList &expected) {
        QTest::newRow(name) << pattern << subject << opts << expected;
    };

    row("dot matches cr", u"a.b"_s, u"a\rb"_s, u"g"_s, {u"0-3"_s});
    row("dot never matches lf", u"a.b"_s, u"a\nb"_s, u"igm"_s, {});
    row("dollar not before final lf", u"a$"_s, u"a\n"_s, u"g"_s, {});
    row("dollar before lf in multiline", u"a$"_s, u"a\n"_s, u"gm"_s, {u"0-1"_s});
    row("caret only at start", u"^a"_s, u"a\na"_s, u"g"_s, {u"0-1"_s});
    row("multiline caret after cr and after lf", u"^"_s, u"a\r\nb"_s, u"gm"_s,
        {u"0-0"_s, u"2-2"_s, u"3-3"_s});
    row("multiline dollar before cr and before lf", u"$"_s, u"a\r\nb"_s, u"gm"_s,
        {u"1-1"_s, u"2-2"_s, u"4-4"_s});
    row("multiline empty line between cr and lf", u"^$"_s, u"a\r\n"_s, u"gm"_s, {u"2-2"_s, u"3-3"_s});
    row("multiline line after crlf", u"^b"_s, u"a\r\nb"_s, u"m"_s, {u"3-4"_s});
    row("v is vertical tab only", uR"(\v)"_s, u"\n\x0B\f"_s, u"g"_s, {u"1-2"_s});
    row("s is ascii", uR"(\s)"_s, u"\u00A0\u3000 "_s, u"g"_s, {u"2-3"_s});
    row("w is ascii", uR"(\w+)"_s, u"éa_9"_s, u"gi"_s, {u"1-4"_s});
    row("d is ascii", uR"(\d)"_s,
        u"\u0663\uFF15"
        "5"_s,
        u"g"_s, {u"2-3"_s});
    row("b is ascii", uR"(\bx)"_s, u"éx"_s, u"gi"_s, {u"1-2"_s});
    row("u escape", uR"(\u0041\u4E2D)"_s, u"A中"_s, u""_s, {u"0-2"_s});
    row("short u escape is u", uR"(\u41)"_s, u"u41"_s, u""_s, {u"0-3"_s});
    row("x takes two digits", uR"(\x041)"_s,
        u"\x04"
        "1"_s,
        u""_s, {u"0-2"_s});
    row("short x escape is x", uR"(\xZ)"_s, u"xZ"_s, u""_s, {u"0-2"_s});
    row("c letter", uR"(\cJ)"_s, u"\n"_s, u""_s, {u"0-1"_s});
    row("c digit is c", uR"(\c1)"_s, u"c1"_s, u""_s, {u"0-2"_s});
    row("backref", uR"((a)\1)"_s, u"aa"_s, u""_s, {u"0-2|a"_s});
    row("escape before group is octal", uR"(\1(a))"_s,
        u"\x01"
        "a"_s,
        u""_s, {u"0-2|a"_s});
    row("missing group is octal", uR"((a)\2)"_s, u"a\x02"_s, u""_s, {u"0-2|a"_s});
    row("backref then digit", uR"((a)\10)"_s, u"aa0"_s, u""_s, {u"0-3|a"_s});
    row("eight is literal", uR"(\8)"_s, u"8"_s, u""_s, {u"0-1"_s});
    row("three-digit octal", uR"(\101)"_s, u"A"_s, u""_s, {u"0-1"_s});
    row("octal 400", uR"(\400)"_s, u" 0"_s, u""_s, {u"0-2"_s});
    row("unset backref matches empty", uR"((a)?b\1)"_s, u"b"_s, u""_s, {u"0-1|-"_s});
    row("backref to other branch", uR"((?:(a)|b)\1c)"_s, u"bc"_s, u""_s, {u"0-2|-"_s});
    row("empty class never matches", u"a[]"_s, u"a"_s, u"g"_s, {});
    row("optional empty class matches empty", u"a[]?b"_s, u"ab"_s, u"g"_s, {u"0-2"_s});
    row("starred empty class matches empty", u"a[]*b"_s, u"ab"_s, u"g"_s, {u"0-2"_s});
    row("bounded empty class from zero", u"a[]{0,2}b"_s, u"ab"_s, u"g"_s, {u"0-2"_s});
    row("empty class one or more never matches", u"a[]+b"_s, u"ab"_s, u"g"_s, {});
    row("class escapes before a hyphen stay classes", uR"([\d-z][\w-z][\s-\S]+)"_s, u"-z1-"_s, u""_s,
        {u"0-4"_s});
    row("class range ending in a class escape rejected", uR"([a-\d])"_s, u"a"_s, u"g"_s, rejected);
    row("negated empty class matches any unit", u"a[^]"_s, u"a\n"_s, u"g"_s, {u"0-2"_s});
    row("literal braces", u"a{,3}x{abc}"_s, u"a{,3}x{abc}"_s, u""_s, {u"0-11"_s});
    row("brace quantifier", u"a{2}"_s, u"aaa"_s, u"g"_s, {u"0-2"_s});
    row("lookbehind rejected", u"(?<=a)b"_s, u"ab"_s, u"g"_s, rejected);
    row("reversed bounds rejected", u"a{2,1}"_s, u"aa"_s, u"g"_s, rejected);
    row("leading quantifier rejected", u"*a"_s, u"a"_s, u"g"_s, rejected);
    row("possessive rejected", u"a++"_s, u"a"_s, u"g"_s, rejected);
    row("unbalanced rejected", u"("_s, u"a"_s, u"g"_s, rejected);
    row("empty alternative first", u"|a"_s, u"a"_s, u"g"_s, {u"0-0"_s, u"1-1"_s});
    row("empty alternative last", u"a|"_s, u"a"_s, u"g"_s, {u"0-1"_s, u"1-1"_s});
    row("star between letters", u"a*"_s, u"baa"_s, u"g"_s, {u"0-0"_s, u"1-3"_s, u"3-3"_s});
    row("empty pattern on empty text", u""_s, u""_s, u"g"_s, {u"0-0"_s});
    row("not global takes the first", u"a"_s, u"aa"_s, u""_s, {u"0-1"_s});
    row("not global and case-sensitive", u"a"_s, u"Aa"_s, u""_s, {u"1-2"_s});
    row("no match, no groups", u"(x)"_s, u"abc"_s, u"g"_s, {});
    row("global sees the text before", uR"(\bb)"_s, u"bb b"_s, u"g"_s, {u"0-1"_s, u"3-4"_s});
    row("ignore case latin", u"é"_s, u"Éé"_s, u"gi"_s, {u"0-1"_s, u"1-2"_s});
    row("ignore case word", u"ÉCOLE"_s, u"école"_s, u"i"_s, {u"0-5"_s});
    row("ignore case greek", u"σ"_s, u"ΣΣς"_s, u"gi"_s, {u"0-1"_s, u"1-2"_s, u"2-3"_s});
    row("ignore case cyrillic range", u"[а-я]+"_s, u"ПРИВЕТ"_s, u"i"_s, {u"0-6"_s});
    row("ignore case negated class", u"[^é]"_s, u"É"_s, u"gi"_s, {});
    row("case-sensitive latin", u"é"_s, u"É"_s, u"g"_s, {});
    row("kelvin sign is not k", u"k"_s, u"\u212A"_s, u"gi"_s, {});
    row("last iteration keeps its capture", u"(?:(a)|b)+"_s, u"ab"_s, u""_s, {u"0-2|a"_s});
    row("repeated group keeps last", u"(a|b)+"_s, u"ab"_s, u""_s, {u"0-2|b"_s});
    // An iteration beyond a repeat's minimum that matches empty is rejected, and the engine backtracks
    // into the alternatives that consume.
    row("optional content repeated keeps the character", u"(a?)+"_s, u"a"_s, u""_s, {u"0-1|a"_s});
    row("empty alternative first is skipped", u"(|a)+"_s, u"aab"_s, u""_s, {u"0-2|a"_s});
    row("empty alternative last is skipped", u"(a|)+b"_s, u"aab"_s, u""_s, {u"0-3|a"_s});
    row("empty group starred takes no part", u"()*"_s, u""_s, u""_s, {u"0-0|-"_s});
    row("first iterations within the minimum may be empty", u"(a?){2,}"_s, u"a"_s, u""_s, {u"0-1|"_s});
    row("optional group of an empty alternative", u"(|a)?"_s, u"a"_s, u""_s, {u"0-1|a"_s});
    row("lazy repeat still takes none", u"(a|)*?b"_s, u"ab"_s, u""_s, {u"0-2|a"_s});
    row("back reference to a group written twice", uR"((a|)+\1)"_s, u"aaa"_s, u""_s, {u"0-3|a"_s});
    row("nested repeats", u"((a?)+)*"_s, u"aa"_s, u""_s, {u"0-2|aa|a"_s});
    row("later groups keep their numbers", u"(x?)*(b)"_s, u"xb"_s, u"g"_s, {u"0-2|x|b"_s});
    row("optional lookahead then content", u"(?=a?b)ab"_s, u"ab"_s, u""_s, {u"0-2"_s});
    row("unset trailing group", u"(a)|(b)"_s, u"ba"_s, u"g"_s, {u"0-1|-|b"_s, u"1-2|a|-"_s});
    row("surrogate pair is two units", u"."_s, u"a\U0001F600b"_s, u"g"_s,
        {u"0-1"_s, u"1-2"_s, u"2-3"_s, u"3-4"_s});
    row("surrogate pair in pattern", u"\U0001F600"_s, u"a\U0001F600"_s, u"g"_s, {u"1-3"_s});
    row("position after surrogate pair", u"b"_s, u"\U0001F600b"_s, u"g"_s, {u"2-3"_s});
    row("cjk range", uR"([\u4e00-\u9fa5]+)"_s, u"ab中文c字"_s, u"g"_s, {u"2-4"_s, u"5-6"_s});
}

void tst_RegexEngine::matches() {
    QFETCH(QString, pattern);
    QFETCH(QString, subject);
    QFETCH(QString, opts);
    QFETCH(QStringList, expected);

    const Pattern compiled = Pattern::compile(pattern, options(opts));
    if (expected == rejected) {
        QVERIFY(!compiled.isValid());
        QVERIFY(!compiled.errorText().isEmpty());
        return;
    }
    QVERIFY2(compiled.isValid(), qPrintable(compiled.errorText()));
    Matcher matcher(compiled);
    MatchSet set(compiled.captureCount());
    QCOMPARE(matcher.findAll(subject, set), MatchStatus::Ok);
    QCOMPARE(describe(set, subject), expected);
}

void tst_RegexEngine::replace_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("opts");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("expected");

    const auto row = [](const char *name, const QString &pattern, const QString &subject, const QString &opts,
                        const QString &replacement, const QString &expected) {
        QTest::newRow(name) << pattern << subject << opts << replacement << expected;
    };

    row("dollar dollar", u"b"_s, u"abc"_s, u"g"_s, u"[$$]"_s, u"a[$]c"_s);
    row("whole match", u"b"_s, u"abc"_s, u"g"_s, u"[$&]"_s, u"a[b]c"_s);
    row("before", u"c"_s, u"abcd"_s, u"g"_s, u"[$`]"_s, u"ab[ab]d"_s);
    row("after", u"b"_s, u"abcd"_s, u"g"_s, u"[$']"_s, u"a[cd]cd"_s);
    row("group", u"(b)"_s, u"abc"_s, u"g"_s, u"[$1]"_s, u"a[b]c"_s);
    row("two-digit group", u"(b)"_s, u"abc"_s, u"g"_s, u"[$01]"_s, u"a[b]c"_s);
    row("group then digit", u"(b)"_s, u"abc"_s, u"g"_s, u"[$10]"_s, u"a[b0]c"_s);
    row("tenth group", u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)"_s, u"abcdefghij"_s, u"g"_s, u"$10$1"_s, u"ja"_s);
    row("group above count stays", u"(b)"_s, u"abc"_s, u"g"_s, u"[$2]"_s, u"a[$2]c"_s);
    row("dollar zero stays", u"(b)"_s, u"abc"_s, u"g"_s, u"[$0]"_s, u"a[$0]c"_s);
    row("lone dollar stays", u"b"_s, u"abc"_s, u"g"_s, u"[$x$]$"_s, u"a[$x$]$c"_s);
    row("unset group is empty", u"(a)|(b)"_s, u"ab"_s, u"g"_s, u"[$2]"_s, u"[][b]"_s);
    row("not global", u"a"_s, u"aa"_s, u""_s, u"x"_s, u"xa"_s);
    row("empty matches", u"x*"_s, u"ab"_s, u"g"_s, u"-"_s, u"-a-b-"_s);
    row("empty alternative", u"|a"_s, u"a"_s, u"g"_s, u"-"_s, u"-a-"_s);
    row("ignore case", u"a"_s, u"Aa"_s, u"gi"_s, u"$&$&"_s, u"AAaa"_s);
    row("anchors per line, ignoring case", u"^a"_s, u"A\r\na"_s, u"gim"_s, u"<$&>"_s, u"<A>\r\n<a>"_s);
    row("anchors on the text, case-sensitive", u"^a"_s, u"A\r\na"_s, u"g"_s, u"<$&>"_s, u"A\r\na"_s);
    row("no match", u"z"_s, u"abc"_s, u"g"_s, u"$&"_s, u"abc"_s);
    row("surrogates kept", u"b"_s, u"\U0001F600b\U0001F600"_s, u"g"_s, u"<$&>"_s,
        u"\U0001F600<b>\U0001F600"_s);
}

void tst_RegexEngine::replace() {
    QFETCH(QString, pattern);
    QFETCH(QString, subject);
    QFETCH(QString, opts);
    QFETCH(QString, replacement);
    QFETCH(QString, expected);

    const Pattern compiled = Pattern::compile(pattern, options(opts));
    QVERIFY(compiled.isValid());
    Matcher matcher(compiled);
    MatchStatus status = MatchStatus::Rejected;
    QCOMPARE(matcher.replaceAll(subject, replacement, &status), expected);
    QCOMPARE(status, MatchStatus::Ok);
}

void tst_RegexEngine::runawayStopsAtLimit() {
    // The "!" defeats PCRE2's required-character check, so the nested repeat really backtracks.
    const QString subject = u"x\r\n"_s + QString(40, u'a') + u'!';
    const Pattern compiled = Pattern::compile(uR"(x|^(\w+\s?)*$)"_s, options(u"gm"_s));
    QVERIFY(compiled.isValid());
    Matcher matcher(compiled);
    MatchSet set(compiled.captureCount());
    QCOMPARE(matcher.findAll(subject, set), MatchStatus::LimitExceeded);
    // The matches found before the runaway position are kept.
    QCOMPARE(describe(set, subject), (QStringList{u"0-1|-"_s, u"2-2|-"_s}));

    // Replace goes no further either, and says so.
    MatchStatus status = MatchStatus::Ok;
    matcher.replaceAll(subject, u"y"_s, &status);
    QCOMPARE(status, MatchStatus::LimitExceeded);
}

void tst_RegexEngine::longLazyScanStaysWithinLimits() {
    // Legitimate patterns over a large text must not be mistaken for runaways.
    QString subject(8 * 1024 * 1024, u'a');
    subject[subject.size() / 2] = u'\n';
    subject.back() = u'x';
    for (const QString &pattern : {uR"([\s\S]*?x)"_s, uR"((?:.|\s)*)"_s}) {
        const Pattern compiled = Pattern::compile(pattern, options(u""_s));
        Matcher matcher(compiled);
        MatchSet set(compiled.captureCount());
        QCOMPARE(matcher.findAll(subject, set), MatchStatus::Ok);
        QCOMPARE(set.size(), 1);
        QCOMPARE(set.end(0, 0), subject.size());
    }
}

void tst_RegexEngine::pollReceivesEveryMatchInBatches() {
    const QString subject(100'000, u'a');
    const Pattern compiled = Pattern::compile(u"(a)"_s, options(u"g"_s));
    Matcher matcher(compiled);
    MatchSet out(compiled.captureCount());
    MatchSet collected(compiled.captureCount());
    int polls = 0;
    const MatchStatus status = matcher.findAll(subject, out, [&](MatchSet &batch) {
        ++polls;
        collected.append(batch);
        batch = MatchSet(compiled.captureCount());
        return true;
    });
    QCOMPARE(status, MatchStatus::Ok);
    QVERIFY(polls > 1);
    collected.append(out);
    QCOMPARE(collected.size(), subject.size());
    for (qsizetype i = 0; i < collected.size(); ++i) {
        QCOMPARE(collected.start(i, 0), i);
        QCOMPARE(collected.start(i, 1), i);
    }
}

void tst_RegexEngine::pollCancels() {
    const QString subject(100'000, u'a');
    const Pattern compiled = Pattern::compile(u"a"_s, options(u"g"_s));
    Matcher matcher(compiled);
    MatchSet out(0);
    int polls = 0;
    const MatchStatus status = matcher.findAll(subject, out, [&](MatchSet &) { return ++polls < 2; });
    QCOMPARE(status, MatchStatus::Canceled);
    QCOMPARE(polls, 2);
    QVERIFY(out.size() < subject.size());

    MatchStatus replaceStatus = MatchStatus::Ok;
    matcher.replaceAll(subject, u"b"_s, &replaceStatus, [] { return false; });
    QCOMPARE(replaceStatus, MatchStatus::Canceled);
}

void tst_RegexEngine::defaultOptions() {
    // The replace task, the exports and the keyword search rely on these: ignore case, multiline, global.
    const QString subject = u"A\r\na"_s;
    const Pattern compiled = Pattern::compile(u"^a"_s);
    Matcher matcher(compiled);
    MatchSet set(compiled.captureCount());
    QCOMPARE(matcher.findAll(subject, set), MatchStatus::Ok);
    QCOMPARE(describe(set, subject), (QStringList{u"0-1"_s, u"3-4"_s}));
}

void tst_RegexEngine::matchSetTextOutOfRange() {
    const QString subject = u"a ab"_s;
    const Pattern compiled = Pattern::compile(u"(a)(b)?"_s, options(u"g"_s));
    Matcher matcher(compiled);
    MatchSet set(compiled.captureCount());
    QCOMPARE(matcher.findAll(subject, set), MatchStatus::Ok);
    QCOMPARE(set.size(), 2);
    QCOMPARE(set.text(subject, 1, 2), u"b"_s);
    // A group that took no part, and any match or group the set does not have, give an empty text.
    for (auto [i, g] : {std::pair{0, 2}, {-1, 0}, {2, 0}, {0, 3}, {0, -1}})
        QVERIFY2(set.text(subject, i, g).isEmpty(), qPrintable(u"match %1, group %2"_s.arg(i).arg(g)));
    // Offsets beyond a shorter text than the one matched give no text either.
    QVERIFY(set.text(u"a"_s, 1, 0).isEmpty());
}

void tst_RegexEngine::searchWithinAStretchSeesItsSurroundings_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("startLimit");
    QTest::addColumn<QList<int>>("starts");
    // Cut out, "b" would stand at a start, a word's edge and before the end.
    QTest::newRow("^ not at a cut") << "^b" << "ab" << 1 << 2 << QList<int>{};
    QTest::newRow("\\b not at a cut") << "\\bb" << "ab" << 1 << 2 << QList<int>{};
    QTest::newRow("$ not at a cut") << "b$" << "abc" << 0 << 2 << QList<int>{};
    QTest::newRow("lookahead past the end") << "b(?=c)" << "abc" << 0 << 2 << QList<int>{1};
    QTest::newRow("match runs past the limit") << "b+" << "abbbb" << 0 << 1 << QList<int>{1};
    QTest::newRow("starts bounded") << "a" << "aaaa" << 1 << 2 << QList<int>{1, 2};
}

// The lines in view are searched inside the whole text: only where a match may begin is bounded.
void tst_RegexEngine::searchWithinAStretchSeesItsSurroundings() {
    QFETCH(QString, pattern);
    QFETCH(QString, subject);
    QFETCH(int, from);
    QFETCH(int, startLimit);
    QFETCH(QList<int>, starts);
    const Pattern p = Pattern::compile(pattern, RegexOptions{true, false, true});
    QVERIFY(p.isValid());
    MatchSet found(p.captureCount());
    Matcher(p).findAll(subject, found, [](MatchSet &) { return true; }, from, startLimit);
    QList<int> got;
    for (qsizetype i = 0; i < found.size(); ++i)
        got << int(found.start(i, 0));
    QCOMPARE(got, starts);
}

// A stale search over a long text without a match stops at the next stretch, not at the text's end.
void tst_RegexEngine::aSearchThatFindsNothingStillAsksToGoOn() {
    const QString subject(4'000'000, u'a');
    const Pattern p = Pattern::compile(QStringLiteral("a(?=b)"), RegexOptions{});
    MatchSet found(p.captureCount());
    int asked = 0;
    QCOMPARE(Matcher(p).findAll(subject, found, [&](MatchSet &) { return ++asked < 3; }), MatchStatus::Canceled);
    QCOMPARE(asked, 3);
    asked = 0;
    QCOMPARE(Matcher(p).findAll(subject, found, [&](MatchSet &) { return ++asked > 0; }), MatchStatus::Ok);
    QVERIFY2(asked >= 10, qPrintable(QString::number(asked)));
    QVERIFY(found.isEmpty());
}

// With a poll the search goes a stretch at a time, the stretches sized by the clock; what it finds is what
// one search over the whole text finds: matches that start near a stretch's end, reach over it, or look
// at the text around it.
void tst_RegexEngine::aSearchInStretchesFindsWhatOneSearchFinds() {
    QString subject;
    for (int i = 0; i < 400; ++i)
        subject += QString(997 + i % 50, u'.') + QStringLiteral("x%1\n").arg(i) + QString(i % 7, u'y');
    const QString longRun = QString(300'000, u'q');
    subject += QStringLiteral("<") + longRun + QStringLiteral(">");
    for (const char *pattern : {"x\\d+", "^y+", "\\bx\\d", "<q*>", "(?:x\\d+\\n)(y*)", "\\.(?=x)", "$"}) {
        const Pattern p = Pattern::compile(QString::fromLatin1(pattern), RegexOptions{true, true, true});
        QVERIFY(p.isValid());
        MatchSet whole(p.captureCount());
        QCOMPARE(Matcher(p).findAll(subject, whole), MatchStatus::Ok);
        MatchSet stretched(p.captureCount());
        int asked = 0;
        QCOMPARE(Matcher(p).findAll(subject, stretched, [&](MatchSet &) { return ++asked > 0; }), MatchStatus::Ok);
        QVERIFY2(asked > 0, pattern);
        QCOMPARE(stretched.size(), whole.size());
        for (qsizetype m = 0; m < whole.size(); ++m) {
            for (int g = 0; g <= p.captureCount(); ++g) {
                QCOMPARE(stretched.start(m, g), whole.start(m, g));
                QCOMPARE(stretched.end(m, g), whole.end(m, g));
            }
        }
    }
}

QTEST_GUILESS_MAIN(tst_RegexEngine)
#include "tst_regexengine.moc"
