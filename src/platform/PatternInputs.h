#pragma once

#include "core/regex/Pattern.h"

#include <QCheckBox>
#include <QPlainTextEdit>

namespace rw {

// The controls that say what to match: the expression box and the three option check boxes. Match and
// the live highlight read them alike.
struct PatternInputs {
    QPlainTextEdit *expression = nullptr; // 编辑框_表达式
    QCheckBox *checkCase = nullptr;       // 选择框_区分大小写
    QCheckBox *checkMultiline = nullptr;  // 选择框_多行模式
    QCheckBox *checkGlobal = nullptr;     // 选择框_全局匹配

    // The options as the check boxes show them now.
    RegexOptions options() const {
        RegexOptions o;
        o.ignoreCase = !checkCase->isChecked();
        o.multiline = checkMultiline->isChecked();
        o.global = checkGlobal->isChecked();
        return o;
    }
};

} // namespace rw
