#include "app/MainWindow.h"
#include "platform/QtDialogs.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    rw::QtDialogs dialogs;
    rw::MainWindow window(dialogs);
    window.show();
    return app.exec();
}
