#pragma once

#include "platform/PatternInputs.h"

#include <QObject>
#include <QTimer>

class QStandardItemModel;
class QTreeView;

namespace rw {

// The widgets the explanation page drives.
struct ExplanationWidgets {
    PatternInputs inputs;
    QTreeView *tree = nullptr; // 树_表达式解释
};

// The explanation page: after the live pause, the pattern's parts as a tree of Chinese texts (or the
// reason and place when it does not compile); selecting a part selects its text in the pattern box.
// Only the pattern is read, never the source text, so following the typing costs the same whatever
// the source box holds.
class ExplanationController final : public QObject {
    Q_OBJECT
public:
    explicit ExplanationController(const ExplanationWidgets &widgets, QObject *parent = nullptr);

    // Roles of the model's items: where the part is in the pattern box (positions of the box's text).
    static constexpr int BeginRole = Qt::UserRole + 1;
    static constexpr int EndRole = Qt::UserRole + 2;

signals:
    // The tree was built anew for the pattern as the box holds it now.
    void explained();

private:
    void refresh();
    void selectPart(const QModelIndex &index);

    ExplanationWidgets m_w;
    QStandardItemModel *m_model;
    QTimer m_pause;
};

// The position in box text boxText (with "\n" breaks) of offset into the same text with "\r\n" breaks.
int boxPosition(const QString &boxText, qsizetype offset);

} // namespace rw
