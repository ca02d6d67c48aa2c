#include "ExpectationEditor.h"

#include "TestsModel.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace rw {

namespace {

constexpr Expectation kKinds[] = {Expectation::Match,   Expectation::NoMatch, Expectation::Whole,
                                  Expectation::Matches, Expectation::Group,   Expectation::Replace};

} // namespace

ExpectationEditor::ExpectationEditor(QWidget *parent)
    : QFrame(parent), m_kind(new QComboBox(this)), m_groupLabel(new QLabel(QStringLiteral("组"), this)),
      m_group(new QSpinBox(this)), m_replacementLabel(new QLabel(QStringLiteral("替换为"), this)),
      m_replacement(new QLineEdit(this)), m_value(new QPlainTextEdit(this)) {
    setAutoFillBackground(true);
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
    m_kind->setObjectName(QStringLiteral("组合框_期望"));
    for (Expectation kind : kKinds)
        m_kind->addItem(kind == Expectation::Group ? QStringLiteral("第 n 组为") : expectationName(kind),
                        int(kind));
    m_group->setRange(0, 65535);
    m_replacement->setObjectName(QStringLiteral("编辑框_替换为"));
    m_value->setObjectName(QStringLiteral("编辑框_期望值"));
    m_value->setTabChangesFocus(true);
    m_value->setFixedHeight(m_value->fontMetrics().lineSpacing() * 3 + 10);
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->setSpacing(4);
    layout->addWidget(m_kind, 0, 0);
    layout->addWidget(m_groupLabel, 0, 1);
    layout->addWidget(m_group, 0, 2);
    layout->addWidget(m_replacementLabel, 0, 3);
    layout->addWidget(m_replacement, 0, 4);
    layout->addWidget(m_value, 1, 0, 1, 5);
    layout->setColumnStretch(4, 1);
    setFocusProxy(m_kind);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &ExpectationEditor::showFields);
    for (QWidget *field : {static_cast<QWidget *>(m_kind), static_cast<QWidget *>(m_group),
                           static_cast<QWidget *>(m_replacement), static_cast<QWidget *>(m_value)})
        field->installEventFilter(this);
    showFields();
}

void ExpectationEditor::setTest(const PatternTest &test) {
    m_test = test;
    m_hasTest = true;
    m_kind->setCurrentIndex(m_kind->findData(int(test.expect)));
    m_group->setValue(test.group);
    m_replacement->setText(test.replacement);
    m_value->setPlainText(test.expect == Expectation::Matches ? test.values.join(u'\n') : test.value);
    showFields();
}

PatternTest ExpectationEditor::test() const {
    PatternTest test = m_test;
    test.expect = Expectation(m_kind->currentData().toInt());
    test.values.clear();
    test.value.clear();
    test.replacement.clear();
    test.group = 1;
    const QString value = m_value->toPlainText();
    switch (test.expect) {
    case Expectation::Matches:
        if (!value.isEmpty())
            test.values = value.split(u'\n');
        break;
    case Expectation::Group:
        test.group = m_group->value();
        test.value = value;
        break;
    case Expectation::Replace:
        test.replacement = m_replacement->text();
        test.value = value;
        break;
    default:
        break;
    }
    return test;
}

void ExpectationEditor::showFields() {
    const auto kind = Expectation(m_kind->currentData().toInt());
    m_groupLabel->setVisible(kind == Expectation::Group);
    m_group->setVisible(kind == Expectation::Group);
    m_replacementLabel->setVisible(kind == Expectation::Replace);
    m_replacement->setVisible(kind == Expectation::Replace);
    const bool valued = kind == Expectation::Matches || kind == Expectation::Group || kind == Expectation::Replace;
    // Kept in place when the kind needs no text, so the editor keeps its size.
    m_value->setEnabled(valued);
    m_value->setPlaceholderText(!valued                        ? QString()
                                : kind == Expectation::Matches ? QStringLiteral("每行一个匹配文本")
                                : kind == Expectation::Group   ? QStringLiteral("该组的文本")
                                                               : QStringLiteral("替换后的文本"));
}

bool ExpectationEditor::eventFilter(QObject *watched, QEvent *event) {
    // The focus is on one of the fields, so the view never sees the editor lose it: the edit ends here
    // when the focus goes anywhere outside the editor (its own pop-ups aside).
    if (event->type() == QEvent::FocusOut && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
        QTimer::singleShot(0, this, [this] {
            if (!isAncestorOf(QApplication::focusWidget()) && QApplication::focusWidget() != this)
                finish();
        });
    }
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const bool inText = watched == m_value;
        if (enter && (!inText || key->modifiers() & Qt::ControlModifier)) {
            // Not the window's shortcut (Ctrl+Enter starts Match): the key ends this edit.
            if (event->type() == QEvent::ShortcutOverride)
                key->accept();
            else
                finish();
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void ExpectationEditor::finish() {
    if (!std::exchange(m_finished, true))
        emit finished();
}

QWidget *ExpectationDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                           const QModelIndex &) const {
    auto *editor = new ExpectationEditor(parent);
    connect(editor, &ExpectationEditor::finished, this, [this, editor] {
        emit const_cast<ExpectationDelegate *>(this)->commitData(editor);
        emit const_cast<ExpectationDelegate *>(this)->closeEditor(editor);
    });
    return editor;
}

void ExpectationDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const {
    auto *expectation = static_cast<ExpectationEditor *>(editor);
    if (!expectation->hasTest())
        expectation->setTest(index.data(TestsModel::TestRole).value<PatternTest>());
}

void SampleDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const {
    if (const auto *line = qobject_cast<QLineEdit *>(editor); line && line->isModified())
        return;
    QStyledItemDelegate::setEditorData(editor, index);
}

void ExpectationDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                       const QModelIndex &index) const {
    model->setData(index, QVariant::fromValue(static_cast<ExpectationEditor *>(editor)->test()));
}

void ExpectationDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                               const QModelIndex &) const {
    QRect rect = option.rect;
    // Over the cell, as wide and tall as its fields need (the rows below are covered while it is open).
    editor->layout()->activate();
    const QSize wanted = editor->layout()->totalSizeHint();
    rect.setWidth(std::max({rect.width(), wanted.width(), 380}));
    rect.setHeight(std::max(rect.height(), wanted.height()));
    // Kept inside the view when the cell is near its bottom or right edge.
    if (const QWidget *view = editor->parentWidget()) {
        rect.moveBottom(std::min(rect.bottom(), view->height() - 1));
        rect.moveRight(std::min(rect.right(), view->width() - 1));
        rect.moveTopLeft(QPoint(std::max(0, rect.left()), std::max(0, rect.top())));
    }
    editor->setGeometry(rect);
}

} // namespace rw
