// Drag and drop of text in the text box: text dropped from elsewhere goes in at the drop point, a read-only
// box and dropped files are left alone, and the selection dragged with the mouse moves within the box.
#include "ShownEditor.h"
#include "textbox/TextDrag.h"
#include "textbox/TextEditor.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QTest>
#include <QUrl>

using rw::TextEditor;

namespace {

using Shown = rw::ShownEditor;

// Drops data on the box's viewport at point as another program would; whether the box took it.
bool dropOn(TextEditor &box, const QPoint &point, QMimeData &data, Qt::DropAction action = Qt::CopyAction) {
    QDragEnterEvent enter(point, action, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(point, action, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &move);
    QDropEvent drop(QPointF(point), action, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(box.viewport(), &drop);
    return drop.isAccepted();
}

} // namespace

class TestEditorDrag : public QObject {
    Q_OBJECT
private slots:
    void textFromOutsideGoesInAtTheDropPoint() {
        Shown s;
        s.box.setPlainText(QStringLiteral("hello world"));
        s.box.setSelection(0, 5);
        QMimeData data;
        data.setText(QStringLiteral("big "));
        QVERIFY(dropOn(s.box, s.pointAt(6), data));
        QCOMPARE(s.box.toPlainText(), QStringLiteral("hello big world"));
        QCOMPARE(s.box.cursorPosition(), 10);
        s.box.undo();
        QCOMPARE(s.box.toPlainText(), QStringLiteral("hello world"));
    }

    void refusedDrops_data() {
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<bool>("file");
        QTest::newRow("read-only box") << true << false;
        QTest::newRow("a file, left for the import") << false << true;
    }
    void refusedDrops() {
        QFETCH(bool, readOnly);
        QFETCH(bool, file);
        Shown s;
        s.box.setPlainText(QStringLiteral("hello world"));
        s.box.setReadOnly(readOnly);
        QMimeData data;
        data.setText(QStringLiteral("/tmp/sample.txt"));
        if (file)
            data.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/sample.txt"))});
        QVERIFY(!dropOn(s.box, s.pointAt(6), data));
        QCOMPARE(s.box.toPlainText(), QStringLiteral("hello world"));
    }

    void clickOnSelectionPutsTheCaret() {
        Shown s;
        s.box.setPlainText(QStringLiteral("alpha beta gamma"));
        s.box.setSelection(6, 10);
        QTest::mousePress(s.box.viewport(), Qt::LeftButton, {}, s.pointAt(8));
        QVERIFY(s.box.hasSelection()); // may still become a drag
        QTest::mouseRelease(s.box.viewport(), Qt::LeftButton, {}, s.pointAt(8));
        QVERIFY(!s.box.hasSelection());
        QCOMPARE(s.box.cursorPosition(), 8);
    }

    // The drag itself belongs to the platform, and offscreen drops nothing: the test plays the platform,
    // carrying the dragged data to where the mouse comes up (on the box, or out to another program).
    void draggingTheSelection_data() {
        QTest::addColumn<int>("dropAt"); // -1: out of the box
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<QString>("expected");
        // Whether one undo brings back the selection dragged, too (a move within the box is one step).
        QTest::addColumn<bool>("selectionBack");
        QTest::newRow("moved on") << 16 << false << QStringLiteral("beta gammaalpha ") << true;
        QTest::newRow("moved into the middle") << 11 << false << QStringLiteral("beta alpha gamma") << true;
        QTest::newRow("copied with Ctrl") << 16 << true << QStringLiteral("alpha beta gammaalpha ") << false;
        QTest::newRow("moved back") << 0 << false << QStringLiteral("alpha beta gamma") << true;
        QTest::newRow("onto itself") << 3 << false << QStringLiteral("alpha beta gamma") << true;
        QTest::newRow("out to another program") << -1 << false << QStringLiteral("beta gamma") << false;
    }
    void draggingTheSelection() {
        QFETCH(int, dropAt);
        QFETCH(bool, ctrl);
        QFETCH(QString, expected);
        QFETCH(bool, selectionBack);
        Shown s;
        s.box.setPlainText(QStringLiteral("alpha beta gamma"));
        s.box.setSelection(6, 0); // "alpha "
        auto *drag = s.box.findChild<rw::TextDrag *>();
        QVERIFY(drag);
        QString carried;
        drag->setRunner([&](QDrag *d, Qt::DropActions, Qt::DropAction preferred) {
            carried = d->mimeData()->text();
            if (dropAt < 0)
                return preferred; // another program took it
            const QPoint at = s.pointAt(dropAt);
            const Qt::KeyboardModifiers mods = ctrl ? Qt::ControlModifier : Qt::NoModifier;
            QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, d->mimeData(), Qt::LeftButton, mods);
            QApplication::sendEvent(s.box.viewport(), &enter);
            if (!enter.isAccepted())
                return Qt::IgnoreAction;
            QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, d->mimeData(), Qt::LeftButton, mods);
            QApplication::sendEvent(s.box.viewport(), &drop);
            return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
        });
        const QPoint from = s.pointAt(2);
        QTest::mousePress(s.box.viewport(), Qt::LeftButton, {}, from);
        QVERIFY(s.box.hasSelection());
        QTest::mouseMove(s.box.viewport(), from + QPoint(QApplication::startDragDistance() + 2, 0));
        QCOMPARE(carried, QStringLiteral("alpha "));
        QCOMPARE(s.box.toPlainText(), expected);
        // The button came up inside the drag, which took that release: the box gets none.
        s.box.undo();
        QCOMPARE(s.box.toPlainText(), QStringLiteral("alpha beta gamma"));
        if (selectionBack) {
            QCOMPARE(s.box.selectionStart(), 0);
            QCOMPARE(s.box.selectionEnd(), 6);
        }
        s.box.redo();
        QCOMPARE(s.box.toPlainText(), expected);
    }

    // While text is dragged over the box, a caret shows where it would go, and goes when the drag does.
    void dropCaretFollowsTheDrag() {
        Shown s;
        s.box.setPlainText(QStringLiteral("hello  big  world"));
        s.box.clearFocus(); // no blinking caret to be taken for the drop caret
        QMimeData data;
        data.setText(QStringLiteral("big "));
        const QRgb text = s.box.palette().color(QPalette::Text).rgb();
        // Where position's caret would be, half way down its row, between two spaces.
        const auto barAt = [&](qsizetype position) {
            const QRect r = s.box.cursorRect(position);
            const QImage shot = s.box.viewport()->grab().toImage();
            return shot.pixel(r.x() - 1, r.center().y()) == text || shot.pixel(r.x(), r.center().y()) == text;
        };
        QVERIFY(!barAt(6));
        QDragEnterEvent enter(s.pointAt(6), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(s.box.viewport(), &enter);
        QVERIFY(barAt(6));
        QDragMoveEvent move(s.pointAt(12), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(s.box.viewport(), &move);
        QVERIFY(barAt(12));
        QVERIFY(!barAt(6));
        QDragLeaveEvent leave;
        QApplication::sendEvent(s.box.viewport(), &leave);
        QVERIFY(!barAt(12));
    }
};

QTEST_MAIN(TestEditorDrag)
#include "tst_editordrag.moc"
