#pragma once

#include "core/tasks/RunState.h"
#include "textbox/FirstScreenShown.h"

#include <QList>
#include <QObject>
#include <QString>

class QMimeData;
class QPushButton;
class QWidget;

namespace rw {

class TextEditor;

struct AppContext;

// The widgets the import drives.
struct ImportWidgets {
    QPushButton *button = nullptr; // 按钮_本地导入
    TextEditor *source = nullptr;  // 编辑框_源文本
    // Widgets that take a dropped file instead of inserting its name as text.
    QList<QWidget *> dropTargets;
};

// Loads a text file into the source-text box, chosen with the import button or dropped onto the window.
// Each load reads and decodes its own path on a worker thread; when loads overlap, the last one started
// is the one that shows. A file that can't be read leaves the box as it was and says why.
class Importer final : public QObject {
    Q_OBJECT
public:
    Importer(const ImportWidgets &widgets, AppContext &context, QObject *parent = nullptr);
    ~Importer() override;

    // Starts loading the file at path into the source-text box.
    void load(const QString &path);
    // The file a drop of data would load: the first local file it names, or an empty text.
    static QString droppedFile(const QMimeData *data);
    // Whether a load is under way.
    bool isLoading() const { return m_runs.isRunning(); }
    // Stops a load under way; a first screen it shows gives way to the text from before it.
    void abandon();

signals:
    // A load ended, shown or failed (not sent for a superseded one).
    void finished();

protected:
    // Takes file drops over the drop targets.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void chooseAndLoad();
    void fail(const QString &path, const QString &reason);

    ImportWidgets m_w;
    AppContext &m_context;
    RunState m_runs;
    FirstScreenShown m_firstScreen;
};

} // namespace rw
