#include "Layout.h"

#include <algorithm>

namespace rw {

namespace {
// Close to 530 / 208, but the divisor the window has always used is this constant, not the quotient.
constexpr double kUpperShareDivisor = 2.5480769;

int truncated(double v) {
    return static_cast<int>(v);
}

// Room left between neighbours, so a focus frame or a wider face never makes them touch.
constexpr int kMinimumGap = 8;
// The client height designLayout is drawn for; the width checks do not depend on it.
constexpr int kDesignClientHeight = 459;
// About three lines of the 12-pixel face: less and a box no longer reads as a text box.
constexpr int kMinimumBoxHeight = 48;

bool widthFits(const WindowLayout &l) {
    return l.replaceButton.left() >= l.checkLive.left() + l.checkLive.width() + kMinimumGap &&
           l.matchButton.left() >= l.replaceButton.left() + l.replaceButton.width() + kMinimumGap &&
           l.importButton.left() >= l.searchButton.left() + l.searchButton.width() + kMinimumGap;
}

bool heightFits(const WindowLayout &l) {
    return l.expression.height() >= kMinimumBoxHeight && l.sourceText.height() >= kMinimumBoxHeight &&
           l.resultsList.height() >= kMinimumBoxHeight && l.rulesList.height() >= kMinimumBoxHeight;
}
} // namespace

WindowLayout designLayout() {
    WindowLayout l;
    l.group1 = QRect(0, 5, 716, 208);
    l.group2 = QRect(0, 213, 716, 264);
    l.tabs1 = QRect(8, 21, 699, 184);
    l.tabs2 = QRect(8, 21, 699, 240);
    l.expression = QRect(0, 24, 699, 120);
    l.rulesList = QRect(0, 23, 699, 160);
    l.notes = QRect(0, 23, 699, 160);
    l.resultsList = QRect(8, 29, 684, 209);
    l.replaceResult = QRect(8, 29, 684, 209);
    l.sourceText = QRect(8, 56, 684, 176);
    l.matchButton = QRect(576, 153, 112, 27);
    l.replaceButton = QRect(448, 153, 112, 27);
    l.importButton = QRect(493, 27, 88, 24);
    l.checkGlobal = QRect(8, 152, 72, 24);
    l.checkCase = QRect(88, 152, 88, 24);
    l.checkMultiline = QRect(184, 152, 72, 24);
    l.checkLive = QRect(264, 152, 88, 24);
    l.checkPerLine = QRect(360, 152, 72, 24);
    l.keyword = QRect(91, 28, 176, 24);
    l.searchButton = QRect(392, 27, 88, 24);
    return l;
}

WindowLayout computeLayout(int w, int h) {
    WindowLayout l = designLayout();
    l.group1.setHeight(truncated(h / kUpperShareDivisor));
    l.group2.moveTop(l.group1.height() + 5);
    l.group1.setWidth(w - 3);
    l.group2.setWidth(w - 3);
    l.group2.setHeight(h - l.group1.height() - 26);
    l.tabs1.setWidth(w - 18);
    l.tabs2.setWidth(w - 18);
    l.expression.setWidth(w - 18);
    l.rulesList.setWidth(w - 18);
    l.resultsList.setWidth(w - 33);
    l.replaceResult.setWidth(w - 33);
    l.sourceText.setWidth(w - 33);
    l.notes.setWidth(w - 18);
    l.rulesList.setHeight(l.group1.height() - 43);
    l.notes.setHeight(l.group1.height() - 43);
    l.tabs1.setHeight(l.group1.height() - 23);
    l.tabs2.setHeight(l.group2.height() - 23);
    l.resultsList.setHeight(l.tabs2.height() - 29);
    l.replaceResult.setHeight(l.tabs2.height() - 29);
    l.sourceText.setHeight(l.tabs2.height() - 56);
    l.expression.setHeight(l.tabs1.height() - 64);
    const int belowExpression = l.expression.top() + l.expression.height();
    l.matchButton.moveLeft(w - l.matchButton.width() - 28);
    l.matchButton.moveTop(belowExpression + 2);
    l.replaceButton.moveLeft(w - l.replaceButton.width() - 36 - l.replaceButton.width());
    l.replaceButton.moveTop(belowExpression + 2);
    l.importButton.moveLeft(w - 129);
    l.checkMultiline.moveTop(belowExpression);
    l.checkGlobal.moveTop(belowExpression);
    l.checkCase.moveTop(belowExpression);
    l.checkLive.moveTop(belowExpression);
    // The line-by-line box came after the rest: it gives way to the replace button, so the smallest window
    // is no wider than before (its caption is cut only in the last few pixels above that width).
    l.checkPerLine.moveTop(belowExpression);
    l.checkPerLine.setWidth(
        std::min(l.checkPerLine.width(), l.replaceButton.left() - kMinimumGap - l.checkPerLine.left()));
    l.keyword.setWidth(truncated(w / 3.0 + 90));
    l.searchButton.moveLeft(l.keyword.left() + l.keyword.width() + 49);
    return l;
}

QSize minimumClientSize() {
    // The layout only grows with the client area, so the first size that fits is the smallest; a scan
    // keeps this exact under the truncations without restating the arithmetic.
    int w = 1;
    while (!widthFits(computeLayout(w, kDesignClientHeight)))
        ++w;
    int h = 1;
    while (!heightFits(computeLayout(w, h)))
        ++h;
    return QSize(w, h);
}

QRect fitToArea(QSize outer, QSize minimum, const QRect &available) {
    const QSize size = outer.boundedTo(available.size()).expandedTo(minimum);
    QRect r(QPoint(), size);
    r.moveCenter(available.center());
    // A window larger than the area shows its top-left corner (the title bar) rather than its centre.
    r.moveLeft(qMax(r.left(), available.left()));
    r.moveTop(qMax(r.top(), available.top()));
    return r;
}

} // namespace rw
