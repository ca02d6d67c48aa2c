#pragma once

class QCheckBox;
class QPlainTextEdit;

namespace rw {

// The controls that say what to match: the expression box, the three option check boxes and whether each
// line is matched alone. Only the pattern's owner reads them.
struct PatternInputs {
    QPlainTextEdit *expression = nullptr; // 编辑框_表达式
    QCheckBox *checkCase = nullptr;       // 选择框_区分大小写
    QCheckBox *checkMultiline = nullptr;  // 选择框_多行模式
    QCheckBox *checkGlobal = nullptr;     // 选择框_全局匹配
    QCheckBox *checkPerLine = nullptr;    // 选择框_逐行匹配; without it, the text is one subject
};

} // namespace rw
