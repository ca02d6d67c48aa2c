#pragma once

#include <QObject>
#include <QString>

namespace rw {

struct AppContext;
class MainWindowUi;

// The export commands of the results list's context menu: every row goes through the export template
// the user types, in a background task, to the clipboard or to a .txt file on the desktop.
class ExportController final : public QObject {
    Q_OBJECT
public:
    ExportController(MainWindowUi &ui, AppContext &context, QObject *parent = nullptr);

    // The template of the last confirmed prompt; empty until the first one.
    const QString &exportTemplate() const { return m_template; }

private:
    enum class Target { Clipboard, DesktopFile };

    void onExport(Target target);
    void deliver(Target target, const QString &text);
    void toClipboard(const QString &text);
    void toDesktopFile(const QString &text);

    MainWindowUi &m_ui;
    AppContext &m_context;
    QString m_template;
};

} // namespace rw
