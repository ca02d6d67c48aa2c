#include "core/rules/BuiltInRules.h"
#include "core/rules/RulesCodec.h"

#include <QTest>

#include <array>

using rw::Rule;

Q_DECLARE_METATYPE(rw::Rule)

namespace {

struct ExpectedBuiltIn {
    const char16_t *name;
    const char16_t *expression;
    const char16_t *descriptionStart; // nullptr: no description
};

// Names, expressions and the opening words of each description, in file order.
constexpr std::array<ExpectedBuiltIn, 32> ExpectedBuiltIns{{
    {u"转义", uR"(\)", u"将下一字符标记为特殊字符、文本、反向引用或八进制转义符"},
    {u"星号", uR"(*)", u"零次或多次匹配前面的字符或子表达式"},
    {u"加号", uR"(+)", u"一次或多次匹配前面的字符或子表达式"},
    {u"问号", uR"(?)", u"零次或一次匹配前面的字符或子表达式"},
    {u"呃", uR"([\s\S]*?)", u"双击可以复制哦"},
    {u"取除空行的行数", uR"(^\S+\r*)", nullptr},
    {u"边界", uR"(\b)", u"匹配一个字边界"},
    {u"非边界", uR"(\B)", u"非字边界匹配"},
    {u"控制字符", uR"(\cx)", u"匹配 x 指示的控制字符"},
    {u"数字", uR"(\d)", u"数字字符匹配"},
    {u"非数字", uR"(\D)", u"非数字字符匹配"},
    {u"换页符", uR"(\f)", u"换页符匹配"},
    {u"换行符", uR"(\n)", u"换行符匹配"},
    {u"回车符", uR"(\r)", u"匹配一个回车符"},
    {u"空白字符", uR"(\s)", u"匹配任何空白字符"},
    {u"非空白字符", uR"(\S)", u"匹配任何非空白字符"},
    {u"制表符", uR"(\t)", u"制表符匹配"},
    {u"垂直制表符", uR"(\v)", u"垂直制表符匹配"},
    {u"数字和字母", uR"(\w)", u"匹配任何字类字符"},
    {u"非数字和字母", uR"(\W)", u"与任何非单词字符匹配"},
    {u"16进制", uR"(\xn)", u"匹配 n"},
    {u"正整数", uR"(\num)", u"匹配 num"},
    {u"8进制", uR"(\n)", u"标识一个八进制转义码或反向引用"},
    {u"8进制", uR"(\nm)", u"八进制转义码或反向引用"},
    {u"8进制", uR"(\nml)", u"当 n 是八进制数 (0-3)"},
    {u"4位16进制", uR"(\un)", u"匹配 n"},
    {u"中文", uR"([\u4e00-\u9fa5])", nullptr},
    {u"空白行", uR"(\n\s*\r)", nullptr},
    {u"IP", uR"(\d{1,3}\.\d{1,3}\.\d{1,3}\.\d{1,3})", nullptr},
    {u"邮箱", uR"(\w+([-+.]\w+)*@\w+([-.]\w+)*\.\w+([-.]\w+)*)", nullptr},
    {u"链接地址和标题", uR"(\<a href *= *['"]*(\S+)["'].*\>(.[^\<]*)?\</a>)", nullptr},
    {u"域名", uR"([a-zA-Z0-9][-a-zA-Z0-9]{0,62}(\.[a-zA-Z0-9][-a-zA-Z0-9]{0,62})+\.?)", nullptr},
}};

QList<Rule> rules(std::initializer_list<Rule> list) {
    return QList<Rule>(list);
}

} // namespace

namespace rw {

// Readable failures for QCOMPARE on rules.
char *toString(const Rule &rule) {
    const QString text = QStringLiteral("{%1 | %2 | %3}").arg(rule.name, rule.expression, rule.description);
    return qstrdup(text.toUtf8().constData());
}

} // namespace rw

class tst_RulesCodec final : public QObject {
    Q_OBJECT

private slots:
    void splitText_data();
    void splitText();
    void parseRules_data();
    void parseRules();
    void serializeRules_data();
    void serializeRules();
    void separatorInsideFieldsAfterReload();
    void saveAndLoadIsAFixedPoint_data();
    void saveAndLoadIsAFixedPoint();
    void builtInRules();
};

void tst_RulesCodec::splitText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QStringList>("pieces");

    QTest::newRow("empty text") << ""
                                << "," << QStringList{};
    QTest::newRow("no separator") << "abc"
                                  << "," << QStringList{"abc"};
    QTest::newRow("two pieces") << "a,b"
                                << "," << QStringList{"a", "b"};
    QTest::newRow("empty middle piece") << "a,,b"
                                        << "," << QStringList{"a", "", "b"};
    QTest::newRow("leading separator") << ",a"
                                       << "," << QStringList{"", "a"};
    QTest::newRow("trailing separator") << "a,"
                                        << "," << QStringList{"a"};
    QTest::newRow("separators only") << ",,"
                                     << "," << QStringList{"", ""};
    QTest::newRow("long separator") << "a----b--c"
                                    << "----" << QStringList{"a", "b--c"};
    QTest::newRow("separator run longer than separator") << "a-----b"
                                                         << "----" << QStringList{"a", "-b"};
    QTest::newRow("crlf lines") << "x\r\n\r\ny\r\n"
                                << "\r\n"
                                << QStringList{"x", "", "y"};
    QTest::newRow("chinese separator") << "甲乙丙乙"
                                       << "乙" << QStringList{"甲", "丙"};
}

void tst_RulesCodec::splitText() {
    QFETCH(QString, text);
    QFETCH(QString, separator);
    QFETCH(QStringList, pieces);

    QCOMPARE(rw::splitText(text, separator), pieces);
}

void tst_RulesCodec::parseRules_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<Rule>>("expected");

    QTest::newRow("empty text") << "" << rules({});
    QTest::newRow("two fields") << "a----b" << rules({{"a", "b", ""}});
    QTest::newRow("three fields") << "a----b----c" << rules({{"a", "b", "c"}});
    QTest::newRow("four fields keep name and expression") << "a----b----c----d" << rules({{"a", "b", ""}});
    QTest::newRow("empty description field") << "a----b----" << rules({{"a", "b", ""}});
    QTest::newRow("lines, last without break")
        << "a----b\r\nc----d----e" << rules({{"a", "b", ""}, {"c", "d", "e"}});
    QTest::newRow("trailing break adds no row") << "a----b\r\n" << rules({{"a", "b", ""}});
    QTest::newRow("line without separator kept for repair")
        << "a----b\r\njust text\r\nc----d" << rules({{"a", "b", ""}, {"just text", "", ""}, {"c", "d", ""}});
    QTest::newRow("empty line between lines kept")
        << "a----b\r\n\r\nc----d" << rules({{"a", "b", ""}, {"", "", ""}, {"c", "d", ""}});
    QTest::newRow("empty expression kept as the line") << "name----" << rules({{"name----", "", ""}});
    QTest::newRow("empty name") << "----b" << rules({{"", "b", ""}});
    QTest::newRow("lf, lone cr and crlf all end a line")
        << "a----b\nc----d\re----f\r\ng----h\n"
        << rules({{"a", "b", ""}, {"c", "d", ""}, {"e", "f", ""}, {"g", "h", ""}});
    QTest::newRow("cr before lf is one break, lf before cr two")
        << "a----b\r\n\n\rc----d" << rules({{"a", "b", ""}, {"", "", ""}, {"", "", ""}, {"c", "d", ""}});
}

void tst_RulesCodec::parseRules() {
    QFETCH(QString, text);
    QFETCH(QList<Rule>, expected);

    QCOMPARE(rw::parseRules(text), expected);
}

void tst_RulesCodec::serializeRules_data() {
    QTest::addColumn<QList<Rule>>("input");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty list") << rules({}) << "";
    QTest::newRow("with and without description")
        << rules({{"a", "b", "c"}, {"d", "e", ""}}) << "a----b----c\r\nd----e\r\n";
    QTest::newRow("empty name or expression skipped")
        << rules({{"", "b", "c"}, {"a", "", "c"}, {"", "", ""}, {"x", "y", ""}}) << "x----y\r\n";
    QTest::newRow("only skipped rows") << rules({{"", "", ""}}) << "";
}

void tst_RulesCodec::serializeRules() {
    QFETCH(QList<Rule>, input);
    QFETCH(QString, text);

    QCOMPARE(rw::serializeRules(input), text);
}

void tst_RulesCodec::separatorInsideFieldsAfterReload() {
    const QList<Rule> saved = rules({
        {"desc", "x", "see----here"},
        {"expr3", "a----b", ""},
        {"expr4", "a----b", "note"},
    });
    const QList<Rule> reloaded = rw::parseRules(rw::serializeRules(saved));

    // Three or more separators: the description is lost; two: what follows lands in the description.
    QCOMPARE(reloaded, rules({{"desc", "x", ""}, {"expr3", "a", "b"}, {"expr4", "a", ""}}));
}

void tst_RulesCodec::saveAndLoadIsAFixedPoint_data() {
    QTest::addColumn<Rule>("held");     // a rule as the list holds it
    QTest::addColumn<Rule>("reloaded"); // what a load of the saved file gives
    QTest::newRow("lf in the name") << Rule{"a\nb", "e", "d"} << Rule{"a b", "e", "d"};
    QTest::newRow("cr in the expression") << Rule{"n", "a\rb", ""} << Rule{"n", "a b", ""};
    QTest::newRow("crlf in the description is one space")
        << Rule{"n", "e", "x\r\ny"} << Rule{"n", "e", "x y"};
    QTest::newRow("breaks at the ends") << Rule{"\nn", "e\r", "d\n\r"} << Rule{" n", "e ", "d  "};
    QTest::newRow("trailing spaces") << Rule{"n ", "e  ", "d   "} << Rule{"n ", "e  ", "d   "};
    QTest::newRow("separator in the description") << Rule{"n", "e", "a----b"} << Rule{"n", "e", ""};
    QTest::newRow("separator in the expression") << Rule{"n", "a----b", ""} << Rule{"n", "a", "b"};
    QTest::newRow("dash before the separator") << Rule{"n", "a-", "b"} << Rule{"n", "a", "-b"};
    QTest::newRow("line break and separator") << Rule{"n", "a\n----b", ""} << Rule{"n", "a ", "b"};
}

void tst_RulesCodec::saveAndLoadIsAFixedPoint() {
    QFETCH(Rule, held);
    QFETCH(Rule, reloaded);
    // Between two others, so that a field that split its line would show as an extra rule.
    const QList<Rule> list{{"first", "1", ""}, held, {"last", "2", "z"}};
    const QString saved = rw::serializeRules(list);
    const QList<Rule> loaded = rw::parseRules(saved);
    QCOMPARE(loaded, rules({{"first", "1", ""}, reloaded, {"last", "2", "z"}}));
    QCOMPARE(saved.count(QStringLiteral("\r\n")), 3);
    QCOMPARE(saved.count(u'\n'), 3);
    // What a load gives survives any number of further saves and loads unchanged.
    QCOMPARE(rw::parseRules(rw::serializeRules(loaded)), loaded);
    QCOMPARE(rw::serializeRules(rw::parseRules(rw::serializeRules(loaded))), rw::serializeRules(loaded));
}

void tst_RulesCodec::builtInRules() {
    const QString text = rw::builtInRulesText();
    QVERIFY(!text.endsWith(u'\n'));

    const QList<Rule> parsed = rw::parseRules(text);
    QCOMPARE(parsed.size(), qsizetype(ExpectedBuiltIns.size()));
    for (qsizetype i = 0; i < parsed.size(); ++i) {
        const ExpectedBuiltIn &expected = ExpectedBuiltIns[std::size_t(i)];
        const Rule &rule = parsed[i];
        const QByteArray where = "line " + QByteArray::number(i + 1);
        QVERIFY2(rule.name == QString::fromUtf16(expected.name), where);
        QVERIFY2(rule.expression == QString::fromUtf16(expected.expression), where);
        if (expected.descriptionStart) {
            const QString start = QString::fromUtf16(expected.descriptionStart);
            QVERIFY2(rule.description.startsWith(start), where);
        } else {
            QVERIFY2(rule.description.isEmpty(), where);
        }
    }
    QCOMPARE(parsed[4].description, QStringLiteral("双击可以复制哦"));

    // Every line has exactly its two or three fields, so a save gives the same text plus a final break.
    QCOMPARE(rw::serializeRules(parsed), text + QStringLiteral("\r\n"));
}

QTEST_GUILESS_MAIN(tst_RulesCodec)
#include "tst_rulescodec.moc"
