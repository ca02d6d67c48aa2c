#include "TestWindow.h"

#include "live/LiveController.h"
#include "live/LiveMarks.h"
#include "pattern/GroupColours.h"
#include "pattern/PatternOwner.h"
#include "results/ResultsView.h"
#include "textbox/TextEditor.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolTip>

#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>

using namespace Qt::StringLiterals;
using namespace rw;

// The explanation page follows the pattern box after the live pause, shows faults, and selecting a part
// selects it in the pattern box.
class TestExplanation final : public QObject {
    Q_OBJECT

private slots:
    void followsThePatternAndSelectsParts();
    void showsTheFault();
    void matchAndReplaceStillBringTheirPages();
    void hoverExplainsTheToken();
    void groupsKeepTheirColours();
    void eachChangeIsParsedOnce();
};

namespace {

// The tree's texts, one line per item, indented two spaces per level.
QStringList texts(const QAbstractItemModel *model, const QModelIndex &parent = {}, int depth = 0) {
    QStringList lines;
    for (int r = 0; r < model->rowCount(parent); ++r) {
        const QModelIndex index = model->index(r, 0, parent);
        lines << QString(depth * 2, u' ') + index.data().toString();
        lines << texts(model, index, depth + 1);
    }
    return lines;
}

void type(QPlainTextEdit *box, const QString &text) {
    box->setFocus();
    QTest::keyClicks(box, text);
}

} // namespace

void TestExplanation::followsThePatternAndSelectsParts() {
    TestWindow t;
    auto *box = t.find<QPlainTextEdit>(u"编辑框_表达式"_s);
    auto *tree = t.find<QTreeView>(u"树_表达式解释"_s);
    box->clear();
    type(box, uR"(x(\d{4}))"_s);
    // Not while keys come in quick succession; after the pause.
    // The backtracking cost comes first, then the parts.
    const QStringList explained{u"回溯复杂度: 线性"_s, u"字符 x"_s, uR"(捕获分组 1: (\d{4}))"_s,
                                u"  数字 0-9, 重复 4 次"_s};
    QVERIFY(texts(tree->model()) != explained);
    QTRY_COMPARE(texts(tree->model()), explained);

    // Clicking the part inside the group selects its text in the pattern box.
    t.find<QTabWidget>(u"高级选择夹2"_s)->setCurrentWidget(tree->parentWidget());
    const QModelIndex inner = tree->model()->index(0, 0, tree->model()->index(2, 0));
    tree->scrollTo(inner);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(inner).center());
    QCOMPARE(box->textCursor().selectedText(), uR"(\d{4})"_s);

    // A line break counts as "\r\n" in the pattern but as one position in the box.
    box->clear();
    box->setPlainText(u"a\nb(c)"_s);
    // The break is two parts of the pattern ("\r" and "\n"); the group comes last.
    const auto last = [tree] { return tree->model()->index(tree->model()->rowCount() - 1, 0); };
    QTRY_COMPARE(last().data().toString(), u"捕获分组 1: (c)"_s);
    const QModelIndex group = last();
    tree->setCurrentIndex(group);
    QCOMPARE(box->textCursor().selectedText(), u"(c)"_s);
}

void TestExplanation::showsTheFault() {
    TestWindow t;
    auto *box = t.find<QPlainTextEdit>(u"编辑框_表达式"_s);
    auto *tree = t.find<QTreeView>(u"树_表达式解释"_s);
    box->setPlainText(uR"(ab[c-\d])"_s);
    QTRY_COMPARE(texts(tree->model()),
                 QStringList{uR"(正则创建失败: 字符范围的终点不能是字符类 c-\d (第 4 个字符))"_s});
    tree->setCurrentIndex(tree->model()->index(0, 0));
    QCOMPARE(box->textCursor().selectedText(), u"c"_s);
}

void TestExplanation::matchAndReplaceStillBringTheirPages() {
    TestWindow t;
    auto *tabs2 = t.find<QTabWidget>(u"高级选择夹2"_s);
    t.setInputs(u"a"_s, u"abc"_s);
    tabs2->setCurrentIndex(3);
    QVERIFY(t.clickAndWait(u"按钮_匹配"_s, u"匹配"_s));
    QCOMPARE(tabs2->currentIndex(), 0);
    tabs2->setCurrentIndex(3);
    QVERIFY(t.clickAndWait(u"按钮_替换"_s, u"替换"_s));
    QTRY_COMPARE(tabs2->currentIndex(), 2);
}

void TestExplanation::hoverExplainsTheToken() {
    TestWindow t;
    auto *box = t.find<QPlainTextEdit>(u"编辑框_表达式"_s);
    box->setPlainText(uR"(x(a)(\d+?)\b.)"_s);
    t.find<QTabWidget>(u"高级选择夹1"_s)->setCurrentIndex(0);
    const struct {
        int position;
        const char *tip;
    } cases[] = {
        {4, "第 2 个捕获分组"},
        {6, "数字 0-9 (仅 ASCII)"},
        {8, "重复 1 次或更多次, 尽量少"},
        {11, "单词边界 (按 ASCII 字母、数字和 _)"},
        {12, "除换行符 \\n 以外的任意字符 (包括 \\r)"},
    };
    for (const auto &c : cases) {
        QTextCursor cursor(box->document());
        cursor.setPosition(c.position);
        // The middle of the character after the position.
        const QPoint at = box->cursorRect(cursor).center() + QPoint(box->fontMetrics().averageCharWidth() / 2, 0);
        QHelpEvent help(QEvent::ToolTip, at, box->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(box->viewport(), &help);
        QCOMPARE(QToolTip::text(), QString::fromUtf8(c.tip));
        QToolTip::hideText();
    }
}

void TestExplanation::groupsKeepTheirColours() {
    TestWindow t;
    auto *box = t.find<QPlainTextEdit>(u"编辑框_表达式"_s);
    t.setInputs(u"(a)(b)"_s, u"xab"_s);
    // In the pattern box: each capturing group's brackets in its colour, bold.
    const auto formatAt = [&](int position) {
        const QTextBlock block = box->document()->findBlock(position);
        for (const QTextLayout::FormatRange &r : block.layout()->formats()) {
            if (position - block.position() >= r.start && position - block.position() < r.start + r.length)
                return r.format;
        }
        return QTextCharFormat();
    };
    QTRY_COMPARE(formatAt(0).foreground().color(), groupColour(1));
    QCOMPARE(formatAt(2).foreground().color(), groupColour(1));
    QCOMPARE(formatAt(3).foreground().color(), groupColour(2));
    QCOMPARE(formatAt(0).fontWeight(), int(QFont::Bold));
    QVERIFY(groupColour(1) != groupColour(2));

    // The caret next to a bracket picks out its partner.
    QTextCursor caret(box->document());
    caret.setPosition(3);
    box->setTextCursor(caret);
    QCOMPARE(formatAt(5).background().color(), formatAt(3).background().color());
    QVERIFY(formatAt(5).background().style() != Qt::NoBrush);
    QCOMPARE(formatAt(0).background().style(), Qt::NoBrush);

    // In the live marks: each group's part of the match carries a line in the group's colour.
    auto *source = t.find<TextEditor>(u"编辑框_源文本"_s);
    t.find<QTabWidget>(u"高级选择夹2"_s)->setCurrentWidget(source->parentWidget());
    QTRY_VERIFY(!t.window().liveController()->marks().visibleMarks().isEmpty());
    const QImage shot = source->viewport()->grab().toImage();
    for (int g = 1; g <= 2; ++g) {
        QRectF row;
        source->visitRows(g, g + 1, [&](qsizetype, qsizetype, const QRectF &rect) {
            row = rect;
            return false;
        });
        QVERIFY(!row.isEmpty());
        // Nested groups' lines stack upwards by two pixels a level; these two are side by side.
        const QPoint line(int(row.center().x()), int(row.bottom() - 1 - 2 * (g - 1)));
        QCOMPARE(shot.pixelColor(line * shot.devicePixelRatio()), groupColour(g));
    }

    // In the results list: the group columns' headers.
    QVERIFY(t.clickAndWait(u"按钮_匹配"_s, u"匹配"_s));
    QAbstractItemModel *results = t.find<ResultsView>(u"超级列表框_结果"_s)->model();
    for (int g = 1; g <= 2; ++g) {
        QCOMPARE(results->headerData(1 + g, Qt::Horizontal, Qt::ForegroundRole).value<QBrush>().color(),
                 groupColour(g));
        QCOMPARE(results->headerData(1 + g, Qt::Horizontal, Qt::DecorationRole).value<QColor>(), groupColour(g));
    }
    QVERIFY(!results->headerData(1, Qt::Horizontal, Qt::ForegroundRole).isValid());
}

// Every reader (colours, tooltips, explanation, cost, live highlight, Match, Replace) shares the owner's
// one parse: a keystroke parses the pattern once, an option or a command parses nothing.
void TestExplanation::eachChangeIsParsedOnce() {
    TestWindow t;
    auto *box = t.find<QPlainTextEdit>(u"编辑框_表达式"_s);
    auto *tree = t.find<QTreeView>(u"树_表达式解释"_s);
    t.find<QCheckBox>(u"选择框_实时"_s)->setChecked(true);
    t.setInputs(QString(), u"ab1\nab22\n"_s.repeated(50));
    QSignalSpy published(t.window().patternOwner(), &PatternOwner::valuePublished);
    const auto readersDone = [&] {
        t.settle();
        return !t.window().liveController()->runState().isRunning() && tree->model()->rowCount() > 0;
    };

    const quint64 before = SyntaxTree::parseCount();
    const QString typed = uR"((a)b\d+)"_s;
    type(box, typed);
    // The first line is the cost's verdict, which comes last.
    QTRY_VERIFY(tree->model()->index(0, 0).data().toString().startsWith(u"回溯复杂度"_s));
    QTRY_VERIFY(readersDone());
    QCOMPARE(published.size(), 1);
    QCOMPARE(SyntaxTree::parseCount() - before, quint64(typed.size()));

    // The tooltips, the options and the commands take the tree as it is.
    const quint64 typedParses = SyntaxTree::parseCount();
    QTest::mouseMove(box->viewport(), box->cursorRect(QTextCursor(box->document())).center());
    t.find<QCheckBox>(u"选择框_多行模式"_s)->toggle();
    QTRY_COMPARE(published.size(), 2);
    QVERIFY(t.clickAndWait(u"按钮_匹配"_s, u"匹配"_s));
    t.dialogs.texts.push_back(u"x"_s);
    QVERIFY(t.clickAndWait(u"按钮_替换"_s, u"替换"_s));
    QTRY_VERIFY(readersDone());
    QCOMPARE(SyntaxTree::parseCount(), typedParses);
}

QTEST_MAIN(TestExplanation)
#include "tst_explanation.moc"
