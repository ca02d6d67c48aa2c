#include "core/regex/CompileErrorReason.h"
#include "core/regex/Pattern.h"
#include "core/regex/RunStatusText.h"

#include <QTest>

#include <pcre2.h>

using namespace Qt::StringLiterals;
using namespace rw;

class tst_PatternError final : public QObject {
    Q_OBJECT

private slots:
    void reasonAndPosition_data();
    void reasonAndPosition();
    void unmappedCodeKeepsPcreText();
    void statusText_data();
    void statusText();
};

void tst_PatternError::reasonAndPosition_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("opts"); // i = ignore case, m = multiline
    QTest::addColumn<QString>("reason");
    QTest::addColumn<int>("position");
    QTest::addColumn<qsizetype>("offset");

    const auto row = [](const char *name, const QString &pattern, const QString &reason, int position,
                        qsizetype offset, const QString &opts = u"im"_s) {
        QTest::newRow(name) << pattern << opts << reason << position << offset;
    };
    // Faults the translator finds itself.
    row("missing )", u"(abc"_s, u"缺少右括号 )"_s, 5, 4);
    row("missing ) after a nested pair", u"((a)b"_s, u"缺少右括号 )"_s, 6, 5);
    row("unmatched )", u"ab)c"_s, u"多余的右括号 )"_s, 3, 2);
    row("missing ]", u"a[bc"_s, u"缺少右方括号 ]"_s, 5, 4);
    row("quantifier bounds reversed", u"a{2,1}"_s, u"量词的范围前大后小 {2,1}"_s, 2, 1);
    row("class range reversed", u"x[z-a]"_s, u"字符范围前大后小 z-a"_s, 3, 2);
    row("class range reversed by escapes", uR"([\x7A-\x61])"_s, uR"(字符范围前大后小 \x7A-\x61)"_s, 2, 1);
    row("class range ending in a class escape", uR"(1[a-\d])"_s, uR"(字符范围的终点不能是字符类 a-\d)"_s, 3, 2);
    row("trailing backslash", u"ab\\"_s, u"表达式末尾的 \\ 后面缺少字符"_s, 3, 2);
    row("trailing backslash in a class", u"[a\\"_s, u"表达式末尾的 \\ 后面缺少字符"_s, 3, 2);
    row("nothing to repeat at the start", u"*a"_s, u"量词前面没有可重复的内容 *"_s, 1, 0);
    row("nothing to repeat after |", u"a|+b"_s, u"量词前面没有可重复的内容 +"_s, 3, 2);
    row("nothing to repeat after an anchor", u"^{2}"_s, u"量词前面没有可重复的内容 {2}"_s, 2, 1);
    row("nothing to repeat in a group", u"(?:?)"_s, u"量词前面没有可重复的内容 ?"_s, 4, 3);
    row("quantifier on a quantifier", u"a{2}{3}"_s, u"量词不能紧跟在量词后面 {3}"_s, 5, 4);
    row("lazy quantifier then another", u"a*?+"_s, u"量词不能紧跟在量词后面 +"_s, 4, 3);
    // Constructs the dialect lacks, named.
    row("lookbehind", uR"((?<=GNU )\w+)"_s, u"不支持逆序环视 (?<="_s, 1, 0);
    row("negative lookbehind", u"a(?<!b)"_s, u"不支持逆序环视 (?<!"_s, 2, 1);
    row("named group", uR"((?<p>\w+))"_s, u"不支持命名分组 (?<p>"_s, 1, 0);
    row("named group, Python style", u"(?P<year>a)"_s, u"不支持命名分组 (?P<year>"_s, 1, 0);
    row("named group, quoted", u"(?'n'a)"_s, u"不支持命名分组 (?'n'"_s, 1, 0);
    row("atomic group", u"x(?>a|ab)c"_s, u"不支持固化分组 (?>"_s, 2, 1);
    row("possessive star", u"a*+"_s, u"不支持占有量词 *+"_s, 2, 1);
    row("possessive plus", u"ba++"_s, u"不支持占有量词 ++"_s, 3, 2);
    row("possessive braces", u"a{2,}+"_s, u"不支持占有量词 {2,}+"_s, 2, 1);
    row("inline flags", u"(?i)abc"_s, u"不支持内联选项 (?i)"_s, 1, 0);
    row("inline flags on a group", u"a(?im-s:b)"_s, u"不支持内联选项 (?im-s:"_s, 2, 1);
    row("comment", u"(?#note)"_s, u"不支持注释 (?#"_s, 1, 0);
    row("conditional", u"(a)(?(1)b|c)"_s, u"不支持条件分组 (?("_s, 4, 3);
    row("recursion", u"a(?R)?b"_s, u"不支持递归调用 (?R)"_s, 2, 1);
    row("verb", u"(*UTF)a"_s, u"不支持控制动词 (*UTF)"_s, 1, 0);
    row("unknown group", u"(?C1)"_s, u"不认识的分组写法 (?C"_s, 1, 0);
    row("group cut off", u"ab(?"_s, u"不认识的分组写法 (?"_s, 3, 2);
    // Faults only PCRE2 finds: its offset in the translation maps back to the pattern as written, here
    // behind pieces whose translations are longer than they are ("é" folds, "^" and "." are spelt out).
    row("number too big", u"a{99999}"_s, u"量词中的数字太大 (最大 65535)"_s, 2, 1);
    row("number too big behind expanded pieces", u"é^.a{70000}"_s, u"量词中的数字太大 (最大 65535)"_s, 5, 4);
    row("number too big, case-sensitive", u"é^.a{70000}"_s, u"量词中的数字太大 (最大 65535)"_s, 5, 4, u""_s);
    row("nesting too deep", QString(300, u'(') + QString(300, u')'), u"括号嵌套太深"_s, 252, 251);
    row("too large", u"(?:a{60000}){60000}"_s, u"表达式太大"_s, 20, 19);
    // Positions count characters as the user sees them.
    row("after a surrogate pair", u"\U0001F600("_s, u"缺少右括号 )"_s, 3, 3);
    row("after a CRLF line break", u"a\r\n)"_s, u"多余的右括号 )"_s, 3, 3);
}

void tst_PatternError::reasonAndPosition() {
    QFETCH(QString, pattern);
    QFETCH(QString, opts);
    QFETCH(QString, reason);
    QFETCH(int, position);
    QFETCH(qsizetype, offset);

    const RegexOptions options{opts.contains(u'i'), opts.contains(u'm'), true};
    const Pattern compiled = Pattern::compile(pattern, options);
    QVERIFY(!compiled.isValid());
    const PatternError &error = compiled.error();
    QCOMPARE(error.reason, reason);
    QCOMPARE(error.position, position);
    QCOMPARE(error.offset, offset);
    QCOMPARE(error.text(), u"%1 (第 %2 个字符)"_s.arg(reason).arg(position));
}

void tst_PatternError::unmappedCodeKeepsPcreText() {
    QCOMPARE(compileErrorReason(PCRE2_ERROR_VERB_UNKNOWN), u"(*VERB) not recognized or malformed"_s);
    QCOMPARE(compileErrorReason(PCRE2_ERROR_MISSING_CLOSING_PARENTHESIS), u"缺少右括号 )"_s);
}

void tst_PatternError::statusText_data() {
    QTest::addColumn<RunCommand>("command");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("text");

    const auto row = [](const char *name, RunCommand command, MatchStatus status, const QString &text) {
        QTest::newRow(name) << command << int(status) << text;
    };
    row("match ok", RunCommand::Match, MatchStatus::Ok, u"正则匹配成功,匹配数量: 7 -子匹配数量: 2"_s);
    row("match stopped shows what it found", RunCommand::Match, MatchStatus::Canceled,
        u"正则匹配成功,匹配数量: 7 -子匹配数量: 2"_s);
    row("match limit", RunCommand::Match, MatchStatus::LimitExceeded, u"匹配超出回溯上限,请简化表达式"_s);
    row("match rejected", RunCommand::Match, MatchStatus::Rejected,
        u"正则创建失败: 缺少右括号 ) (第 5 个字符)"_s);
    row("replace ok", RunCommand::Replace, MatchStatus::Ok, u"替换完毕"_s);
    row("replace limit", RunCommand::Replace, MatchStatus::LimitExceeded, u"匹配超出回溯上限,请简化表达式"_s);
    row("replace canceled", RunCommand::Replace, MatchStatus::Canceled, u"匹配超出回溯上限,请简化表达式"_s);
    row("replace rejected", RunCommand::Replace, MatchStatus::Rejected,
        u"正则创建失败: 缺少右括号 ) (第 5 个字符)"_s);
}

void tst_PatternError::statusText() {
    QFETCH(RunCommand, command);
    QFETCH(int, status);
    QFETCH(QString, text);
    RunOutcome outcome;
    outcome.status = MatchStatus(status);
    if (outcome.status == MatchStatus::Rejected)
        outcome.error = PatternError::at(u"(abc", 4, u"缺少右括号 )"_s);
    outcome.matchCount = 7;
    outcome.submatchCount = 2;
    QCOMPARE(runStatusText(command, outcome), text);
}

QTEST_GUILESS_MAIN(tst_PatternError)
#include "tst_patternerror.moc"
