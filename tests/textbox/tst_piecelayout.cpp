// The rows of a text box: after a change, a mark or a preedit, only the pieces touched are laid out
// again, and every piece kept (renumbered after the change) is the piece a fresh layout makes.
#include "core/textbox/TextDocument.h"
#include "textbox/PieceLayout.h"

#include <QGuiApplication>
#include <QTest>

using rw::Caret;
using rw::MarkList;
using rw::PieceLayout;
using rw::TextDocument;
using rw::TextPiece;
using rw::TextStore;

namespace {

// 300 short lines, then one long line of three pieces and a bit, then 100 short lines again.
QString sample() {
    QStringList lines;
    for (int i = 0; i < 300; ++i)
        lines << QStringLiteral("line %1 of some words").arg(i);
    lines << QString(3 * PieceLayout::kPieceLength + 100, u'x');
    for (int i = 0; i < 100; ++i)
        lines << QStringLiteral("after %1").arg(i);
    return lines.join(u'\n');
}

// The same font, width and mark format for every layout of a test, so that fresh ones compare.
void prepare(PieceLayout &layout) {
    layout.setFont(QFont());
    layout.setWidth(300);
    QTextCharFormat found;
    found.setFontPointSize(20); // a mark that changes the glyphs, as a keyword hit does
    layout.setMarkFormat(0, MarkList::Kind::Found, found);
}

// Lays out every piece.
void walkAll(const PieceLayout &layout) {
    layout.walk({}, 0, 1e12, [](const PieceLayout::RowView &) { return true; });
}

// How a layout made from scratch differs from layout, or an empty string.
QString difference(const PieceLayout &layout, const TextDocument &document) {
    PieceLayout fresh(document);
    prepare(fresh);
    if (fresh.unitCount() != layout.unitCount())
        return QStringLiteral("units %1, fresh %2").arg(layout.unitCount()).arg(fresh.unitCount());
    for (qsizetype unit = 0; unit < fresh.unitCount(); ++unit) {
        const PieceLayout::Piece &a = layout.piece(unit), &b = fresh.piece(unit);
        if (a.start != b.start || a.length != b.length || a.layout->text() != b.layout->text() ||
            a.layout->lineCount() != b.layout->lineCount() || a.layout->formats() != b.layout->formats())
            return QStringLiteral("unit %1: start %2/%3, length %4/%5")
                .arg(unit)
                .arg(a.start)
                .arg(b.start)
                .arg(a.length)
                .arg(b.length);
    }
    return QString();
}

} // namespace

class TestPieceLayout : public QObject {
    Q_OBJECT
private slots:
    void changesLayOutOnlyThePiecesTouched_data() {
        QTest::addColumn<qsizetype>("line"); // where the change goes: a line and a column in it
        QTest::addColumn<qsizetype>("column");
        QTest::addColumn<qsizetype>("removed");
        QTest::addColumn<QString>("added");
        QTest::addColumn<quint64>("laidOut"); // pieces laid out again afterwards
        QTest::newRow("typing in a line")
            << qsizetype(100) << qsizetype(3) << qsizetype(0) << "a" << quint64(1);
        QTest::newRow("a line broken in two") << qsizetype(100) << qsizetype(3) << qsizetype(0) << "\n"
                                              << quint64(2);
        QTest::newRow("two lines joined")
            << qsizetype(100) << qsizetype(22) << qsizetype(1) << "" << quint64(1);
        QTest::newRow("lines pasted") << qsizetype(5) << qsizetype(0) << qsizetype(0) << "a\nb\nc\n"
                                      << quint64(4);
        QTest::newRow("lines removed") << qsizetype(5) << qsizetype(0) << qsizetype(100) << "" << quint64(1);
        QTest::newRow("typing in the long line's second piece") // the first piece stays
            << qsizetype(300) << qsizetype(5000) << qsizetype(0) << "a" << quint64(3);
        QTest::newRow("a stretch of the long line removed") // still long, a piece fewer
            << qsizetype(300) << qsizetype(4100) << qsizetype(4000) << "" << quint64(2);
        QTest::newRow("typing in the long line's first piece")
            << qsizetype(300) << qsizetype(5) << qsizetype(0) << "a" << quint64(4);
        QTest::newRow("a line made long") << qsizetype(10) << qsizetype(0) << qsizetype(0)
                                          << QString(2 * PieceLayout::kWholeLine, u'y') << quint64(5);
        QTest::newRow("the long line cut short")
            << qsizetype(300) << qsizetype(10) << qsizetype(3 * PieceLayout::kPieceLength) << ""
            << quint64(1);
        QTest::newRow("a line break after the long line")
            << qsizetype(300) << qsizetype(3 * PieceLayout::kPieceLength + 100) << qsizetype(0) << "\n"
            << quint64(2); // the long line's last piece and the new line
        QTest::newRow("typing in the last line")
            << qsizetype(400) << qsizetype(2) << qsizetype(0) << "a" << quint64(1);
    }
    void changesLayOutOnlyThePiecesTouched() {
        QFETCH(qsizetype, line);
        QFETCH(qsizetype, column);
        QFETCH(qsizetype, removed);
        QFETCH(QString, added);
        QFETCH(quint64, laidOut);
        TextDocument document;
        document.reset(TextStore(sample()));
        document.marks(0).assign({10, 5000, 9000}, 4, MarkList::Kind::Found);
        PieceLayout layout(document);
        prepare(layout);
        walkAll(layout);
        const quint64 before = layout.layoutsMade();

        const qsizetype position = document.store().lineStart(line) + column;
        layout.changed(document.replace(position, removed, TextPiece(added), Caret{}));
        walkAll(layout);
        QCOMPARE(layout.layoutsMade() - before, laidOut);
        QCOMPARE(difference(layout, document), QString());
    }

    // A mark painted over a stretch, and a preedit shown and taken away, lay out only the pieces there.
    void marksAndPreeditLayOutOnlyTheirPieces() {
        TextDocument document;
        document.reset(TextStore(sample()));
        PieceLayout layout(document);
        prepare(layout);
        walkAll(layout);
        quint64 made = layout.layoutsMade();
        const auto laidOut = [&] {
            walkAll(layout);
            const quint64 n = layout.layoutsMade() - made;
            made = layout.layoutsMade();
            return n;
        };
        const qsizetype at = document.store().lineStart(20) + 2;
        document.marks(0).paint(at, 30, MarkList::Kind::Visited); // over the line break: two lines
        layout.marksChanged(at, at + 30);
        QCOMPARE(laidOut(), quint64(2));
        layout.setPreedit(at, QStringLiteral("にほん"), {});
        QCOMPARE(laidOut(), quint64(1));
        QCOMPARE(layout.piece(20).layout->preeditAreaText(), QStringLiteral("にほん"));
        QCOMPARE(layout.piece(20).layout->preeditAreaPosition(), 2);
        layout.setPreedit(at + 1, QStringLiteral("にほん"), {});
        QCOMPARE(laidOut(), quint64(1)); // the same line
        layout.setPreedit(at, QString(), {});
        QCOMPARE(laidOut(), quint64(1));
        QCOMPARE(difference(layout, document), QString());
    }
};

QTEST_MAIN(TestPieceLayout)
#include "tst_piecelayout.moc"
