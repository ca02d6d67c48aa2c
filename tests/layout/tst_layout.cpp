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

QTEST_GUILESS_MAIN(TestLayout)
#include "tst_layout.moc"
