#include "core/layout/Layout.h"

#include <QTest>

using rw::computeLayout;

class TestLayout final : public QObject {
    Q_OBJECT
private slots:
    void designClientArea();
    void truncatesTowardZero_data();
    void truncatesTowardZero();
    void buttonsFollowTheRightEdge_data();
    void buttonsFollowTheRightEdge();
    void tinyClientAreaGivesNegativeSizes();
    void minimumKeepsControlsApart();
    void perLineBoxGivesWayToTheButtons_data();
    void perLineBoxGivesWayToTheButtons();
    void fitToArea_data();
    void fitToArea();
};

void TestLayout::designClientArea() {
    const rw::WindowLayout l = computeLayout(716, 459);
    QCOMPARE(l.group1.height(), 180);
    QCOMPARE(l.group2.top(), 185);
    QCOMPARE(l.group2.height(), 253);
    QCOMPARE(l.tabs1.height(), 157);
    QCOMPARE(l.expression.height(), 93);
    QCOMPARE(l.tabs2.height(), 230);
    QCOMPARE(l.resultsList.height(), 201);
    QCOMPARE(l.sourceText.height(), 174);
    QCOMPARE(l.rulesList.height(), 137);
    QCOMPARE(l.group1.width(), 713);
    QCOMPARE(l.tabs1.width(), 698);
    QCOMPARE(l.resultsList.width(), 683);
    // The row of options and buttons follows the bottom of the expression box.
    QCOMPARE(l.checkGlobal.top(), 24 + 93);
    QCOMPARE(l.checkCase.top(), 24 + 93);
    QCOMPARE(l.checkMultiline.top(), 24 + 93);
    QCOMPARE(l.checkLive.top(), 24 + 93);
    QCOMPARE(l.matchButton.top(), 24 + 93 + 2);
    QCOMPARE(l.replaceButton.top(), 24 + 93 + 2);
    // What the sequence never writes keeps its design value.
    QCOMPARE(l.group1.top(), 5);
    QCOMPARE(l.keyword.left(), 91);
    QCOMPARE(l.matchButton.width(), 112);
    QCOMPARE(l.checkCase.left(), 88);
    QCOMPARE(l.checkLive.left(), 264);
    QCOMPARE(l.checkLive.width(), 88);
}

void TestLayout::truncatesTowardZero_data() {
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("h");
    QTest::addColumn<int>("upperHeight");
    QTest::addColumn<int>("keywordWidth");
    QTest::addColumn<int>("searchLeft");
    QTest::newRow("600 high: 235.47 gives 235") << 716 << 600 << 235 << 328 << 468;
    QTest::newRow("700 wide: 323.33 gives 323") << 700 << 459 << 180 << 323 << 463;
    QTest::newRow("530 high: the design height") << 716 << 530 << 208 << 328 << 468;
}

void TestLayout::truncatesTowardZero() {
    QFETCH(int, w);
    QFETCH(int, h);
    const rw::WindowLayout l = computeLayout(w, h);
    QTEST(l.group1.height(), "upperHeight");
    QTEST(l.keyword.width(), "keywordWidth");
    QTEST(l.searchButton.left(), "searchLeft");
}

void TestLayout::buttonsFollowTheRightEdge_data() {
    QTest::addColumn<int>("w");
    for (int w : {300, 716, 1000, 1921})
        QTest::addRow("%d", w) << w;
}

void TestLayout::buttonsFollowTheRightEdge() {
    QFETCH(int, w);
    const rw::WindowLayout l = computeLayout(w, 459);
    QCOMPARE(l.matchButton.left(), w - 140);
    QCOMPARE(l.replaceButton.left(), w - 260);
    QCOMPARE(l.importButton.left(), w - 129);
}

void TestLayout::tinyClientAreaGivesNegativeSizes() {
    const rw::WindowLayout l = computeLayout(0, 0);
    QCOMPARE(l.group1.height(), 0);
    QCOMPARE(l.group2.height(), -26);
    QCOMPARE(l.tabs1.height(), -23);
    QCOMPARE(l.resultsList.width(), -33);
}

namespace {
// The option row and the buttons on the 表达式 page; the keyword row on the 源文本 page.
QList<QRect> expressionRow(const rw::WindowLayout &l) {
    return {l.checkGlobal, l.checkCase, l.checkMultiline, l.checkLive, l.replaceButton, l.matchButton};
}
QList<QRect> keywordRow(const rw::WindowLayout &l) {
    return {l.keyword, l.searchButton, l.importButton};
}
bool anyOverlap(const QList<QRect> &rects) {
    for (qsizetype i = 0; i < rects.size(); ++i)
        for (qsizetype j = i + 1; j < rects.size(); ++j)
            if (rects[i].intersects(rects[j]))
                return true;
    return false;
}
} // namespace

void TestLayout::minimumKeepsControlsApart() {
    const QSize min = rw::minimumClientSize();
    const rw::WindowLayout l = computeLayout(min.width(), min.height());
    QVERIFY(!anyOverlap(expressionRow(l)));
    QVERIFY(!anyOverlap(keywordRow(l)));
    QVERIFY(!l.expression.intersects(l.matchButton));
    QVERIFY(!l.keyword.intersects(l.sourceText));
    for (const QRect &box : {l.expression, l.sourceText, l.resultsList, l.rulesList})
        QVERIFY2(box.height() >= 48, "a text box shows at least three lines");
    // The width is the smallest such: the design window is wider, and much narrower rows overlap.
    QVERIFY(min.width() <= 716 && min.height() <= 459);
    const rw::WindowLayout narrow = computeLayout(min.width() - 30, min.height());
    QVERIFY(anyOverlap(keywordRow(narrow)));
    const rw::WindowLayout reported = computeLayout(420, 300);
    QVERIFY(anyOverlap(expressionRow(reported)));
}

void TestLayout::perLineBoxGivesWayToTheButtons_data() {
    QTest::addColumn<int>("w");
    QTest::addColumn<int>("width");
    QTest::newRow("design width: whole") << 716 << 72;
    QTest::newRow("wider: whole") << 1200 << 72;
    QTest::newRow("narrowest whole") << 700 << 72;
    QTest::newRow("below it: cut at the replace button") << 690 << 62;
}

// 选择框_逐行匹配 stands in the option row after 选择框_实时, and keeps its gap to the replace button; the
// smallest window is as narrow as it was without it.
void TestLayout::perLineBoxGivesWayToTheButtons() {
    QFETCH(int, w);
    QFETCH(int, width);
    const rw::WindowLayout l = computeLayout(w, 459);
    QCOMPARE(l.checkPerLine, QRect(360, 24 + 93, width, 24));
    QVERIFY(l.replaceButton.left() >= l.checkPerLine.left() + l.checkPerLine.width() + 8);
    // The keyword row sets the smallest width, as it did before the box came.
    const QSize min = rw::minimumClientSize();
    QCOMPARE(min.width(), 682);
    const rw::WindowLayout narrowest = computeLayout(min.width(), min.height());
    QVERIFY(!narrowest.checkPerLine.intersects(narrowest.replaceButton));
}

void TestLayout::fitToArea_data() {
    QTest::addColumn<QSize>("outer");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("expected");
    const QSize design(722, 530);
    const QSize min(700, 340);
    QTest::newRow("fits: centred") << design << QRect(0, 0, 1920, 1040) << QRect(599, 255, 722, 530);
    QTest::newRow("fits: centred in an offset area")
        << design << QRect(100, 40, 800, 600) << QRect(139, 75, 722, 530);
    QTest::newRow("2x scale on 1400x900: shrunk to the height")
        << design << QRect(0, 0, 700, 420) << QRect(0, 0, 700, 420);
    QTest::newRow("too low: the full width stays, the height shrinks")
        << design << QRect(0, 30, 1024, 400) << QRect(151, 30, 722, 400);
    QTest::newRow("below the minimum: top-left kept inside")
        << design << QRect(50, 20, 600, 300) << QRect(50, 20, 700, 340);
    QTest::newRow("exactly the area") << design << QRect(10, 10, 722, 530) << QRect(10, 10, 722, 530);
}

void TestLayout::fitToArea() {
    QFETCH(QSize, outer);
    QFETCH(QRect, available);
    QTEST(rw::fitToArea(outer, QSize(700, 340), available), "expected");
}

QTEST_GUILESS_MAIN(TestLayout)
#include "tst_layout.moc"
