#pragma once

#include "core/regex/PatternValue.h"
#include "core/tasks/RunState.h"

#include <QObject>

class QStandardItemModel;
class QTreeView;

namespace rw {

class PatternOwner;

// The widgets the explanation page drives.
struct ExplanationWidgets {
    PatternOwner *pattern = nullptr; // the pattern explained; parts are selected in its box
    QTreeView *tree = nullptr;       // 树_表达式解释
};

// The explanation page: each pattern the owner publishes, as a tree of Chinese texts of its parts (or the
// reason and place when it does not compile), read on a worker; selecting a part selects its text in the
// pattern box. Only the pattern is read, never the source text, so following the typing costs the same
// whatever the source box holds.
class ExplanationController final : public QObject {
    Q_OBJECT
public:
    explicit ExplanationController(const ExplanationWidgets &widgets, QObject *parent = nullptr);
    ~ExplanationController() override;

    // Roles of the model's items, for every node of the tree (the cost node's too): where the part is in
    // the pattern box (box positions).
    static constexpr int BeginRole = Qt::UserRole + 1;
    static constexpr int EndRole = Qt::UserRole + 2;

signals:
    // The tree was built anew for value.
    void explained(const PatternSnapshot &value);

private:
    void explain(const PatternSnapshot &value);
    void selectPart(const QModelIndex &index);

    ExplanationWidgets m_w;
    QStandardItemModel *m_model;
    RunState m_runs;
};

} // namespace rw
