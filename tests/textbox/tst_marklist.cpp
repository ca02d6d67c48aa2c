#include "core/textbox/MarkList.h"

#include <QTest>

using namespace rw;

namespace {

// Marks drawn as one letter per character: f found, v visited, . unmarked.
MarkList parse(const QString &picture) {
    std::vector<MarkList::Mark> marks;
    for (qsizetype i = 0; i < picture.size(); ++i) {
        if (picture[i] == u'.')
            continue;
        const auto kind = picture[i] == u'v' ? MarkList::Kind::Visited : MarkList::Kind::Found;
        if (!marks.empty() && marks.back().end() == i && marks.back().kind == kind)
            ++marks.back().length;
        else
            marks.push_back({i, 1, kind});
    }
    MarkList list;
    list.assignStretches(marks);
    return list;
}

QString draw(const MarkList &list, qsizetype length) {
    QString picture(length, u'.');
    qsizetype previousEnd = 0;
    for (const MarkList::Mark &m : list.all()) {
        if (m.length <= 0 || m.start < previousEnd || m.end() > length)
            return QStringLiteral("broken");
        previousEnd = m.end();
        for (qsizetype i = m.start; i < m.end(); ++i)
            picture[i] = m.kind == MarkList::Kind::Visited ? u'v' : u'f';
    }
    return picture;
}

} // namespace

// The keyword marks follow the text through edits like character formats do.
class TestMarkList final : public QObject {
    Q_OBJECT
private slots:
    void followsEdits_data();
    void followsEdits();
    void paintOverlays_data();
    void paintOverlays();
    void overlappingFindsTheMarksInAStretch();
};

void TestMarkList::followsEdits_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("removed");
    QTest::addColumn<int>("added");
    QTest::addColumn<QString>("after");
    QTest::newRow("typing before a mark moves it") << "..ff.." << 0 << 0 << 2 << "....ff..";
    QTest::newRow("typing after a mark leaves it") << "ff...." << 3 << 0 << 1 << "ff.....";
    QTest::newRow("typing inside a mark joins it") << ".fff." << 2 << 0 << 2 << ".fffff.";
    QTest::newRow("typing at a mark's start does not") << ".ff." << 1 << 0 << 1 << "..ff.";
    QTest::newRow("deleting a whole mark removes it") << ".ff.f" << 1 << 2 << 0 << "..f";
    QTest::newRow("deleting its head keeps the tail") << "fff.." << 0 << 2 << 0 << "f..";
    QTest::newRow("deleting its tail keeps the head") << ".fff." << 2 << 3 << 0 << ".f";
    QTest::newRow("replacing across two marks") << "ff..vv" << 1 << 4 << 1 << "f.v";
    QTest::newRow("edit inside a mark keeps its kind") << ".vvvv." << 2 << 1 << 3 << ".vvvvvv.";
}

void TestMarkList::followsEdits() {
    QFETCH(QString, before);
    QFETCH(int, from);
    QFETCH(int, removed);
    QFETCH(int, added);
    QFETCH(QString, after);
    MarkList list = parse(before);
    list.adjust(from, removed, added);
    QCOMPARE(draw(list, after.size()), after);
}

void TestMarkList::paintOverlays_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("after");
    QTest::newRow("over a whole mark") << ".ff.ff." << 1 << 2 << ".vv.ff.";
    QTest::newRow("over part of a mark") << "ffff" << 1 << 2 << "fvvf";
    QTest::newRow("across two marks and a gap") << "ff..ff" << 1 << 4 << "fvvvvf";
    QTest::newRow("on unmarked text") << "...." << 1 << 1 << ".v..";
}

void TestMarkList::paintOverlays() {
    QFETCH(QString, before);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, after);
    MarkList list = parse(before);
    list.paint(start, length, MarkList::Kind::Visited);
    QCOMPARE(draw(list, after.size()), after);
}

void TestMarkList::overlappingFindsTheMarksInAStretch() {
    const MarkList list = parse(QStringLiteral("ff..ff..ff"));
    QCOMPARE(list.overlapping(2, 4).size(), 0u);
    QCOMPARE(list.overlapping(1, 5).size(), 2u);
    QCOMPARE(list.overlapping(0, 10).size(), 3u);
    QCOMPARE(list.firstEndingAfter(5), 1);
    QCOMPARE(list.firstEndingAfter(6), 2);
    QCOMPARE(list.firstEndingAfter(10), 3);
}

QTEST_GUILESS_MAIN(TestMarkList)
#include "tst_marklist.moc"
