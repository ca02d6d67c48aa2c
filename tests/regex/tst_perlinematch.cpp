#include "core/regex/Matcher.h"
#include "core/text/TextLines.h"

#include <QTest>

using namespace Qt::StringLiterals;
using rw::LineStarts;
using rw::Matcher;
using rw::MatchSet;
using rw::MatchStatus;
using rw::Pattern;
using rw::RegexOptions;

namespace {

// Options as letters: i = ignore case, m = multiline, g = global; every one searches line by line.
RegexOptions perLine(const QString &letters) {
    RegexOptions o{letters.contains(u'i'), letters.contains(u'm'), letters.contains(u'g')};
    o.perLine = true;
    return o;
}

RegexOptions whole(RegexOptions o) {
    o.perLine = false;
    return o;
}

// The lines of text as [start, end) pairs, split here by hand: "\r\n", "\n" and a lone "\r" end a line,
// and what follows the last break is a line too.
QList<std::pair<qsizetype, qsizetype>> splitLines(const QString &text) {
    QList<std::pair<qsizetype, qsizetype>> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'\n' && text[i] != u'\r')
            continue;
        lines.append({start, i});
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    lines.append({start, text.size()});
    return lines;
}

// A match as "start-end" followed by "|text" for each group, "|-" for a group that took no part, and
// "@line" (from 1) when lineOf is given.
QStringList describe(const MatchSet &set, QStringView subject,
                     const std::function<qsizetype(qsizetype)> &lineOf = {}) {
    QStringList rows;
    for (qsizetype i = 0; i < set.size(); ++i) {
        QString row = u"%1-%2"_s.arg(set.start(i, 0)).arg(set.end(i, 0));
        for (int g = 1; g <= set.groupCount(); ++g)
            row += set.start(i, g) < 0 ? u"|-"_s : u"|"_s + set.text(subject, i, g).toString();
        if (lineOf)
            row += u"@%1"_s.arg(lineOf(set.start(i, 0)));
        rows << row;
    }
    return rows;
}

// What a search of each line alone gives: every line copied out and searched as a text of its own with the
// same pattern searching the whole subject, its offsets moved on to the line's place.
QStringList reference(const QString &pattern, const RegexOptions &options, const QString &text) {
    const Pattern compiled = Pattern::compile(pattern, whole(options));
    MatchSet all(compiled.captureCount());
    const auto lines = splitLines(text);
    for (const auto &[start, end] : lines) {
        const QString line = text.sliced(start, end - start);
        MatchSet found(compiled.captureCount());
        Matcher(compiled).findAll(line, found);
        for (qsizetype i = 0; i < found.size(); ++i) {
            std::vector<std::size_t> offsets;
            for (int g = 0; g <= found.groupCount(); ++g) {
                const bool unset = found.start(i, g) < 0;
                offsets.push_back(unset ? ~std::size_t(0) : std::size_t(found.start(i, g) + start));
                offsets.push_back(unset ? ~std::size_t(0) : std::size_t(found.end(i, g) + start));
            }
            all.append(offsets.data());
        }
    }
    return describe(all, text, [&](qsizetype offset) {
        qsizetype n = 0;
        while (n + 1 < lines.size() && lines[n + 1].first <= offset)
            ++n;
        return n + 1;
    });
}

} // namespace

class tst_PerLineMatch final : public QObject {
    Q_OBJECT

private slots:
    void eachLineIsASubject_data();
    void eachLineIsASubject();
    void startsBoundedInsideLines_data();
    void startsBoundedInsideLines();
    void runawayLineStopsAtLimit();
    void pollAsksAcrossManyLinesWithoutAMatch();
    void aSearchWithAPollFindsWhatOneWithoutFinds();
    void replaceLineByLine_data();
    void replaceLineByLine();
    void lineNumbers_data();
    void lineNumbers();
};

void tst_PerLineMatch::eachLineIsASubject_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("opts");
    QTest::addColumn<QStringList>("expected"); // as describe() with line numbers

    const auto row = [](const char *name, const QString &pattern, const QString &subject, const QString &opts,
                        const QStringList &expected) {
        QTest::newRow(name) << pattern << subject << opts << expected;
    };
    // ^ and $ bind to each line, with or without the multiline option.
    row("anchors, CRLF", uR"(^\w+$)"_s, u"ab\r\ncd\r\n"_s, u"g"_s, {u"0-2@1"_s, u"4-6@2"_s});
    row("anchors, LF", uR"(^\w+$)"_s, u"ab\ncd"_s, u"g"_s, {u"0-2@1"_s, u"3-5@2"_s});
    row("anchors, CR", uR"(^\w+$)"_s, u"ab\rcd"_s, u"g"_s, {u"0-2@1"_s, u"3-5@2"_s});
    row("anchors, mixed", uR"(^\w$)"_s, u"a\r\nb\nc\rd"_s, u"gm"_s,
        {u"0-1@1"_s, u"3-4@2"_s, u"5-6@3"_s, u"7-8@4"_s});
    row("LF then CR is two breaks", u"^$"_s, u"a\n\rb"_s, u"g"_s, {u"2-2@2"_s});
    // Nothing reaches over a break, whatever the pattern would take.
    row("white space stops at the break", uR"(a\s+b)"_s, u"a\r\nb a \t b"_s, u"g"_s, {u"5-10@2"_s});
    row("anything stops at the break", uR"([\s\S]+)"_s, u"ab\r\n\r\ncd"_s, u"g"_s, {u"0-2@1"_s, u"6-8@3"_s});
    row("negated class stops at the break", u"x[^y]*"_s, u"xa\nb\rxc"_s, u"g"_s, {u"0-2@1"_s, u"5-7@3"_s});
    // Not global: the first match of each line.
    row("first of each line", uR"(\d)"_s, u"1 2\r\n3 4\r\n\r\n5"_s, u""_s,
        {u"0-1@1"_s, u"5-6@2"_s, u"12-13@4"_s});
    row("all of each line", uR"(\d)"_s, u"1 2\r\n3 4"_s, u"g"_s,
        {u"0-1@1"_s, u"2-3@1"_s, u"5-6@2"_s, u"7-8@2"_s});
    // Empty lines, and the empty line after a last break, are lines.
    row("empty lines", u"^$"_s, u"a\r\n\r\nb\r\n"_s, u"g"_s, {u"3-3@2"_s, u"8-8@4"_s});
    row("only breaks", u"^$"_s, u"\n\r\r\n"_s, u"g"_s, {u"0-0@1"_s, u"1-1@2"_s, u"2-2@3"_s, u"4-4@4"_s});
    row("empty text is one line", u"^$"_s, u""_s, u"g"_s, {u"0-0@1"_s});
    row("empty matches in each line", u"x*"_s, u"ab\r\nc"_s, u"g"_s,
        {u"0-0@1"_s, u"1-1@1"_s, u"2-2@1"_s, u"4-4@2"_s, u"5-5@2"_s});
    // What looks back or ahead sees the line only.
    row("text start is each line start", u"^b"_s, u"a\r\nb"_s, u"g"_s, {u"3-4@2"_s});
    row("multiline start looks back within the line", u"^b"_s, u"ab\rb"_s, u"gm"_s, {u"3-4@2"_s});
    row("word edge at a line start", uR"(\bb\w)"_s, u"ab\nbc"_s, u"g"_s, {u"3-5@2"_s});
    row("lookahead stops at the line end", uR"(a(?=\s))"_s, u"a\r\na b"_s, u"g"_s, {u"3-4@2"_s});
    row("negative lookahead at the line end", u"a(?![^b])"_s, u"a\r\nab"_s, u"g"_s, {u"0-1@1"_s, u"3-4@2"_s});
    row("text end is each line end", u"a$"_s, u"a\r\na"_s, u"g"_s, {u"0-1@1"_s, u"3-4@2"_s});
    row("back reference within a line", uR"((\w)\1)"_s, u"ab\nbb"_s, u"g"_s, {u"3-5|b@2"_s});
    row("group that took no part", u"(a)|(b)"_s, u"b\na"_s, u"g"_s, {u"0-1|-|b@1"_s, u"2-3|a|-@2"_s});
    // Outside the Basic Multilingual Plane a character is two units, a break is still a break.
    row("surrogate pairs", u".+$"_s, u"\U0001F600\r\nx\U0001F600"_s, u"g"_s, {u"0-2@1"_s, u"4-7@2"_s});
    row("surrogate pair at a line start", u"^[\\s\\S]"_s, u"a\n\U0001F600"_s, u"g"_s,
        {u"0-1@1"_s, u"2-3@2"_s});
    row("ignore case", u"^A"_s, u"a\r\nA"_s, u"gi"_s, {u"0-1@1"_s, u"3-4@2"_s});
}

// Each row is checked twice: against the expected list, and against every line searched alone.
void tst_PerLineMatch::eachLineIsASubject() {
    QFETCH(QString, pattern);
    QFETCH(QString, subject);
    QFETCH(QString, opts);
    QFETCH(QStringList, expected);

    const Pattern compiled = Pattern::compile(pattern, perLine(opts));
    QVERIFY2(compiled.isValid(), qPrintable(compiled.errorText()));
    const LineStarts lines(subject);
    const auto lineOf = [&](qsizetype at) { return lines.lineNumber(at); };
    MatchSet set(compiled.captureCount());
    QCOMPARE(Matcher(compiled).findAll(subject, set), MatchStatus::Ok);
    const QStringList got = describe(set, subject, lineOf);
    QCOMPARE(got, expected);
    QCOMPARE(got, reference(pattern, perLine(opts), subject));
    // Going by the lines found beforehand gives the same.
    MatchSet byIndex(compiled.captureCount());
    QCOMPARE(Matcher(compiled).findAll(subject, byIndex, {}, 0, -1, &lines), MatchStatus::Ok);
    QCOMPARE(describe(byIndex, subject, lineOf), expected);
}

void tst_PerLineMatch::startsBoundedInsideLines_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("startLimit");
    QTest::addColumn<QList<int>>("starts");

    QTest::newRow("a line start before from is not one") << "^b"
                                                         << "ab\r\nb" << 1 << -1 << QList<int>{4};
    QTest::newRow("a word edge before from is not one") << "\\bb"
                                                        << "ab\nab" << 1 << -1 << QList<int>{};
    QTest::newRow("from between CR and LF") << "^"
                                            << "a\r\n\r\nb" << 2 << -1 << QList<int>{3, 5};
    QTest::newRow("from at a break") << "$"
                                     << "a\r\nb" << 1 << -1 << QList<int>{1, 4};
    QTest::newRow("limit inside a line") << "\\w"
                                         << "ab\r\ncd" << 0 << 4 << QList<int>{0, 1, 4};
    QTest::newRow("a match runs past the limit, not past its line") << "b[\\s\\S]*"
                                                                    << "abc\r\nb" << 0 << 1 << QList<int>{1};
    QTest::newRow("the line end seen past the limit") << "c$"
                                                      << "abc\r\nc" << 0 << 2 << QList<int>{2};
    QTest::newRow("limit at a line start") << "^\\w"
                                           << "a\nb\nc" << 1 << 2 << QList<int>{2};
}

// The lines in view are searched line by line too, each line alone: the bounds only say where a match may
// begin.
void tst_PerLineMatch::startsBoundedInsideLines() {
    QFETCH(QString, pattern);
    QFETCH(QString, subject);
    QFETCH(int, from);
    QFETCH(int, startLimit);
    QFETCH(QList<int>, starts);
    const Pattern p = Pattern::compile(pattern, perLine(u"g"_s));
    QVERIFY(p.isValid());
    const LineStarts lines(subject);
    for (const LineStarts *index : {static_cast<const LineStarts *>(nullptr), &lines}) {
        MatchSet found(p.captureCount());
        QCOMPARE(Matcher(p).findAll(
                     subject, found, [](MatchSet &) { return true; }, from, startLimit, index),
                 MatchStatus::Ok);
        QList<int> got;
        for (qsizetype i = 0; i < found.size(); ++i)
            got << int(found.start(i, 0));
        QCOMPARE(got, starts);
    }
}

void tst_PerLineMatch::runawayLineStopsAtLimit() {
    // The "!" defeats PCRE2's required-character check, so the nested repeat really backtracks; the lines
    // after the runaway one are not searched.
    const QString subject = u"x\r\n"_s + QString(40, u'a') + u"!\r\nx"_s;
    const Pattern compiled = Pattern::compile(uR"(x|^(\w+\s?)*$)"_s, perLine(u"g"_s));
    QVERIFY(compiled.isValid());
    Matcher matcher(compiled);
    MatchSet set(compiled.captureCount());
    QCOMPARE(matcher.findAll(subject, set), MatchStatus::LimitExceeded);
    QCOMPARE(describe(set, subject), QStringList{u"0-1|-"_s});

    MatchStatus status = MatchStatus::Ok;
    matcher.replaceAll(subject, u"y"_s, &status);
    QCOMPARE(status, MatchStatus::LimitExceeded);
    // Cut into lines, the same runaway is no runaway when its line holds none of it.
    MatchSet fine(compiled.captureCount());
    QCOMPARE(matcher.findAll(u"x\r\n"_s + QString(40, u'a') + u"\r\n!"_s, fine), MatchStatus::Ok);
    QCOMPARE(fine.size(), 2);
}

// A stale search over many lines without a match stops within a few lines' worth of time, though no single
// line is long enough to be a stretch.
void tst_PerLineMatch::pollAsksAcrossManyLinesWithoutAMatch() {
    QString subject;
    for (int i = 0; i < 40'000; ++i)
        subject += QString(98, u'a') + u"\r\n"_s;
    const Pattern p = Pattern::compile(u"a(?=b)"_s, perLine(u"g"_s));
    MatchSet found(p.captureCount());
    int asked = 0;
    QCOMPARE(Matcher(p).findAll(subject, found, [&](MatchSet &) { return ++asked < 3; }),
             MatchStatus::Canceled);
    QCOMPARE(asked, 3);
    asked = 0;
    QCOMPARE(Matcher(p).findAll(subject, found, [&](MatchSet &) { return ++asked > 0; }), MatchStatus::Ok);
    QVERIFY2(asked >= 10, qPrintable(QString::number(asked)));
    QVERIFY(found.isEmpty());

    MatchStatus status = MatchStatus::Ok;
    Matcher(p).replaceAll(subject, u"b"_s, &status, [] { return false; });
    QCOMPARE(status, MatchStatus::Canceled);
}

// With a poll the lines go by in stretches and the matches in batches, a long line in stretches of its own;
// what comes out is what a search without a poll finds.
void tst_PerLineMatch::aSearchWithAPollFindsWhatOneWithoutFinds() {
    QString subject;
    for (int i = 0; i < 3000; ++i)
        subject += QString(i % 40, u'.') + u"x%1"_s.arg(i) + (i % 3 ? u"\r\n"_s : i % 2 ? u"\n"_s : u"\r"_s);
    subject += u"<"_s + QString(300'000, u'q') + u">\r\n"_s;
    subject += subject;
    for (const char *pattern : {"x\\d+", "^\\.*", "\\d$", "<q*>", "(x)(\\d)?", "$", "q"}) {
        for (const QString &opts : {u"g"_s, u""_s}) {
            const Pattern p = Pattern::compile(QString::fromLatin1(pattern), perLine(opts));
            QVERIFY(p.isValid());
            MatchSet plain(p.captureCount());
            QCOMPARE(Matcher(p).findAll(subject, plain), MatchStatus::Ok);
            MatchSet collected(p.captureCount());
            MatchSet out(p.captureCount());
            int asked = 0;
            QCOMPARE(Matcher(p).findAll(subject, out,
                                        [&](MatchSet &batch) {
                                            ++asked;
                                            collected.append(batch);
                                            batch.clear();
                                            return true;
                                        }),
                     MatchStatus::Ok);
            collected.append(out);
            QVERIFY2(asked > 0, pattern);
            QCOMPARE(describe(collected, subject), describe(plain, subject));
        }
    }
}

void tst_PerLineMatch::replaceLineByLine_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("expected");

    QTest::newRow("each line start, CRLF") << u"^"_s << u"a\r\nb\r\n"_s << u"> "_s << u"> a\r\n> b\r\n> "_s;
    QTest::newRow("each line start, mixed") << u"^"_s << u"a\nb\rc"_s << u"> "_s << u"> a\n> b\r> c"_s;
    QTest::newRow("breaks stay as they are")
        << uR"(\s+)"_s << u"a b\r\nc \t d\n\r"_s << u"_"_s << u"a_b\r\nc_d\n\r"_s;
    QTest::newRow("anything, line by line")
        << uR"([\s\S]*)"_s << u"ab\r\n\r\ncd"_s << u"x"_s << u"xx\r\nx\r\nxx"_s;
    QTest::newRow("before and after stop at the line")
        << u"b"_s << u"abc\r\nxbz"_s << u"[$`|$']"_s << u"a[a|c]c\r\nx[x|z]z"_s;
    QTest::newRow("groups") << uR"((\w)(\w))"_s << u"ab\ncd"_s << u"$2$1"_s << u"ba\ndc"_s;
    QTest::newRow("surrogates kept") << u"$"_s << u"\U0001F600\r\n\U0001F600"_s << u"!"_s
                                     << u"\U0001F600!\r\n\U0001F600!"_s;
}

// Replace uses the default options (ignore case, multiline, global) with line by line on.
void tst_PerLineMatch::replaceLineByLine() {
    QFETCH(QString, pattern);
    QFETCH(QString, subject);
    QFETCH(QString, replacement);
    QFETCH(QString, expected);

    RegexOptions options;
    options.perLine = true;
    const Pattern compiled = Pattern::compile(pattern, options);
    QVERIFY(compiled.isValid());
    MatchStatus status = MatchStatus::Rejected;
    QCOMPARE(Matcher(compiled).replaceAll(subject, replacement, &status), expected);
    QCOMPARE(status, MatchStatus::Ok);
}

void tst_PerLineMatch::lineNumbers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("numbers"); // the line number of each offset, 0 to the text's size

    QTest::newRow("empty") << u""_s << QList<int>{1};
    QTest::newRow("no break") << u"ab"_s << QList<int>{1, 1, 1};
    QTest::newRow("CRLF, empty last line") << u"a\r\n"_s << QList<int>{1, 1, 1, 2};
    QTest::newRow("LF") << u"a\nb"_s << QList<int>{1, 1, 2, 2};
    QTest::newRow("CR") << u"\r\r"_s << QList<int>{1, 2, 3};
    QTest::newRow("mixed") << u"\n\r\r\na"_s << QList<int>{1, 2, 3, 3, 4, 4};
}

void tst_PerLineMatch::lineNumbers() {
    QFETCH(QString, text);
    QFETCH(QList<int>, numbers);
    const LineStarts lines(text);
    QList<int> got;
    for (qsizetype at = 0; at <= text.size(); ++at)
        got << int(lines.lineNumber(at));
    QCOMPARE(got, numbers);
    QCOMPARE(lines.lineCount(), splitLines(text).size());
}

QTEST_GUILESS_MAIN(tst_PerLineMatch)
#include "tst_perlinematch.moc"
