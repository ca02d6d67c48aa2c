#include "app/MainWindow.h"
#include "platform/AppContext.h"
#include "platform/QtDialogs.h"

#include <QApplication>
#include <QStandardPaths>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    rw::QtDialogs dialogs;
    rw::AppContext context{dialogs, QCoreApplication::applicationDirPath(),
                           QStandardPaths::writableLocation(QStandardPaths::DesktopLocation)};
    rw::MainWindow window(context);
    window.show();
    return app.exec();
}
