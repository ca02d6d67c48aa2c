#pragma once

#include "textbox/BoxLoader.h"

#include <QList>
#include <QObject>
#include <QString>

class QMimeData;
class QPushButton;
class QWidget;

namespace rw {

struct AppContext;

// The widgets the import drives.
struct ImportWidgets {
    QPushButton *button = nullptr; // 按钮_本地导入
    // Widgets that take a dropped file instead of inserting its name as text.
    QList<QWidget *> dropTargets;
};

// Loads a text file into the source-text box through the box's loader, chosen with the import button or
// dropped onto the window. Each load reads and decodes its own path on a worker thread; of the loads into
// the box (the start-up's too), the last one started is the one that shows. A file that can't be read
// leaves the box as it was and says why.
class Importer final : public QObject {
    Q_OBJECT
public:
    // source: the loader of 编辑框_源文本.
    Importer(const ImportWidgets &widgets, BoxLoader &source, AppContext &context, QObject *parent = nullptr);

    // Starts loading the file at path into the source-text box.
    void load(const QString &path);
    // The file a drop of data would load: the first local file it names, or an empty text.
    static QString droppedFile(const QMimeData *data);
    // Whether a load of this import's is under way (one that nothing has superseded).
    bool isLoading() const { return m_source.isCurrent(m_load); }

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
    BoxLoader &m_source;
    AppContext &m_context;
    BoxLoader::Load m_load;
};

} // namespace rw
