#pragma once

#include "core/tests/PatternTests.h"

#include <QStyledItemDelegate>
#include <QFrame>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

namespace rw {

// Edits a test's expectation in place: its kind, and what the kind names (the match texts one per line,
// the group and its text, the replacement and the text it should give).
class ExpectationEditor final : public QFrame {
    Q_OBJECT
public:
    explicit ExpectationEditor(QWidget *parent = nullptr);

    void setTest(const PatternTest &test);
    // Whether setTest() was called: later calls (the row's results arriving) leave the edit alone.
    bool hasTest() const { return m_hasTest; }
    // The expectation as edited (the sample is the one given).
    PatternTest test() const;

signals:
    // Enter in a one-line field, or Ctrl+Enter: the edit is done.
    void finished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showFields();
    // Says finished() once: the editor is closed after it.
    void finish();

    PatternTest m_test;
    bool m_finished = false;
    bool m_hasTest = false;
    QComboBox *m_kind;
    QLabel *m_groupLabel;
    QSpinBox *m_group;
    QLabel *m_replacementLabel;
    QLineEdit *m_replacement;
    QPlainTextEdit *m_value;
};

// The delegate of the 样例 column: a plain line editor whose typing is never reset by results arriving
// for its row.
class SampleDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
};

// The delegate of the 期望 column: opens an ExpectationEditor over the cell (wider and taller than the
// cell when it is small).
class ExpectationDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;
};

} // namespace rw
