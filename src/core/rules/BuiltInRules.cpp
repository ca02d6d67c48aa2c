#include "BuiltInRules.h"

#include <QStringList>

#include <array>

namespace rw {

namespace {

struct BuiltInRule {
    const char16_t *name;
    const char16_t *expression;
    const char16_t *description; // nullptr: the line has no description field
};

// Raw literals, so that every backslash below is one character of the expression.
constexpr std::array<BuiltInRule, 32> BuiltInRules{{
    {u"转义", uR"(\)",
     uR"(将下一字符标记为特殊字符、文本、反向引用或八进制转义符。例如，“n”匹配字符“n”，而“\n”匹配换行符，“\\”匹配“\”。)"},
    {u"星号", u"*", u"零次或多次匹配前面的字符或子表达式。例如，zo* 能匹配“z”和“zoo”，* 等效于 {0,}。"},
    {u"加号", u"+",
     u"一次或多次匹配前面的字符或子表达式。例如，zo+ 能匹配“zo”和“zoo”，但不能匹配“z”，+ 等效于 {1,}。"},
    {u"问号", u"?",
     u"零次或一次匹配前面的字符或子表达式。例如，do(es)? 匹配“do”或“does”中的“do”，? 等效于 {0,1}。"},
    {u"呃", uR"([\s\S]*?)", u"双击可以复制哦"},
    {u"取除空行的行数", uR"(^\S+\r*)", nullptr},
    {u"边界", uR"(\b)",
     uR"(匹配一个字边界，即字与空格之间的位置。例如，er\b 匹配“never”中的“er”，但不匹配“verb”中的“er”。)"},
    {u"非边界", uR"(\B)", uR"(非字边界匹配。例如，er\B 匹配“verb”中的“er”，但不匹配“never”中的“er”。)"},
    {u"控制字符", uR"(\cx)",
     uR"(匹配 x 指示的控制字符。例如，\cM 匹配 Control-M 或回车符，x 的值必须在 A-Z 或 a-z 之间。)"},
    {u"数字", uR"(\d)", uR"(数字字符匹配。等效于 [0-9]，例如 \d+ 匹配“abc123”中的“123”。)"},
    {u"非数字", uR"(\D)", uR"(非数字字符匹配。等效于 [^0-9]，例如 \D+ 匹配“abc123”中的“abc”。)"},
    {u"换页符", uR"(\f)", uR"(换页符匹配。等效于 \x0c 和 \cL，例如打印文本中的分页处就是一个换页符。)"},
    {u"换行符", uR"(\n)", uR"(换行符匹配。等效于 \x0a 和 \cJ，例如 a\r\nb 匹配 a 和 b 分处两行的文本。)"},
    {u"回车符", uR"(\r)",
     uR"(匹配一个回车符。等效于 \x0d 和 \cM，例如 \r\n 匹配 Windows 文本中的一个换行。)"},
    {u"空白字符", uR"(\s)",
     uR"(匹配任何空白字符，包括空格、制表符、换页符等。与 [ \f\n\r\t\v] 等效，例如 a\sb 匹配“a b”。)"},
    {u"非空白字符", uR"(\S)",
     uR"(匹配任何非空白字符。与 [^ \f\n\r\t\v] 等效，例如 \S+ 匹配“hello world”中的“hello”。)"},
    {u"制表符", uR"(\t)",
     uR"(制表符匹配。与 \x09 和 \cI 等效，例如 a\tb 匹配 a 与 b 之间隔一个 Tab 的文本。)"},
    {u"垂直制表符", uR"(\v)",
     uR"(垂直制表符匹配。与 \x0b 和 \cK 等效，例如 a\vb 匹配 a 与 b 之间隔一个垂直制表符的文本。)"},
    {u"数字和字母", uR"(\w)",
     uR"(匹配任何字类字符，包括下划线。与“[A-Za-z0-9_]”等效，例如 \w+ 匹配“user_01”。)"},
    {u"非数字和字母", uR"(\W)",
     uR"(与任何非单词字符匹配。与“[^A-Za-z0-9_]”等效，例如 \W 匹配“a+b”中的“+”。)"},
    {u"16进制", uR"(\xn)",
     uR"(匹配 n，此处的 n 是一个十六进制转义码，必须正好是两位数长。例如，\x41 匹配“A”。)"},
    {u"正整数", uR"(\num)",
     uR"(匹配 num，此处的 num 是一个正整数，表示对所获取的匹配的反向引用。例如，(.)\1 匹配两个连续的相同字符。)"},
    {u"8进制", uR"(\n)",
     uR"(标识一个八进制转义码或反向引用。如果 \n 之前至少有 n 个获取的子表达式，则 n 为反向引用，否则 n 为八进制转义码，例如 \7。)"},
    {u"8进制", uR"(\nm)",
     uR"(八进制转义码或反向引用。如果 \nm 之前至少有 nm 个获取的子表达式，则 nm 为反向引用，否则 n 和 m 为八进制数字时匹配八进制转义码 nm，例如 \11 匹配制表符。)"},
    {u"8进制", uR"(\nml)",
     uR"(当 n 是八进制数 (0-3)，且 m 和 l 都是八进制数 (0-7) 时，匹配八进制转义码 nml。例如，\101 匹配“A”。)"},
    {u"4位16进制", uR"(\un)",
     uR"(匹配 n，其中 n 是用四个十六进制数表示的 Unicode 字符。例如，\u00A9 匹配版权符号“©”。)"},
    {u"中文", uR"([\u4e00-\u9fa5])", nullptr},
    {u"空白行", uR"(\n\s*\r)", nullptr},
    {u"IP", uR"(\d{1,3}\.\d{1,3}\.\d{1,3}\.\d{1,3})", nullptr},
    {u"邮箱", uR"(\w+([-+.]\w+)*@\w+([-.]\w+)*\.\w+([-.]\w+)*)", nullptr},
    {u"链接地址和标题", uR"x(\<a href *= *['"]*(\S+)["'].*\>(.[^\<]*)?\</a>)x", nullptr},
    {u"域名", uR"([a-zA-Z0-9][-a-zA-Z0-9]{0,62}(\.[a-zA-Z0-9][-a-zA-Z0-9]{0,62})+\.?)", nullptr},
}};

} // namespace

QString builtInRulesText() {
    const QString separator = QStringLiteral("----");
    QStringList lines;
    lines.reserve(qsizetype(BuiltInRules.size()));
    for (const BuiltInRule &rule : BuiltInRules) {
        QString line = QString::fromUtf16(rule.name) + separator + QString::fromUtf16(rule.expression);
        if (rule.description)
            line += separator + QString::fromUtf16(rule.description);
        lines.append(line);
    }
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace rw
