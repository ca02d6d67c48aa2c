#pragma once

#include "core/results/MatchTable.h"
#include "core/tasks/RunState.h"

#include <QObject>
#include <QString>

#include <functional>

class QMenu;
class QTableView;

namespace rw {

struct AppContext;

// The widgets the export commands drive.
struct ExportWidgets {
    QTableView *results = nullptr; // 超级列表框_结果
    QMenu *menu = nullptr;         // 匹配结果右键菜单
};

// The export commands of the results list's context menu: every row goes through the export template
// the user types, in a background task, to the clipboard or to a .txt file on the desktop. When exports
// overlap, the newest one wins: an older one still composing or writing shows and writes nothing.
class ExportController final : public QObject {
    Q_OBJECT
public:
    // rows gives the results list's rows as they are when an export starts.
    ExportController(const ExportWidgets &widgets, AppContext &context, std::function<MatchTable()> rows,
                     QObject *parent = nullptr);
    ~ExportController() override;

    // The template of the last confirmed prompt; empty until the first one.
    const QString &exportTemplate() const { return m_template; }
    const RunState &runState() const { return m_runs; }

signals:
    void statusChanged(const QString &text);

private:
    enum class Target { Clipboard, DesktopFile };

    void onExport(Target target);
    void toClipboard(const QString &text);
    void toDesktopFile(const RunState::Run &run, const QString &text);

    ExportWidgets m_w;
    AppContext &m_context;
    std::function<MatchTable()> m_rows;
    RunState m_runs;
    QString m_template;
};

} // namespace rw
