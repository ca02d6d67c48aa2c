#include "core/convert/CodeSnippet.h"
#include "core/convert/ConvertCommand.h"
#include "core/convert/PatternConverter.h"
#include "core/convert/StringLiteral.h"
#include "core/regex/Matcher.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using rw::ConvertTarget;
using rw::PatternConverter;

Q_DECLARE_METATYPE(ConvertTarget)

namespace {

rw::RegexOptions options(const QString &letters) {
    return rw::RegexOptions{letters.contains(u'i'), letters.contains(u'm'), letters.contains(u'g'), false};
}

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QString &program, const QStringList &arguments, const QString &workDir = {}) {
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(program, arguments);
    p.closeWriteChannel();
    Run r;
    if (!p.waitForFinished(120'000)) {
        p.kill();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// What a Match snippet prints for the subject, from our engine: "<start>: <text>", then "  <g>: <text>"
// or "  <g>: (未参与)" per group; what a Replace snippet prints: the replaced text.
QString expectedOutput(const QString &pattern, const rw::RegexOptions &opts, const QString &subject,
                       const std::optional<QString> &replacement) {
    const rw::Pattern p = rw::Pattern::compile(pattern, opts);
    rw::Matcher matcher(p);
    if (replacement)
        return matcher.replaceAll(subject, *replacement) + u'\n';
    rw::MatchSet set(p.captureCount());
    matcher.findAll(subject, set);
    QString out;
    for (qsizetype i = 0; i < set.size(); ++i) {
        out += u"%1: %2\n"_s.arg(set.start(i, 0)).arg(set.text(subject, i, 0));
        for (int g = 1; g <= set.groupCount(); ++g)
            out += set.start(i, g) < 0 ? u"  %1: (未参与)\n"_s.arg(g) : u"  %1: %2\n"_s.arg(g).arg(set.text(subject, i, g));
    }
    return out;
}

} // namespace

class tst_PatternConverter final : public QObject {
    Q_OBJECT

private slots:
    void conversion_data();
    void conversion();
    void invalidPatternGivesOurErrorAndNoSnippet();
    void replacement_data();
    void replacement();
    void literalsEvaluateToTheText_data();
    void literalsEvaluateToTheText();
    void textsAUtf8LanguageCannotHoldAreRefused();
    void snippetsRun_data();
    void snippetsRun();
    void commandLineRoundTripsEveryText();
    void commandLineAnswersEveryLine();
};

void tst_PatternConverter::conversion_data() {
    QTest::addColumn<ConvertTarget>("target");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("opts");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("flags");
    QTest::addColumn<QString>("warningAbout"); // a word the first warning must contain; empty: no warning

    const auto row = [](const char *name, ConvertTarget t, const QString &p, const QString &o, const QString &e,
                        const QString &f, const QString &w = {}) { QTest::newRow(name) << t << p << o << e << f << w; };
    using T = ConvertTarget;
    // What "." excludes and where the anchors stand.
    row("js dot excludes only lf", T::JavaScript, u"a.b"_s, u""_s, uR"(a[^\n]b)"_s, u""_s);
    row("python dot is already ours", T::Python, u"a.b"_s, u""_s, u"a.b"_s, u"0"_s, u"UTF-16"_s);
    row("python dollar is the very end", T::Python, u"a$"_s, u""_s, uR"(a\Z)"_s, u"0"_s);
    row("java multiline anchors see cr", T::Java, u"^a$"_s, u"m"_s, uR"((?<![^\n\r])a(?![^\n\r]))"_s, u"0"_s);
    row("cpp multiline from its flag", T::Cpp, u"^a"_s, u"m"_s, u"^a"_s,
        u"std::regex::ECMAScript | std::regex::multiline"_s);
    row("go multiline misses cr", T::Go, u"^a"_s, u"m"_s, u"(?m)^a"_s, u"m"_s, u"\\r"_s);
    // \s \d \w \b on non-ASCII text.
    row("js space spelt out", T::JavaScript, uR"(\s\S)"_s, u""_s, uR"([\t-\r ][^\t-\r ])"_s, u""_s);
    row("python ascii classes", T::Python, uR"(\w\d\b)"_s, u""_s, uR"(\w\d\b)"_s, u"re.ASCII"_s);
    row("dotnet classes spelt out", T::DotNet, uR"(\d\w)"_s, u""_s, u"[0-9][0-9A-Z_a-z]"_s, u"RegexOptions.None"_s);
    row("php boundary by lookarounds", T::Php, uR"(\bx)"_s, u""_s,
        uR"(/(?:(?<=[A-Za-z0-9_])(?![A-Za-z0-9_])|(?<![A-Za-z0-9_])(?=[A-Za-z0-9_]))x/u)"_s, u"u"_s);
    row("go space has no vt", T::Go, uR"([\sa])"_s, u""_s, uR"([\t-\r a])"_s, u""_s);
    // Escapes resolved before they reach the target.
    row("octal and short hex as units", T::JavaScript, uR"(\101\x4\u41\c1)"_s, u""_s, u"Ax4u41c1"_s, u""_s);
    row("control letter", T::Python, uR"(\cJ\v\0)"_s, u""_s, uR"(\n\x0B\x00)"_s, u"0"_s);
    row("eight and nine are digits", T::Java, uR"(\8\9)"_s, u""_s, u"89"_s, u"0"_s);
    row("reference before its group is octal", T::Python, uR"(\1(a))"_s, u""_s, uR"(\x01(a))"_s, u"0"_s);
    row("reference then digit", T::JavaScript, uR"((a)\10)"_s, u""_s, uR"((a)\1(?:)0)"_s, u""_s);
    // Empty classes and literal braces.
    row("empty classes in python", T::Python, u"[][^]"_s, u""_s, uR"((?!)[\s\S])"_s, u"0"_s, u"UTF-16"_s);
    row("empty classes in go", T::Go, u"[]"_s, u""_s, uR"([^\x00-\x{10FFFF}])"_s, u""_s);
    row("optional empty class", T::Java, u"a[]?"_s, u""_s, u"a(?:)"_s, u"0"_s);
    row("literal braces", T::Cpp, u"a{,3}]}"_s, u""_s, uR"(a\{,3\}\]\})"_s, u"std::regex::ECMAScript"_s);
    // Back references to a group that may not have taken part.
    row("unset reference in python", T::Python, uR"((a)?\1)"_s, u""_s, uR"((a)?(?(1)\1))"_s, u"0"_s);
    row("unset reference in java", T::Java, uR"((a)?\1)"_s, u""_s, uR"((a)?\1)"_s, u"0"_s, u"未参与"_s);
    row("set reference in java", T::Java, uR"((a)\1)"_s, u""_s, uR"((a)\1)"_s, u"0"_s);
    row("open reference in python", T::Python, uR"((a\1))"_s, u""_s, u"(a(?:))"_s, u"0"_s);
    row("go reference copies the group", T::Go, uR"((a|b)\1)"_s, u""_s, u"(a|b)(?:a|b)"_s, u""_s, u"反向引用"_s);
    row("go drops a lookahead", T::Go, u"a(?=b)"_s, u""_s, u"a(?:)"_s, u""_s, u"环视"_s);
    // Ignore case beyond ASCII, and letters a Unicode folding would join to ASCII.
    row("js case variants spelt out", T::JavaScript, u"é"_s, u"i"_s, u"[Éé]"_s, u"i"_s);
    row("python ignore case is ascii", T::Python, u"é"_s, u"i"_s, u"[Éé]"_s, u"re.ASCII | re.IGNORECASE"_s);
    row("pcre2 kelvin guard", T::Pcre2, u"k"_s, u"i"_s, u"(?-i:[Kk])"_s,
        u"PCRE2_UTF | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_UNSET_BACKREF | PCRE2_CASELESS"_s);
    row("go class guard", T::Go, u"[a-z]"_s, u"i"_s, u"(?i)(?-i:[A-Za-z])"_s, u"i"_s);
    // The rules other engines don't share.
    row("js clears a repeat's groups", T::JavaScript, u"(?:(a)|b)+"_s, u""_s, u"(?:(a)|b)+"_s, u""_s, u"清空"_s);
    row("python empty iteration", T::Python, u"(a?)+"_s, u""_s, u"(a?)+"_s, u"0"_s, u"空循环"_s);
    row("python empty match retried", T::Python, u"a*"_s, u"g"_s, u"a*"_s, u"0"_s, u"空串"_s);
    row("pair is one character", T::Python, u"\U0001F600"_s, u""_s, u"\U0001F600"_s, u"0"_s);
    row("dot on code points", T::Java, u"."_s, u""_s, uR"([^\n])"_s, u"0"_s, u"UTF-16"_s);
    row("js slash escaped", T::JavaScript, u"a/b"_s, u""_s, uR"(a\/b)"_s, u""_s);
    row("php delimiters", T::Php, u"a/b"_s, u"i"_s, uR"(/a\/b/iu)"_s, u"iu"_s);
    row("invisible characters escaped", T::JavaScript, u"\u200F\u00A0"_s, u""_s, uR"(\u200F\u00A0)"_s, u""_s);
    row("vbscript as written", T::VbScript, uR"(\1(a)[^]\v)"_s, u"img"_s, uR"(\1(a)[^]\v)"_s,
        u"IgnoreCase, Global, Multiline"_s);
}

void tst_PatternConverter::conversion() {
    QFETCH(ConvertTarget, target);
    QFETCH(QString, pattern);
    QFETCH(QString, opts);
    QFETCH(QString, expected);
    QFETCH(QString, flags);
    QFETCH(QString, warningAbout);
    const rw::ConvertedPattern c = PatternConverter::convert(pattern, options(opts), target);
    QVERIFY(c.isValid());
    QCOMPARE(c.pattern, expected);
    QCOMPARE(c.flagsText(), flags);
    if (warningAbout.isEmpty()) {
        QVERIFY2(c.warnings.empty(), qPrintable(c.warnings.empty() ? QString() : c.warnings.front().text));
    } else {
        QVERIFY(!c.warnings.empty());
        QVERIFY2(c.warnings.front().text.contains(warningAbout), qPrintable(c.warnings.front().text));
        // A warning points into the pattern as written.
        QVERIFY(c.warnings.front().from >= 0 && c.warnings.front().to <= pattern.size());
        QVERIFY(c.warnings.front().from < c.warnings.front().to);
    }
}

void tst_PatternConverter::invalidPatternGivesOurErrorAndNoSnippet() {
    // Rejected by the parse, and by PCRE2 only (a bound too large), each with our reason and place.
    for (const auto &[pattern, offset] : {std::pair{u"ab(?<=a)"_s, 2}, std::pair{u"a{2,1}"_s, 1},
                                          std::pair{u"a{70000}"_s, 1}, std::pair{u"(a"_s, 2}}) {
        const rw::ConvertedPattern c = PatternConverter::convert(pattern, options(u"g"_s), ConvertTarget::Python, u"x"_s);
        QVERIFY2(!c.isValid(), qPrintable(pattern));
        QCOMPARE(c.error.text(), rw::Pattern::compile(pattern, options(u"g"_s)).error().text());
        QCOMPARE(c.error.offset, offset);
        QVERIFY(c.pattern.isEmpty());
        const rw::CodeSnippet snippet = rw::codeSnippet(c, rw::SnippetKind::Match, u"a"_s);
        QVERIFY(!snippet.isValid());
        QVERIFY(snippet.code.isEmpty());
    }
}

void tst_PatternConverter::replacement_data() {
    QTest::addColumn<ConvertTarget>("target");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("isCode");
    using T = ConvertTarget;
    const QString markers = u"$$ $& $10$0 $2 $9 $`"_s;
    QTest::newRow("js") << T::JavaScript << u"(a)(b)"_s << markers << u"$$ $& $010$$0 $2 $$9 $`"_s << false;
    QTest::newRow("cpp") << T::Cpp << u"(a)(b)"_s << u"$10$0"_s << u"$010$$0"_s << false;
    QTest::newRow("dotnet") << T::DotNet << u"(a)(b)"_s << markers << u"$$ $& ${1}0$$0 $2 $$9 $`"_s << false;
    QTest::newRow("python template") << T::Python << u"(a)"_s << u"\\n$1$&$$"_s << u"\\\\n\\g<1>\\g<0>$"_s << false;
    QTest::newRow("python function") << T::Python << u"(a)"_s << u"$'<$1>"_s
                                     << u"lambda m: m.string[m.end():] + \"<\" + (m.group(1) or \"\") + \">\""_s << true;
    QTest::newRow("java template") << T::Java << u"(a)"_s << u"\\$1$10$"_s << u"\\\\$1$1\\0\\$"_s << false;
    QTest::newRow("php template") << T::Php << u"(a)"_s << u"\\1$1${1}"_s << u"\\\\1${1}\\${1}"_s << false;
    QTest::newRow("go template") << T::Go << u"(a)"_s << u"$1x$$"_s << u"${1}x$$"_s << false;
    QTest::newRow("pcre2 template") << T::Pcre2 << u"(a)"_s << u"$&$1$"_s << u"${0}${1}$$"_s << false;
    QTest::newRow("vbscript as written") << T::VbScript << u"(a)"_s << u"$1$2$"_s << u"$1$2$"_s << false;
}

void tst_PatternConverter::replacement() {
    QFETCH(ConvertTarget, target);
    QFETCH(QString, pattern);
    QFETCH(QString, replacement);
    QFETCH(QString, expected);
    QFETCH(bool, isCode);
    const rw::ConvertedPattern c = PatternConverter::convert(pattern, options(u"g"_s), target, replacement);
    QVERIFY(c.hasReplacement);
    QCOMPARE(c.replacement, expected);
    QCOMPARE(c.replacementIsCode, isCode);
}

// Each literal, evaluated by the language itself, gives back the text unit for unit.
void tst_PatternConverter::literalsEvaluateToTheText_data() {
    QTest::addColumn<ConvertTarget>("target");
    QTest::newRow("js") << ConvertTarget::JavaScript;
    QTest::newRow("python") << ConvertTarget::Python;
    QTest::newRow("cpp") << ConvertTarget::Cpp;
    QTest::newRow("c") << ConvertTarget::Pcre2;
}

void tst_PatternConverter::literalsEvaluateToTheText() {
    QFETCH(ConvertTarget, target);
    const bool utf8 = target == ConvertTarget::Pcre2;
    QStringList texts{u"plain \\d+ \"quoted\" 'single' `tick`"_s,
                      QStringView(u"nul\0 then 1\0" "7", 14).toString(),
                      u"crlf\r\nlf\ncr\r tab\t \u2028\u2029"_s,
                      u"rtl \u200F\u202E mark, bom \uFEFF, nbsp \u00A0, c1 \u0085"_s,
                      u"中文 \U0001F600 é"_s,
                      u"trigraph ?\?= ?\?/ and )\" )x\" end\\"_s,
                      u"\x7F\x01"
                      "9 hex \\x41"_s};
    if (!utf8)
        texts << u"lone \xD800 then \xDC00 and a\xD83D"_s;
    const auto evaluated = [&](const QString &literal, QTemporaryDir &dir) -> std::optional<QString> {
        switch (target) {
        case ConvertTarget::JavaScript: {
            const QString node = QStandardPaths::findExecutable(u"node"_s);
            if (node.isEmpty())
                return std::nullopt;
            const Run r = run(node, {u"-e"_s, u"const s = "_s + literal +
                                                   u"; console.log([...Array(s.length).keys()].map(i => s.charCodeAt(i).toString(16)).join(' '))"_s});
            return r.out.trimmed();
        }
        case ConvertTarget::Python: {
            const QString python = QStandardPaths::findExecutable(u"python3"_s);
            if (python.isEmpty())
                return std::nullopt;
            const Run r = run(python, {u"-c"_s, u"s = "_s + literal +
                                                     u"\nb = s.encode('utf-16-le', 'surrogatepass')\nprint(' '.join('%x' % int.from_bytes(b[i:i+2], 'little') for i in range(0, len(b), 2)))"_s});
            return r.out.trimmed();
        }
        default: {
            const bool cpp = target == ConvertTarget::Cpp;
            const QString compiler = QStandardPaths::findExecutable(cpp ? u"g++"_s : u"gcc"_s);
            if (compiler.isEmpty())
                return std::nullopt;
            const QString source = dir.filePath(cpp ? u"l.cpp"_s : u"l.c"_s);
            QFile f(source);
            f.open(QIODevice::WriteOnly);
            if (cpp)
                f.write((u"#include <cstdio>\nstatic const wchar_t s[] = "_s + literal +
                         u";\nint main() { for (unsigned i = 0; i + 1 < sizeof s / sizeof *s; ++i) std::printf(i ? \" %x\" : \"%x\", unsigned(s[i])); }\n"_s)
                            .toUtf8());
            else
                f.write((u"#include <stdio.h>\nstatic const char s[] = "_s + literal +
                         u";\nint main(void) { for (unsigned i = 0; i + 1 < sizeof s; ++i) printf(i ? \" %x\" : \"%x\", (unsigned char)s[i]); return 0; }\n"_s)
                            .toUtf8());
            f.close();
            const QString exe = dir.filePath(u"l"_s);
            const Run c = run(compiler, {cpp ? u"-std=c++20"_s : u"-std=c11"_s, u"-Wall"_s, u"-Werror"_s, u"-Wno-trigraphs"_s,
                                         source, u"-o"_s, exe});
            if (c.exitCode != 0)
                return u"compile error: "_s + c.err;
            return run(exe, {}).out.trimmed();
        }
        }
    };
    QTemporaryDir dir;
    for (const QString &text : texts) {
        QString expected;
        if (target == ConvertTarget::Pcre2) {
            const QByteArray bytes = text.toUtf8();
            QStringList hex;
            for (char b : bytes)
                hex << QString::number(uchar(b), 16);
            expected = hex.join(u' ');
        } else {
            QStringList hex;
            for (qsizetype i = 0; i < text.size(); ++i) {
                const bool pair = target == ConvertTarget::Cpp && text[i].isHighSurrogate() && i + 1 < text.size() &&
                                  text[i + 1].isLowSurrogate();
                hex << QString::number(pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode(), 16);
                i += pair ? 1 : 0;
            }
            expected = hex.join(u' ');
        }
        for (bool raw : {true, false}) {
            const rw::StringLiteral literal = rw::stringLiteral(target, text, raw);
            QVERIFY(literal.isValid());
            const std::optional<QString> got = evaluated(literal.code, dir);
            if (!got)
                QSKIP("the language is not installed");
            QVERIFY2(*got == expected, qPrintable(literal.code + u" gives "_s + *got));
        }
    }
}

void tst_PatternConverter::textsAUtf8LanguageCannotHoldAreRefused() {
    const QString lone = u"a\xD800"_s;
    for (ConvertTarget t : {ConvertTarget::Go, ConvertTarget::Php, ConvertTarget::Pcre2}) {
        const rw::StringLiteral literal = rw::stringLiteral(t, lone);
        QVERIFY(!literal.isValid());
        QVERIFY(literal.refusal.contains(u"代理项"_s));
        const rw::ConvertedPattern c = PatternConverter::convert(u"a"_s, options(u"g"_s), t, lone);
        const rw::CodeSnippet replace = rw::codeSnippet(c, rw::SnippetKind::Replace, u"a"_s);
        QVERIFY(!replace.isValid());
        QVERIFY(replace.code.isEmpty());
        QVERIFY(!rw::codeSnippet(c, rw::SnippetKind::Match, lone).isValid());
    }
    // The UTF-16 languages write it.
    for (ConvertTarget t : {ConvertTarget::JavaScript, ConvertTarget::Java, ConvertTarget::DotNet,
                            ConvertTarget::Python, ConvertTarget::Cpp, ConvertTarget::VbScript})
        QVERIFY(rw::stringLiteral(t, lone).isValid());
}

// Each snippet, run by the language, prints what Match lists (or the text Replace gives).
void tst_PatternConverter::snippetsRun_data() {
    QTest::addColumn<ConvertTarget>("target");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("opts");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("replacement"); // none: a Match snippet
    const QString lines = u"one=1\r\ntwo=\r\nthree=3\r\n"_s;
    const QString pattern = uR"(^(\w+)=(\d)?$)"_s;
    const QString quotes = u"say \"hi\" and 'yo' $5 \\n"_s;
    const QString quoted = uR"((['"])(.*?)\1)"_s;
    for (const auto &[name, target] : {std::pair{"js", ConvertTarget::JavaScript}, {"python", ConvertTarget::Python},
                                       {"cpp", ConvertTarget::Cpp}, {"c", ConvertTarget::Pcre2},
                                       {"java", ConvertTarget::Java}, {"go", ConvertTarget::Go}}) {
        QTest::addRow("%s lines, all", name) << target << pattern << u"igm"_s << lines << QString();
        QTest::addRow("%s lines, first", name) << target << pattern << u"m"_s << lines << QString();
        QTest::addRow("%s quotes, all", name) << target << quoted << u"g"_s << quotes << QString();
        QTest::addRow("%s replace all", name) << target << pattern << u"gm"_s << lines << u"[$2:$1] $$"_s;
        QTest::addRow("%s replace first", name) << target << quoted << u""_s << quotes << u"<$2>"_s;
        if (target != ConvertTarget::Pcre2 && target != ConvertTarget::Cpp && target != ConvertTarget::Go)
            QTest::addRow("%s replace with the text around", name) << target << quoted << u"g"_s << quotes << u"($`|$')"_s;
    }
}

void tst_PatternConverter::snippetsRun() {
    QFETCH(ConvertTarget, target);
    QFETCH(QString, pattern);
    QFETCH(QString, opts);
    QFETCH(QString, subject);
    QFETCH(QString, replacement);
    const std::optional<QString> replace = replacement.isNull() ? std::nullopt : std::optional<QString>(replacement);
    const rw::ConvertedPattern c = PatternConverter::convert(pattern, options(opts), target, replace);
    const rw::CodeSnippet snippet =
        rw::codeSnippet(c, replace ? rw::SnippetKind::Replace : rw::SnippetKind::Match, subject);
    QVERIFY2(snippet.isValid(), qPrintable(snippet.refusal));
    QTemporaryDir dir;
    const auto write = [&](const QString &name) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(snippet.code.toUtf8());
        return f.fileName();
    };
    Run r;
    switch (target) {
    case ConvertTarget::JavaScript: {
        const QString node = QStandardPaths::findExecutable(u"node"_s);
        if (node.isEmpty())
            QSKIP("node is not installed");
        r = run(node, {write(u"snippet.js"_s)});
        break;
    }
    case ConvertTarget::Python: {
        const QString python = QStandardPaths::findExecutable(u"python3"_s);
        if (python.isEmpty())
            QSKIP("python3 is not installed");
        r = run(python, {write(u"snippet.py"_s)});
        break;
    }
    case ConvertTarget::Java: {
        const QString java = QStandardPaths::findExecutable(u"java"_s);
        if (java.isEmpty())
            QSKIP("java is not installed");
        r = run(java, {write(u"Main.java"_s)});
        break;
    }
    case ConvertTarget::Go: {
        const QString go = QStandardPaths::findExecutable(u"go"_s);
        if (go.isEmpty())
            QSKIP("go is not installed");
        r = run(go, {u"run"_s, write(u"snippet.go"_s)}, dir.path());
        break;
    }
    default: {
        const bool cpp = target == ConvertTarget::Cpp;
        const QString compiler = QStandardPaths::findExecutable(cpp ? u"g++"_s : u"gcc"_s);
        if (compiler.isEmpty())
            QSKIP("no compiler");
        const QString exe = dir.filePath(u"snippet"_s);
        QStringList args{cpp ? u"-std=c++17"_s : u"-std=c11"_s, u"-Wall"_s, u"-Wextra"_s, u"-Werror"_s,
                         write(cpp ? u"snippet.cpp"_s : u"snippet.c"_s), u"-o"_s, exe};
        if (!cpp)
            args << u"-lpcre2-8"_s;
        const Run built = run(compiler, args);
        QVERIFY2(built.exitCode == 0, qPrintable(built.err + u"\n"_s + snippet.code));
        r = run(exe, {});
        break;
    }
    }
    QVERIFY2(r.exitCode == 0, qPrintable(r.err + u"\n"_s + snippet.code));
    // A conversion that warns may print otherwise (Go's "$" before "\r\n"); it must still run.
    if (c.warnings.empty())
        QCOMPARE(r.out, expectedOutput(pattern, options(opts), subject, replace));
}

// Strings come back exactly, whatever they hold: a NUL, a lone surrogate, a line break, a right-to-left mark.
void tst_PatternConverter::commandLineRoundTripsEveryText() {
    QByteArray input = R"~({"pattern": "a\u0000\ud800\u200f\r\n(b)", "caseSensitive": true, "multiline": false, "global": true, "replacement": "\ud800$1\u0000"})~"
                       "\n";
    QBuffer in(&input);
    in.open(QIODevice::ReadOnly);
    QByteArray output;
    QBuffer out(&output);
    out.open(QIODevice::WriteOnly);
    QBuffer err;
    err.open(QIODevice::WriteOnly);
    QCOMPARE(rw::runConvertCommand(u"vbscript"_s, in, out, err), 0);
    QCOMPARE(output,
             QByteArray(R"~({"pattern": "a\u0000\ud800)~" "\xE2\x80\x8F" R"~(\r\n(b)", "flags": ["Global"], "replacement": "\ud800$1\u0000", "warnings": []})~"
                        "\n"));
}

void tst_PatternConverter::commandLineAnswersEveryLine() {
    QByteArray input = R"~({"pattern": "\\d+", "caseSensitive": false, "global": true})~"
                       "\n\n"
                       R"~({"pattern": "a(?<=b)"})~"
                       "\nnot json\n"
                       R"~({"pattern": "a", "global": "yes"})~"
                       "\n"
                       R"~({"pattern": "(\\w)\\1", "caseSensitive": true, "multiline": true, "replacement": "[$1]"})~"
                       "\n";
    QBuffer in(&input);
    in.open(QIODevice::ReadOnly);
    QByteArray output;
    QBuffer out(&output);
    out.open(QIODevice::WriteOnly);
    QBuffer err;
    err.open(QIODevice::WriteOnly);
    QCOMPARE(rw::runConvertCommand(u"js"_s, in, out, err), 1); // two lines were not requests
    const QStringList lines = QString::fromUtf8(output).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 5); // the blank line has no answer
    QCOMPARE(lines[0], uR"~({"pattern": "\\d+", "flags": "gi", "warnings": []})~"_s);
    QVERIFY2(lines[1].startsWith(uR"~({"error": "不支持逆序环视 (?<=)~"_s) && lines[1].contains(u"\"errorOffset\": 1"_s),
             qPrintable(lines[1]));
    QVERIFY(lines[2].startsWith(u"{\"error\": \"输入行不是 JSON 对象"_s));
    QVERIFY(lines[3].contains(u"true 或 false"_s));
    QCOMPARE(lines[4], uR"~({"pattern": "(\\w)\\1", "flags": "g", "replacement": "[$1]", "warnings": []})~"_s);

    QBuffer none;
    none.open(QIODevice::ReadOnly);
    QCOMPARE(rw::runConvertCommand(u"cobol"_s, none, out, err), 2);
    QVERIFY(err.data().contains("cobol"));
}

QTEST_GUILESS_MAIN(tst_PatternConverter)
#include "tst_patternconverter.moc"
