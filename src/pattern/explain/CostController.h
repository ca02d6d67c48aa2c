#pragma once

#include "core/regex/BacktrackCost.h"
#include "core/regex/PatternValue.h"
#include "core/tasks/RunState.h"

#include <QObject>
#include <QPersistentModelIndex>

class QMenu;
class QStandardItemModel;
class QTreeView;

namespace rw {

class PatternOwner;
class TextEditor;

// The widgets the backtracking-cost node drives.
struct CostWidgets {
    PatternOwner *pattern = nullptr; // its box marks the quantifiers to blame
    QTreeView *tree = nullptr;       // 树_表达式解释, over a QStandardItemModel
    TextEditor *source = nullptr; // 编辑框_源文本, where the worst input can be put
};

// The first node of the explanation tree: how the pattern's backtracking grows with the text, and when it
// is not linear, the quantifiers to blame (also marked in the pattern box), the worst input, the engine's
// own steps on it at three sizes and a checked rewrite; its context menu puts the worst input into the
// source text. Everything is worked out on a worker.
class CostController final : public QObject {
    Q_OBJECT
public:
    explicit CostController(const CostWidgets &widgets, QObject *parent = nullptr);
    ~CostController() override;

    // Puts the node for value at the top of the tree; call it each time the tree has been rebuilt for value.
    void explained(const PatternSnapshot &value);
    // The size at which the worst input goes into the source text.
    int insertSize() const;
    const BacktrackCost &cost() const { return m_cost; }
    QMenu *menu() const { return m_menu; }

private:
    void insertWitness();
    void show(const PatternValue &value);
    void showSteps(const std::vector<BacktrackCost::Sample> &samples, const RewriteHint &hint);

    CostWidgets m_w;
    RunState m_runs;
    BacktrackCost m_cost;
    QPersistentModelIndex m_stepsItem;
    QMenu *m_menu;
};

} // namespace rw
