#pragma once

#include "core/results/MatchTable.h"
#include "core/tasks/RunState.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <mutex>

class QMenu;
class QAbstractItemView;

namespace rw {

struct AppContext;

// The widgets the export commands drive.
struct ExportWidgets {
    QAbstractItemView *results = nullptr; // 超级列表框_结果
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
    // Desktop writes go one at a time. The run protocol decides whose result shows, not the order in which
    // two workers' writes reach the disk: an older export that has checked it is current could otherwise
    // commit its file after the newer one's. Shared with the tasks, which may outlive this object.
    std::shared_ptr<std::mutex> m_writing = std::make_shared<std::mutex>();
    QString m_template;
};

} // namespace rw
