#include "core/regex/PatternExplanation.h"

#include <QTest>

using namespace Qt::StringLiterals;
using rw::ExplanationItem;
using rw::PatternExplanation;
using rw::RegexOptions;

class tst_PatternExplanation final : public QObject {
    Q_OBJECT

private slots:
    void explain_data();
    void explain();
};

namespace {

// Each item as "text" on its own line, indented two spaces per level, followed by "@begin-end".
void dumpItems(const std::vector<ExplanationItem> &items, int depth, QStringList &lines) {
    for (const ExplanationItem &item : items) {
        lines << QString(depth * 2, u' ') + item.text + u" @%1-%2"_s.arg(item.begin).arg(item.end);
        dumpItems(item.children, depth + 1, lines);
    }
}

} // namespace

void tst_PatternExplanation::explain_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("multiline");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("group of a repeated class escape")
        << uR"((\d{4})-x)"_s << true
        << QStringList{uR"(捕获分组 1: (\d{4}) @0-7)"_s, u"  数字 0-9, 重复 4 次 @1-6"_s, u"文字 -x @7-9"_s};
    QTest::newRow("tokens whose meaning differs from other dialects")
        << uR"(\d\b.+?)"_s << true
        << QStringList{u"数字 0-9 (仅 ASCII) @0-2"_s, u"单词边界 (按 ASCII 字母、数字和 _) @2-4"_s,
                       uR"(除换行符 \n 以外的任意字符, 重复 1 次或更多次, 尽量少 @4-7)"_s};
    QTest::newRow("literal runs, alternation and branches")
        << u"ab|(?:c|)"_s << true
        << QStringList{u"多选一 (2 个分支, 从左到右尝试): ab|(?:c|) @0-9"_s, u"  分支 1: ab @0-2"_s,
                       u"    文字 ab @0-2"_s, u"  分支 2: (?:c|) @3-9"_s, u"    非捕获分组: (?:c|) @3-9"_s,
                       u"      多选一 (2 个分支, 从左到右尝试): c| @6-8"_s,
                       u"        分支 1: c @6-7"_s, u"          字符 c @6-7"_s,
                       u"        分支 2 (空, 匹配空字符串) @8-8"_s};
    QTest::newRow("anchors follow multiline")
        << u"^$"_s << true << QStringList{uR"(行首 (文本开头, 或 \n、\r 之后) @0-1)"_s,
                                          uR"(行尾 (文本末尾, 或 \n、\r 之前) @1-2)"_s};
    QTest::newRow("anchors without multiline")
        << u"^$"_s << false << QStringList{u"文本开头 @0-1"_s, u"文本末尾 (不匹配末尾换行符之前) @1-2"_s};
    QTest::newRow("class, range and escapes inside")
        << uR"([^a-z\s\n]?)"_s << true
        << QStringList{uR"(可有可无 (0 次或 1 次): [^a-z\s\n]? @0-11)"_s,
                       uR"(  以下字符以外的任意字符: [^a-z\s\n] @0-10)"_s, u"    范围 a 到 z @2-5"_s,
                       uR"(    空白字符 (空格 \f \n \r \t \v, 仅 ASCII) @5-7)"_s, uR"(    换行符 \n @7-9)"_s};
    QTest::newRow("empty classes") << u"[][^]"_s << true
                                   << QStringList{u"空字符集 (不匹配任何字符) @0-2"_s,
                                                  u"任意字符 (包括换行符) @2-5"_s};
    QTest::newRow("back reference and lookahead")
        << uR"((a)(?!\1))"_s << true
        << QStringList{u"捕获分组 1: (a) @0-3"_s, u"  字符 a @1-2"_s,
                       uR"(负向预查 (后面不能是): (?!\1) @3-9)"_s,
                       u"  反向引用: 与第 1 个捕获分组匹配到的文字相同 @6-8"_s};
    QTest::newRow("fault found by the parser")
        << u"a(b"_s << true << QStringList{u"正则创建失败: 缺少右括号 ) (第 4 个字符) @3-3"_s};
    QTest::newRow("fault found by PCRE2")
        << u"a{70000}"_s << true
        << QStringList{u"正则创建失败: 量词中的数字太大 (最大 65535) (第 2 个字符) @1-2"_s};
}

void tst_PatternExplanation::explain() {
    QFETCH(QString, pattern);
    QFETCH(bool, multiline);
    QFETCH(QStringList, lines);
    const PatternExplanation explanation = PatternExplanation::explain(pattern, RegexOptions{true, multiline, true});
    QStringList seen;
    dumpItems(explanation.items, 0, seen);
    QCOMPARE(seen, lines);
    QCOMPARE(explanation.valid, !lines.front().startsWith(u"正则创建失败"_s));
}

QTEST_GUILESS_MAIN(tst_PatternExplanation)
#include "tst_patternexplanation.moc"
