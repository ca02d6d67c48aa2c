#include "MainWindow.h"
#include "platform/AppContext.h"
#include "platform/QtDialogs.h"
#include "core/tasks/TaskPool.h"

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    // Declared after the application and before the window: joined after the window is gone.
    rw::TaskPool pool;
    rw::QtDialogs dialogs;
    rw::AppContext context{dialogs, QCoreApplication::applicationDirPath(),
                           QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)};
    rw::MainWindow window(context);
    window.show();
    return app.exec();
}
