// The content of a text box: a step joined to the one before (a drag moving text) goes back and comes
// again whole, with the caret and selection it started from, and the marks follow every change both ways.
#include "core/textbox/TextDocument.h"

#include <QTest>

using rw::Caret;
using rw::MarkList;
using rw::TextDocument;
using rw::TextPiece;
using rw::TextStore;

class TestTextDocument : public QObject {
    Q_OBJECT
private slots:
    void aMoveIsOneStep_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("from");
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<qsizetype>("to"); // in the text before the move
        QTest::addColumn<QString>("moved");
        QTest::newRow("on") << "alpha beta gamma" << qsizetype(0) << qsizetype(6) << qsizetype(16)
                            << "beta gammaalpha ";
        QTest::newRow("back") << "alpha beta gamma" << qsizetype(11) << qsizetype(5) << qsizetype(0)
                              << "gammaalpha beta ";
        QTest::newRow("over a line break")
            << "one\ntwo\nthree" << qsizetype(3) << qsizetype(4) << qsizetype(13) << "one\nthree\ntwo";
    }
    void aMoveIsOneStep() {
        QFETCH(QString, text);
        QFETCH(qsizetype, from);
        QFETCH(qsizetype, length);
        QFETCH(qsizetype, to);
        QFETCH(QString, moved);
        TextDocument document;
        document.reset(TextStore(text));
        document.replace(0, 0, TextPiece(QStringLiteral(">")), Caret{}); // a step before, left alone
        ++from;
        ++to;
        const Caret selection{from, from + length}; // dragged from its end
        const TextPiece piece = document.store().piece(from, length);
        document.replace(from, length, {}, selection);
        const qsizetype at = to > from ? to - length : to;
        document.replace(at, 0, piece, selection, TextDocument::EditKind::Block, true);
        QCOMPARE(document.store().toPlain(), ">" + moved);

        TextDocument::Travel back = document.undo();
        QCOMPARE(document.store().toPlain(), ">" + text);
        QCOMPARE(back.changes.size(), size_t(2));
        QCOMPARE(back.caret, selection);
        TextDocument::Travel again = document.redo();
        QCOMPARE(document.store().toPlain(), ">" + moved);
        QCOMPARE(again.caret, (Caret{at + length, at + length}));
        // Typing right after the moved text is a step of its own.
        document.replace(at + length, 0, TextPiece(QStringLiteral("!")), again.caret,
                         TextDocument::EditKind::Typing);
        document.undo();
        QCOMPARE(document.store().toPlain(), ">" + moved);
        document.undo();
        QCOMPARE(document.store().toPlain(), ">" + text);
        document.undo();
        QCOMPARE(document.store().toPlain(), text);
        QVERIFY(!document.canUndo());
    }

    void marksFollowEveryChange() {
        TextDocument document;
        document.reset(TextStore(QStringLiteral("one two three")));
        document.marks(1).assign({4}, 3, MarkList::Kind::Found); // "two"
        const auto markStart = [&] { return document.layer(1).all().front().start; };
        document.replace(0, 0, TextPiece(QStringLiteral("zero ")), Caret{});
        QCOMPARE(markStart(), 9);
        document.undo();
        QCOMPARE(markStart(), 4);
        document.redo();
        QCOMPARE(markStart(), 9);
        const quint64 revision = document.revision();
        document.reset(TextStore(QStringLiteral("other")));
        QVERIFY(document.layer(1).isEmpty());
        QVERIFY(!document.canUndo() && !document.canRedo());
        QVERIFY(document.revision() > revision);
    }
};

QTEST_GUILESS_MAIN(TestTextDocument)
#include "tst_textdocument.moc"
