#include "core/search/KeywordHits.h"
#include "core/search/KeywordStepper.h"

#include <QTest>

#include <utility>
#include <vector>

using namespace Qt::StringLiterals;
using namespace rw;

// One press of the search: the text as it is at that moment and the keyword in the box.
using Press = std::pair<QString, QString>;
using Presses = std::vector<Press>;

class tst_KeywordStepper final : public QObject {
    Q_OBJECT

private slots:
    void hits_data();
    void hits();
    void readingAWindowAtATime_data();
    void readingAWindowAtATime();
    void steps_data();
    void steps();
};

void tst_KeywordStepper::hits_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<std::vector<qsizetype>>("expected");

    QTest::newRow("two") << u"xAyA"_s << u"A"_s << std::vector<qsizetype>{1, 3};
    QTest::newRow("overlapping counted once") << u"AAA"_s << u"AA"_s << std::vector<qsizetype>{0};
    QTest::newRow("back to back") << u"AAAA"_s << u"AA"_s << std::vector<qsizetype>{0, 2};
    QTest::newRow("case-sensitive") << u"aAa"_s << u"A"_s << std::vector<qsizetype>{1};
    QTest::newRow("empty keyword") << u"abc"_s << u""_s << std::vector<qsizetype>{};
    QTest::newRow("keyword longer than text") << u"ab"_s << u"abc"_s << std::vector<qsizetype>{};
    QTest::newRow("non-breaking space is not a space")
        << u"a\u00A0b a b"_s << u"a\u00A0b"_s << std::vector<qsizetype>{0};
    QTest::newRow("surrogate pairs") << u"\U0001F600x\U0001F600"_s << u"\U0001F600"_s
                                     << std::vector<qsizetype>{0, 3};
}

void tst_KeywordStepper::hits() {
    QFETCH(QString, text);
    QFETCH(QString, keyword);
    QFETCH(std::vector<qsizetype>, expected);
    QCOMPARE(findKeywordHits(text, keyword), expected);
}

void tst_KeywordStepper::readingAWindowAtATime_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("keyword");

    QTest::newRow("single letters") << u"xAyAA"_s << u"A"_s;
    QTest::newRow("overlapping pairs") << u"AAAAA"_s << u"AA"_s;
    QTest::newRow("overlapping triples") << u"AAAAAAA"_s << u"AAA"_s;
    QTest::newRow("overlapping with a period") << u"abababxababa"_s << u"aba"_s;
    QTest::newRow("across a line break") << u"ab\nab\nb\na"_s << u"b\na"_s;
    QTest::newRow("surrogate pairs") << u"\U0001F600\U0001F600x\U0001F600"_s << u"\U0001F600"_s;
    QTest::newRow("keyword longer than text") << u"ab"_s << u"abc"_s;
    QTest::newRow("empty text") << u""_s << u"a"_s;
    QTest::newRow("empty keyword") << u"abc"_s << u""_s;
}

// Whatever the windows and wherever the search starts, reading a window at a time or starting from the
// counted hits finds what one indexOf over the whole text finds, overlapping occurrences included.
void tst_KeywordStepper::readingAWindowAtATime() {
    QFETCH(QString, text);
    QFETCH(QString, keyword);
    const auto expected = [&](qsizetype from, qsizetype to) {
        const qsizetype at = keyword.isEmpty() || from > text.size() ? -1 : text.indexOf(keyword, from);
        return at >= 0 && at < to ? at : -1;
    };
    const std::vector<qsizetype> hits = findKeywordHits(text, keyword);
    for (qsizetype from = 0; from <= text.size() + 1; ++from) {
        QCOMPARE(nextKeywordHit(text, keyword, hits, from), expected(from, text.size()));
        for (qsizetype to = from; to <= text.size() + 1; ++to)
            for (const qsizetype window : {1, 2, 3, 5})
                QCOMPARE(findKeywordIn(text, keyword, from, to, window), expected(from, to));
        QCOMPARE(findKeywordIn(text, keyword, from, text.size()), expected(from, text.size()));
    }
}

void tst_KeywordStepper::steps_data() {
    QTest::addColumn<Presses>("presses");
    // Per press: "counted N" when the keyword was new and had some, then "n/N@start" or "没有啦".
    QTest::addColumn<QStringList>("expected");

    const QString t = u"xAyA"_s;
    QTest::newRow("steps, then stays at no more")
        << Presses{{t, u"A"_s}, {t, u"A"_s}, {t, u"A"_s}, {t, u"A"_s}}
        << QStringList{u"一共搜到 2 个 A; 1/2@1"_s, u"2/2@3"_s, u"没有啦"_s, u"没有啦"_s};
    QTest::newRow("another keyword starts the first over")
        << Presses{{t, u"A"_s}, {t, u"A"_s}, {t, u"y"_s}, {t, u"A"_s}}
        << QStringList{u"一共搜到 2 个 A; 1/2@1"_s, u"2/2@3"_s, u"一共搜到 1 个 y; 1/1@2"_s,
                       u"一共搜到 2 个 A; 1/2@1"_s};
    QTest::newRow("overlapping: counted once, visited twice")
        << Presses{{u"AAA"_s, u"AA"_s}, {u"AAA"_s, u"AA"_s}, {u"AAA"_s, u"AA"_s}}
        << QStringList{u"一共搜到 1 个 AA; 1/1@0"_s, u"2/1@1"_s, u"没有啦"_s};
    QTest::newRow("not in the text: no count line")
        << Presses{{u"xyz"_s, u"A"_s}, {u"xyz"_s, u"A"_s}} << QStringList{u"没有啦"_s, u"没有啦"_s};
    QTest::newRow("empty keyword at first") << Presses{{t, u""_s}} << QStringList{u"没有啦"_s};
    QTest::newRow("empty keyword after another")
        << Presses{{t, u"A"_s}, {t, u""_s}, {t, u""_s}}
        << QStringList{u"一共搜到 2 个 A; 1/2@1"_s, u"没有啦"_s, u"没有啦"_s};
    // An edit between steps: the next step reads the text as it is now, the total stays.
    QTest::newRow("occurrences typed ahead count past the total")
        << Presses{{u"A-A"_s, u"A"_s}, {u"A-AAA"_s, u"A"_s}, {u"A-AAA"_s, u"A"_s}}
        << QStringList{u"一共搜到 2 个 A; 1/2@0"_s, u"2/2@2"_s, u"3/2@3"_s};
    QTest::newRow("text cut behind the last hit") << Presses{{u"AxxA"_s, u"A"_s}, {u"A"_s, u"A"_s}}
                                                  << QStringList{u"一共搜到 2 个 A; 1/2@0"_s, u"没有啦"_s};
    QTest::newRow("non-breaking space")
        << Presses{{u"a b\u00A0c b\u00A0c"_s, u"b\u00A0c"_s}, {u"a b\u00A0c b\u00A0c"_s, u"b\u00A0c"_s}}
        << QStringList{u"一共搜到 2 个 b\u00A0c; 1/2@2"_s, u"2/2@6"_s};
}

void tst_KeywordStepper::steps() {
    QFETCH(Presses, presses);
    QFETCH(QStringList, expected);

    // A second stepper is told where the next hit is, as the search box does it: from the hits counted
    // while the text is the one counted, by reading the text on after an edit.
    KeywordStepper stepper, told;
    QString countedText;
    std::vector<qsizetype> counted;
    QStringList outcomes;
    for (const auto &[text, keyword] : presses) {
        QString outcome;
        if (stepper.begin(keyword)) {
            QVERIFY(told.begin(keyword));
            counted = findKeywordHits(text, keyword);
            countedText = text;
            stepper.counted(qsizetype(counted.size()));
            told.counted(qsizetype(counted.size()));
            if (!stepper.countText().isEmpty())
                outcome = stepper.countText() + u"; "_s;
        }
        QCOMPARE(stepper.keyword(), keyword);
        const std::optional<KeywordStepper::Hit> hit = stepper.step(text);
        const std::optional<KeywordStepper::Hit> toldHit =
            told.stepTo(text == countedText ? nextKeywordHit(text, keyword, counted, told.nextStart())
                                            : findKeywordIn(text, keyword, told.nextStart(), text.size(), 2));
        QCOMPARE(toldHit.has_value(), hit.has_value());
        if (hit) {
            QCOMPARE(toldHit->start, hit->start);
            QCOMPARE(toldHit->number, hit->number);
            QCOMPARE(toldHit->total, hit->total);
        }
        QCOMPARE(told.nextStart(), stepper.nextStart());
        if (hit) {
            QCOMPARE(text.mid(hit->start, hit->length), keyword);
            QCOMPARE(KeywordStepper::hitText(*hit), u"搜索结果 %1/%2"_s.arg(hit->number).arg(hit->total));
            outcome += u"%1/%2@%3"_s.arg(hit->number).arg(hit->total).arg(hit->start);
        } else {
            outcome += KeywordStepper::noMoreText();
        }
        outcomes.append(outcome);
    }
    QCOMPARE(outcomes, expected);
}

QTEST_GUILESS_MAIN(tst_KeywordStepper)
#include "tst_keywordstepper.moc"
