#include "TextEditorAccessible.h"

#include "TextEditor.h"

#include <QAccessibleWidget>

#include <algorithm>

namespace rw {

namespace {

// A change bigger than this (a whole text loaded or replaced) is told as a changed value: spelling out
// hundreds of megabytes to a screen reader helps nobody.
constexpr qsizetype kToldChange = 1 << 20;
// How much text around an offset the boundary questions (word, sentence, line) look at, each way.
constexpr qsizetype kBoundaryReach = 8192;

// Qt's own answers to the boundary questions, over a window of the text: they read the text they are
// given whole, which a box of a hundred megabytes must not hand out.
class TextWindow : public QAccessibleTextInterface {
public:
    explicit TextWindow(QString text) : m_text(std::move(text)) {}
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override { return m_text.mid(start, end - start); }
    int characterCount() const override { return int(m_text.size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int *, int *) const override { return {}; }

private:
    QString m_text;
};

class AccessibleTextEditor : public QAccessibleWidget,
                             public QAccessibleTextInterface,
                             public QAccessibleEditableTextInterface {
public:
    explicit AccessibleTextEditor(TextEditor *editor) : QAccessibleWidget(editor, QAccessible::EditableText) {}

    TextEditor *editor() const { return static_cast<TextEditor *>(widget()); }

    void *interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        if (type == QAccessible::EditableTextInterface)
            return static_cast<QAccessibleEditableTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !editor()->isReadOnly();
        s.readOnly = editor()->isReadOnly();
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return editor()->toPlainText();
        return QAccessibleWidget::text(t);
    }

    void setText(QAccessible::Text t, const QString &text) override {
        if (t != QAccessible::Value) {
            QAccessibleWidget::setText(t, text);
            return;
        }
        if (!editor()->isReadOnly())
            editor()->replaceRange(0, editor()->size(), text);
    }

    // ---- text ----

    void selection(int index, int *start, int *end) const override {
        *start = *end = 0;
        if (index == 0 && editor()->hasSelection()) {
            *start = int(editor()->selectionStart());
            *end = int(editor()->selectionEnd());
        }
    }
    int selectionCount() const override { return editor()->hasSelection() ? 1 : 0; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int index) override {
        if (index == 0)
            editor()->setCursorPosition(editor()->cursorPosition());
    }
    void setSelection(int index, int start, int end) override {
        if (index == 0)
            editor()->setSelection(clamp(start), clamp(end));
    }

    int cursorPosition() const override { return int(editor()->cursorPosition()); }
    void setCursorPosition(int position) override { editor()->setCursorPosition(clamp(position)); }

    QString text(int start, int end) const override {
        const qsizetype from = clamp(start), to = std::max(from, clamp(end));
        return editor()->store().mid(from, to - from);
    }
    int characterCount() const override { return int(std::min<qsizetype>(editor()->size(), INT_MAX)); }

    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType type, int *start,
                             int *end) const override {
        return inWindow(offset, start, end, [&](const TextWindow &w, int at, int *s, int *e) {
            return w.textBeforeOffset(at, type, s, e);
        });
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType type, int *start,
                            int *end) const override {
        return inWindow(offset, start, end, [&](const TextWindow &w, int at, int *s, int *e) {
            return w.textAfterOffset(at, type, s, e);
        });
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType type, int *start, int *end) const override {
        if (type == QAccessible::NoBoundary) {
            *start = 0;
            *end = characterCount();
            return text(0, *end);
        }
        return inWindow(offset, start, end, [&](const TextWindow &w, int at, int *s, int *e) {
            return w.textAtOffset(at, type, s, e);
        });
    }

    QRect characterRect(int offset) const override {
        TextEditor *box = editor();
        const qsizetype at = clamp(offset);
        QRect rect = box->cursorRect(at);
        if (rect.isNull())
            return {};
        const QRect next = at < box->size() ? box->cursorRect(at + 1) : QRect();
        // The character spans to the next caret on its row; the last on a row gets a nominal width.
        if (!next.isNull() && next.top() == rect.top() && next.left() != rect.left()) {
            rect.setLeft(std::min(rect.left(), next.left()));
            rect.setRight(std::max(rect.left(), next.left()) - 1);
        } else {
            rect.setWidth(box->fontMetrics().averageCharWidth());
        }
        return QRect(box->viewport()->mapToGlobal(rect.topLeft()), rect.size());
    }

    int offsetAtPoint(const QPoint &point) const override {
        TextEditor *box = editor();
        const QPoint local = box->viewport()->mapFromGlobal(point);
        if (!box->viewport()->rect().contains(local))
            return -1;
        return int(box->positionAt(local));
    }

    void scrollToSubstring(int start, int end) override {
        TextEditor *box = editor();
        const auto [first, last] = box->visibleRange();
        if (clamp(start) < first || clamp(end) > last)
            box->scrollToTop(clamp(start));
    }

    QString attributes(int offset, int *start, int *end) const override {
        // One run of plain text: no attributes anywhere.
        Q_UNUSED(offset);
        *start = 0;
        *end = characterCount();
        return {};
    }

    // ---- editable text ----

    void deleteText(int start, int end) override { replaceText(start, end, QString()); }
    void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
    void replaceText(int start, int end, const QString &text) override {
        if (editor()->isReadOnly())
            return;
        const qsizetype from = clamp(start), to = std::max(from, clamp(end));
        editor()->replaceRange(from, to - from, text);
    }

private:
    qsizetype clamp(int offset) const { return std::clamp<qsizetype>(offset, 0, editor()->size()); }

    // Asks a boundary question of the lines around offset, and gives the answer in the box's offsets.
    template <typename Ask>
    QString inWindow(int offset, int *start, int *end, Ask ask) const {
        const TextStore &store = editor()->store();
        const qsizetype at = clamp(offset);
        const qsizetype line = store.lineAt(at);
        const qsizetype before = line > 0 ? line - 1 : line;
        const qsizetype after = std::min(store.lineCount() - 1, line + 1);
        const qsizetype from = std::max(at - kBoundaryReach, store.lineStart(before));
        const qsizetype to = std::min(
            {at + kBoundaryReach, store.lineStart(after) + store.lineLength(after) + 1, store.size()});
        const TextWindow window(store.mid(from, to - from));
        int s = -1, e = -1;
        const QString answer = ask(window, int(at - from), &s, &e);
        *start = s < 0 ? s : int(from + s);
        *end = e < 0 ? e : int(from + e);
        return answer;
    }
};

AccessibleEventSink g_sink = nullptr;

bool listening() {
    return g_sink || QAccessible::isActive();
}

void tell(QAccessibleEvent *event) {
    if (g_sink)
        g_sink(event);
    else
        QAccessible::updateAccessibility(event);
}

QAccessibleInterface *accessibleFactory(const QString &key, QObject *object) {
    if (key == QLatin1String(TextEditor::staticMetaObject.className()) && object && object->isWidgetType())
        return new AccessibleTextEditor(static_cast<TextEditor *>(object));
    return nullptr;
}

} // namespace

void setAccessibleEventSink(AccessibleEventSink sink) {
    g_sink = sink;
}

void serveAccessibility(TextEditor *editor) {
    static const bool installed = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);

    // Told as QPlainTextEdit tells them: the removed text is gone by now, so only its length is told.
    QObject::connect(editor, &TextEditor::contentsChange, editor,
                     [editor](qsizetype position, qsizetype removed, qsizetype added) {
                         if (!listening())
                             return;
                         if (removed + added > kToldChange) {
                             QAccessibleValueChangeEvent event(editor, QVariant());
                             tell(&event);
                             return;
                         }
                         const int at = int(position);
                         const QString inserted = editor->store().mid(position, added);
                         const QString gone(removed, QLatin1Char(' '));
                         if (removed == 0) {
                             QAccessibleTextInsertEvent event(editor, at, inserted);
                             tell(&event);
                         } else if (added == 0) {
                             QAccessibleTextRemoveEvent event(editor, at, gone);
                             tell(&event);
                         } else {
                             QAccessibleTextUpdateEvent event(editor, at, gone, inserted);
                             tell(&event);
                         }
                     });
    QObject::connect(editor, &TextEditor::cursorPositionChanged, editor, [editor] {
        if (!listening())
            return;
        QAccessibleTextCursorEvent event(editor, int(editor->cursorPosition()));
        tell(&event);
    });
    QObject::connect(editor, &TextEditor::selectionChanged, editor, [editor] {
        if (!listening())
            return;
        QAccessibleTextSelectionEvent event(editor, int(editor->selectionStart()), int(editor->selectionEnd()));
        event.setCursorPosition(int(editor->cursorPosition()));
        tell(&event);
    });
    QObject::connect(editor, &TextEditor::readOnlyChanged, editor, [editor] {
        if (!listening())
            return;
        QAccessible::State changed;
        changed.readOnly = true;
        changed.editable = true;
        QAccessibleStateChangeEvent event(editor, changed);
        tell(&event);
    });
}

} // namespace rw
