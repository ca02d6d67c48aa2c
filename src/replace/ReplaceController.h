#pragma once

#include "core/regex/PatternError.h"
#include "core/tasks/TaskRuns.h"

#include <QObject>
#include <QString>

#include <memory>

class QTextDocument;

namespace rw {

struct AppContext;
class MainWindowUi;
enum class MatchStatus;

// The Replace command: 按钮_替换 asks for the replacement text and replaces every match of the expression
// in a snapshot of the source text with the component's default options, or stops the running replace.
// The result goes to 编辑框_替换结果; the source text is never touched.
class ReplaceController final : public QObject {
    Q_OBJECT
public:
    ReplaceController(MainWindowUi &ui, AppContext &context, QObject *parent = nullptr);
    ~ReplaceController() override;

    // Abandons a running replace without touching the controls (used when the window goes away).
    void abandon();
    // The replacement text of the last confirmed input box; empty until the first one.
    const QString &replacement() const { return m_replacement; }

private:
    void onClicked();
    void start();
    // The worker's part of a run over the source text taken for it.
    void replace(quint64 run, const QString &expression, const QString &subject);
    void finish(quint64 run, MatchStatus status, std::unique_ptr<QTextDocument> result,
                const PatternError &error = {});

    MainWindowUi &m_ui;
    AppContext &m_context;
    TaskRuns m_runs;
    QString m_replacement;
};

} // namespace rw
