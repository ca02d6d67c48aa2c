#pragma once

#include "core/tasks/TaskRuns.h"

#include <QObject>
#include <QString>

class QMimeData;
class QWidget;

namespace rw {

struct AppContext;
class MainWindowUi;

// Loads a text file into the source-text box, chosen with 按钮_本地导入 or dropped onto the window.
// Each load reads and decodes its own path on a worker thread; when loads overlap, the last one started
// is the one that shows. A file that can't be read leaves the box as it was and says why.
class Importer final : public QObject {
    Q_OBJECT
public:
    Importer(MainWindowUi &ui, AppContext &context, QWidget *window);
    ~Importer() override;

    // Starts loading the file at path into the source-text box.
    void load(const QString &path);
    // The file a drop of data would load: the first local file it names, or an empty text.
    static QString droppedFile(const QMimeData *data);
    // Whether a load is under way.
    bool isLoading() const { return m_loading; }
    // Abandons a running load without touching the controls (used when the window goes away).
    void abandon();

signals:
    // A load ended, shown or failed (not sent for a superseded one).
    void finished();

protected:
    // Takes file drops over the text boxes, which would otherwise insert the file's name as text.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void chooseAndLoad();
    void fail(quint64 run, const QString &path, const QString &reason);

    MainWindowUi &m_ui;
    AppContext &m_context;
    QWidget *m_window;
    TaskRuns m_runs;
    bool m_loading = false;
};

} // namespace rw
