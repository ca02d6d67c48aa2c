#include "core/regex/PatternValue.h"
#include "core/text/DocumentText.h"

#include <QTest>

using namespace rw;
using namespace Qt::StringLiterals;

// The pattern at one moment: the engine's text, the one parse, and the map between the box's positions and
// the engine's offsets.
class TestPatternValue : public QObject {
    Q_OBJECT
private slots:
    void positionsCorrespond_data();
    void positionsCorrespond();
    void readParsesOnceAndOptionsParseNothing();
};

void TestPatternValue::positionsCorrespond_data() {
    QTest::addColumn<QString>("raw");
    QTest::newRow("empty") << QString();
    QTest::newRow("no break") << u"a(b)c"_s;
    QTest::newRow("paragraphs") << u"a\u2029b\u2029\u2029c"_s;
    QTest::newRow("line separator and lone breaks") << u"a\u2028b\nc\rd"_s;
    QTest::newRow("a \\r\\n kept as two") << u"a\r\nb\u2029"_s;
    QTest::newRow("break first and last") << u"\u2029x\u2029"_s;
    QTest::newRow("outside the BMP") << u"😀\u2029😀"_s;
}

// Against a walk of the raw text and the engine's text side by side.
void TestPatternValue::positionsCorrespond() {
    QFETCH(QString, raw);
    const QString text = paragraphsToCrLf(raw);
    const BreakMap map(raw);
    qsizetype offset = 0;
    for (qsizetype p = 0; p <= raw.size(); ++p) {
        QCOMPARE(map.offsetOf(p), offset);
        QCOMPARE(map.boxPosition(offset), p);
        QCOMPARE(map.boxPosition(offset, true), p);
        if (p == raw.size())
            break;
        const char16_t c = raw.at(p).unicode();
        const bool grows = (c == u'\r' && !(p + 1 < raw.size() && raw.at(p + 1) == u'\n')) || c == u'\n' ||
                           c == 0x2028 || c == 0x2029;
        const bool pairedCr = c == u'\r' && !grows;
        if (grows && !(c == u'\n' && p > 0 && raw.at(p - 1) == u'\r')) {
            QCOMPARE(text.mid(offset, 2), u"\r\n"_s);
            // Between the "\r" and the "\n": before the break, or after it for a range's end.
            QCOMPARE(map.boxPosition(offset + 1), p);
            QCOMPARE(map.boxPosition(offset + 1, true), p + 1);
            offset += 2;
        } else {
            QCOMPARE(text.at(offset), pairedCr ? QChar(u'\r') : raw.at(p));
            ++offset;
        }
    }
    QCOMPARE(offset, text.size());
    const auto [begin, end] = map.boxRange(0, text.size());
    QCOMPARE(begin, 0);
    QCOMPARE(end, raw.size());
}

void TestPatternValue::readParsesOnceAndOptionsParseNothing() {
    const quint64 before = SyntaxTree::parseCount();
    const PatternSnapshot value = PatternValue::read(u"(a)\u2029b"_s, RegexOptions{}, 1);
    QCOMPARE(SyntaxTree::parseCount(), before + 1);
    QCOMPARE(value->text, u"(a)\r\nb"_s);
    QCOMPARE(value->tree.captureCount, 1);

    RegexOptions caseSensitive;
    caseSensitive.ignoreCase = false;
    const PatternSnapshot other = value->withOptions(caseSensitive, 2);
    QCOMPARE(SyntaxTree::parseCount(), before + 1);
    QCOMPARE(other->tree.dump(), value->tree.dump());
    QVERIFY(!other->sameAs(*value));
    QVERIFY(value->sameAs(*PatternValue::read(u"(a)\nb"_s, RegexOptions{}, 3)));
}

QTEST_GUILESS_MAIN(TestPatternValue)
#include "tst_patternvalue.moc"
