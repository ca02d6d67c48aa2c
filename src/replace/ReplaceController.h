#pragma once

#include "core/regex/PatternError.h"
#include "core/tasks/RunState.h"
#include "platform/ProgressTicker.h"

#include <QObject>
#include <QString>

#include <memory>

class QPlainTextEdit;
class QPushButton;

namespace rw {
class TextEditor;
class TextStore;
} // namespace rw

namespace rw {

struct AppContext;
class PatternOwner;
enum class MatchStatus;

// The widgets the Replace command drives.
struct ReplaceWidgets {
    PatternOwner *pattern = nullptr;      // the expression (its options are not used)
    TextEditor *source = nullptr;         // 编辑框_源文本
    TextEditor *result = nullptr;         // 编辑框_替换结果
    QPushButton *button = nullptr;        // 按钮_替换
};

// The Replace command: its button asks for the replacement text and replaces every match of the
// expression in a snapshot of the source text with the component's default options, or stops the
// running replace. The result goes to the result box; the source text is never touched.
class ReplaceController final : public QObject {
    Q_OBJECT
public:
    ReplaceController(const ReplaceWidgets &widgets, AppContext &context, QObject *parent = nullptr);
    ~ReplaceController() override;

    // The replacement text of the last confirmed input box; empty until the first one.
    const QString &replacement() const { return m_replacement; }
    const RunState &runState() const { return m_runs; }

public slots:
    // Asks for the replacement and starts a run, or stops the running one (the button's click).
    void toggle();
    // Stops a running replace; nothing it still delivers shows.
    void stop();

signals:
    void statusChanged(const QString &text);
    // A replace ended with its result shown in the result box.
    void resultShown();

private:
    void start();
    void finish(MatchStatus status, std::shared_ptr<TextStore> result, const PatternError &error = {});

    ReplaceWidgets m_w;
    AppContext &m_context;
    RunState m_runs;
    ProgressTicker m_progress;
    // How far the current run is, in units of its subject, as its worker last delivered it.
    qsizetype m_done = 0;
    qsizetype m_subjectSize = 0;
    QString m_replacement;
};

} // namespace rw
