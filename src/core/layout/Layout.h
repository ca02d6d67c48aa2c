#pragma once

#include <QRect>
#include <QSize>

namespace rw {

// Geometry of every control that follows the window's size, in design coordinates: relative to the
// control's container (a group box, or a tab control for the controls on its pages). Sizes may come
// out negative for a tiny client area; whoever applies them shows those as 0.
struct WindowLayout {
    QRect group1;         // 分组框1, in the client area
    QRect group2;         // 分组框2, in the client area
    QRect tabs1;          // 高级选择夹1, in 分组框1
    QRect tabs2;          // 高级选择夹2, in 分组框2
    QRect expression;     // 编辑框_表达式
    QRect rulesList;      // 超级列表框_表达式
    QRect notes;          // 编辑框_记录
    QRect resultsList;    // 超级列表框_结果
    QRect replaceResult;  // 编辑框_替换结果
    QRect sourceText;     // 编辑框_源文本
    QRect matchButton;    // 按钮_匹配
    QRect replaceButton;  // 按钮_替换
    QRect importButton;   // 按钮_本地导入
    QRect checkGlobal;    // 选择框_全局匹配
    QRect checkCase;      // 选择框_区分大小写
    QRect checkMultiline; // 选择框_多行模式
    QRect checkLive;      // 选择框_实时
    QRect checkPerLine;   // 选择框_逐行匹配
    QRect keyword;        // 编辑框_关键字
    QRect searchButton;   // 按钮_搜索关键字
};

// The design geometry of the window (before any resize).
WindowLayout designLayout();

// The layout for a client area of w × h pixels: a fixed sequence of assignments over the design values,
// each computed in double precision and truncated toward zero.
WindowLayout computeLayout(int w, int h);

// The smallest client area at which computeLayout keeps every control of a page apart (the option row
// left of the buttons, the keyword box and its button left of the import button) and the text boxes
// still show a few lines.
QSize minimumClientSize();

// Where a window whose frame is outer opens in a screen's available area: centred when it fits; else
// shrunk to the area (never below minimum) and kept inside it from the area's top-left corner.
QRect fitToArea(QSize outer, QSize minimum, const QRect &available);

} // namespace rw
