#pragma once

#include "core/convert/ConvertTarget.h"
#include "core/regex/PatternValue.h"

#include <QObject>

#include <functional>

class QComboBox;
class QDialog;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace rw {

class PatternOwner;
class TextEditor;

// What the code page reads and where it is opened from.
struct CodeWidgets {
    PatternOwner *pattern;
    QPushButton *button;  // 按钮_生成代码
    TextEditor *source;   // 编辑框_源文本: a short source text becomes the snippets' subject
    QWidget *window;      // the dialog's parent
};

// 生成代码: the pattern in the expression box taken to another language. A dialog with the target
// (组合框_目标语言), a snippet that does what 匹配 does and one that does what 替换 does with the current
// replacement text (编辑框_代码, 编辑框_替换代码), and, in Chinese, what the target cannot follow; each
// such construct is marked in the pattern box while the dialog is open. It follows the pattern as the
// user types (after the pause), as any reader of the pattern does.
class CodeController final : public QObject {
    Q_OBJECT
public:
    CodeController(const CodeWidgets &widgets, std::function<QString()> replacement, QObject *parent = nullptr);
    ~CodeController() override;

    // Opens the dialog (or brings it to the front) for the pattern as it is now.
    void open();
    QDialog *dialog() const { return m_dialog; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void convert();
    void clearMarks();
    ConvertTarget target() const;

    CodeWidgets m_w;
    std::function<QString()> m_replacement;
    QDialog *m_dialog = nullptr;
    QComboBox *m_target = nullptr;
    QTabWidget *m_pages = nullptr;
    QPlainTextEdit *m_matchCode = nullptr;
    QPlainTextEdit *m_replaceCode = nullptr;
    QListWidget *m_warnings = nullptr;
    PatternSnapshot m_shown;
};

} // namespace rw
