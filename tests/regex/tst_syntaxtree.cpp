#include "core/regex/SyntaxTree.h"

#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using rw::SyntaxNode;
using rw::SyntaxTree;

class tst_SyntaxTree final : public QObject {
    Q_OBJECT

private slots:
    void dump_data();
    void dump();
    void ranges_data();
    void ranges();
    void rejects_data();
    void rejects();
    void canMatchEmpty_data();
    void canMatchEmpty();
};

void tst_SyntaxTree::dump_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("tree");

    const auto row = [](const char *name, const QString &pattern, const QString &tree) {
        QTest::newRow(name) << pattern << tree;
    };
    row("empty pattern", u""_s, u"seq()"_s);
    row("literals and dot", u"a.b"_s, u"seq(lit'a' dot lit'b')"_s);
    row("alternation with an empty branch", u"a||b"_s, u"alt(seq(lit'a') seq() seq(lit'b'))"_s);
    row("groups of every kind", u"(a)(?:b)(?=c)(?!d)"_s,
        u"seq(group1(seq(lit'a')) nc(seq(lit'b')) ahead(seq(lit'c')) notahead(seq(lit'd')))"_s);
    row("nested groups number by their opening", u"((a)|(b))"_s,
        u"seq(group1(alt(seq(group2(seq(lit'a'))) seq(group3(seq(lit'b'))))))"_s);
    row("quantifiers", u"a*b+?c?d{2}e{2,}f{1,3}?"_s,
        u"seq(q{0,inf}(lit'a') q{1,inf}lazy(lit'b') q{0,1}(lit'c') q{2,2}(lit'd') q{2,inf}(lit'e') "
        "q{1,3}lazy(lit'f'))"_s);
    row("quantified group", u"(ab)*"_s, u"seq(q{0,inf}(group1(seq(lit'a' lit'b'))))"_s);
    row("quantified lookahead", u"(?=a)*"_s, u"seq(q{0,inf}(ahead(seq(lit'a'))))"_s);
    row("anchors and boundaries", uR"(^\b\B$)"_s, u"seq(start wordb notwordb end)"_s);
    row("class escapes outside a class", uR"(\d\D\w\W\s\S)"_s,
        u"seq(esc'd' esc'D' esc'w' esc'W' esc's' esc'S')"_s);
    // Braces that start no valid quantifier stay literal.
    row("open brace", u"a{"_s, u"seq(lit'a' lit'{')"_s);
    row("brace with letters", u"x{abc}"_s, u"seq(lit'x' lit'{' lit'a' lit'b' lit'c' lit'}')"_s);
    row("brace without minimum", u"a{,3}"_s, u"seq(lit'a' lit'{' lit',' lit'3' lit'}')"_s);
    row("leading brace then quantifier", u"{*"_s, u"seq(q{0,inf}(lit'{'))"_s);
    row("lone closers", u"}]"_s, u"seq(lit'}' lit']')"_s);
    // Escapes resolved to their unit.
    row("control escapes", uR"(\f\n\r\t\v)"_s, uR"(seq(lit'\x{C}' lit'\x{A}' lit'\x{D}' lit'\x{9}' lit'\x{B}'))"_s);
    row("u and x escapes", uR"(\u0041\x41\x041\u004)"_s,
        uR"(seq(lit'A' lit'A' lit'\x{4}' lit'1' lit'u' lit'0' lit'0' lit'4'))"_s);
    row("c before a letter and a non-letter", uR"(\cJ\c1)"_s, uR"(seq(lit'\x{A}' lit'c' lit'1'))"_s);
    row("c at the end", uR"(\c)"_s, u"seq(lit'c')"_s);
    row("other escapes are the character", uR"(\h\.\/)"_s, u"seq(lit'h' lit'.' lit'/')"_s);
    // Numeric escapes: back reference, octal or the digit, by the groups standing before.
    row("back reference", uR"((a)\1)"_s, u"seq(group1(seq(lit'a')) ref1)"_s);
    row("escape before its group is octal", uR"(\1(a))"_s, uR"(seq(lit'\x{1}' group1(seq(lit'a'))))"_s);
    row("inside its own group", uR"((a\1))"_s, u"seq(group1(seq(lit'a' ref1)))"_s);
    row("eight is the digit", uR"(\8)"_s, u"seq(lit'8')"_s);
    row("nine after one group", uR"((a)\9)"_s, u"seq(group1(seq(lit'a')) lit'9')"_s);
    row("two digits, one group", uR"((a)\10)"_s, u"seq(group1(seq(lit'a')) ref1 lit'0')"_s);
    row("two octal digits", uR"(\12)"_s, uR"(seq(lit'\x{A}'))"_s);
    row("three octal digits", uR"(\101)"_s, u"seq(lit'A')"_s);
    row("octal 400 is 40 then 0", uR"(\400)"_s, uR"(seq(lit'\x{20}' lit'0'))"_s);
    row("nul then 8", uR"(\08)"_s, uR"(seq(lit'\x{0}' lit'8'))"_s);
    // Classes.
    row("empty class", u"[]"_s, u"seq(class())"_s);
    row("empty negated class", u"[^]"_s, u"seq(notclass())"_s);
    row("bracket first closes an empty class", u"[]a]"_s, u"seq(class() lit'a' lit']')"_s);
    row("quantified empty class", u"[]?"_s, u"seq(q{0,1}(class()))"_s);
    row("class items", uR"([a-z_\d])"_s, u"seq(class(range'a-z' lit'_' esc'd'))"_s);
    row("b in a class is backspace", uR"([\b])"_s, uR"(seq(class(lit'\x{8}')))"_s);
    row("digits in a class are octal", uR"([\1\8\101])"_s, uR"(seq(class(lit'\x{1}' lit'8' lit'A')))"_s);
    row("trailing hyphen", u"[a-]"_s, u"seq(class(lit'a' lit'-'))"_s);
    row("class escape before a hyphen", uR"([\d-z])"_s, u"seq(class(esc'd' lit'-' lit'z'))"_s);
    row("escaped range ends", uR"([\u4e00-\u9fa5])"_s, uR"(seq(class(range'\x{4E00}-\x{9FA5}')))"_s);
    row("negated class", uR"([^\n])"_s, uR"(seq(notclass(lit'\x{A}')))"_s);
    row("metacharacters in a class", u"[(|*]"_s, u"seq(class(lit'(' lit'|' lit'*'))"_s);
}

void tst_SyntaxTree::dump() {
    QFETCH(QString, pattern);
    QFETCH(QString, tree);
    const SyntaxTree parsed = SyntaxTree::parse(pattern);
    QVERIFY2(parsed.isValid(), qPrintable(parsed.error.text()));
    QCOMPARE(parsed.dump(), tree);
    // Every node but the root has exactly one parent.
    std::vector<int> parents(parsed.nodes.size());
    for (const SyntaxNode &n : parsed.nodes) {
        for (int c : n.children)
            ++parents[std::size_t(c)];
    }
    for (std::size_t i = 0; i < parents.size(); ++i)
        QCOMPARE(parents[i], int(i) == parsed.root ? 0 : 1);
}

void tst_SyntaxTree::ranges_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("texts"); // each node's text, in pre-order

    QTest::newRow("group, quantifier, alternation")
        << u"(a|bc)+?x"_s
        << QStringList{u"(a|bc)+?x"_s, u"(a|bc)+?"_s, u"(a|bc)"_s, u"a|bc"_s, u"a"_s, u"a"_s, u"bc"_s,
                       u"b"_s, u"c"_s, u"x"_s};
    QTest::newRow("class with a range and escapes")
        << uR"([^\x41-Z\d]{2})"_s
        << QStringList{uR"([^\x41-Z\d]{2})"_s, uR"([^\x41-Z\d]{2})"_s, uR"([^\x41-Z\d])"_s, uR"(\x41-Z)"_s,
                       uR"(\d)"_s};
    QTest::newRow("multi-unit escapes") << uR"(\u0041\101\cJ(a)\1)"_s
                                        << QStringList{uR"(\u0041\101\cJ(a)\1)"_s, uR"(\u0041)"_s,
                                                       uR"(\101)"_s, uR"(\cJ)"_s, u"(a)"_s, u"a"_s,
                                                       u"a"_s, uR"(\1)"_s};
}

void tst_SyntaxTree::ranges() {
    QFETCH(QString, pattern);
    QFETCH(QStringList, texts);
    const SyntaxTree parsed = SyntaxTree::parse(pattern);
    QVERIFY(parsed.isValid());
    QStringList seen;
    const std::function<void(int)> walk = [&](int index) {
        const SyntaxNode &n = parsed.node(index);
        seen << pattern.mid(n.begin, n.end - n.begin);
        if (n.kind == SyntaxNode::Kind::Quantifier) // the operator's own text follows what it repeats
            QVERIFY(n.opBegin > n.begin && n.opBegin < n.end);
        for (int c : n.children)
            walk(c);
    };
    walk(parsed.root);
    QCOMPARE(seen, texts);
}

void tst_SyntaxTree::rejects_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<qsizetype>("offset");

    // The full list of reasons and places is checked through Pattern::compile; these are the
    // parser's own, and the class escape ending a range, which only the parser knows.
    QTest::newRow("missing )") << u"(a(b)"_s << u"缺少右括号 )"_s << qsizetype(5);
    QTest::newRow("unmatched )") << u"a|b)"_s << u"多余的右括号 )"_s << qsizetype(3);
    QTest::newRow("quantifier after an anchor") << u"a|^*"_s << u"量词前面没有可重复的内容 *"_s << qsizetype(3);
    QTest::newRow("range ending in a class escape")
        << uR"(x[a-\d])"_s << uR"(字符范围的终点不能是字符类 a-\d)"_s << qsizetype(2);
    QTest::newRow("range ending in \\S") << uR"([\s-\S])"_s << u""_s << qsizetype(-1);
}

void tst_SyntaxTree::rejects() {
    QFETCH(QString, pattern);
    QFETCH(QString, reason);
    QFETCH(qsizetype, offset);
    const SyntaxTree parsed = SyntaxTree::parse(pattern);
    if (reason.isEmpty()) { // accepted after all: a class escape before the hyphen keeps it literal
        QVERIFY2(parsed.isValid(), qPrintable(parsed.error.text()));
        return;
    }
    QVERIFY(!parsed.isValid());
    QVERIFY(parsed.nodes.empty());
    QCOMPARE(parsed.error.reason, reason);
    QCOMPARE(parsed.error.offset, offset);
}

void tst_SyntaxTree::canMatchEmpty_data() {
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("empty");
    QTest::newRow("literal") << u"a"_s << false;
    QTest::newRow("optional") << u"a?"_s << true;
    QTest::newRow("plus of optional") << u"(a?)+"_s << true;
    QTest::newRow("plus") << u"a+"_s << false;
    QTest::newRow("empty branch") << u"(|a)"_s << true;
    QTest::newRow("lookahead") << u"(?=a)"_s << true;
    QTest::newRow("anchor") << u"^"_s << true;
    QTest::newRow("class") << u"[]"_s << false;
    QTest::newRow("sequence with a required part") << u"a?b"_s << false;
    QTest::newRow("back reference") << uR"((a)\1)"_s << false;
}

void tst_SyntaxTree::canMatchEmpty() {
    QFETCH(QString, pattern);
    QFETCH(bool, empty);
    const SyntaxTree parsed = SyntaxTree::parse(pattern);
    QVERIFY(parsed.isValid());
    QCOMPARE(parsed.canMatchEmpty(parsed.root), empty);
}

QTEST_GUILESS_MAIN(tst_SyntaxTree)
#include "tst_syntaxtree.moc"
