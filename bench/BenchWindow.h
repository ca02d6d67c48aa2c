#pragma once

#include "BenchDialogs.h"
#include "BenchSupport.h"
#include "app/MainWindow.h"
#include "core/tasks/TaskPool.h"
#include "files/WorkingFiles.h"
#include "platform/AppContext.h"

#include <QTemporaryDir>

namespace rwbench {

// The main window as a bench drives it: shown, over fresh program and desktop directories, with dialogs
// that never show; constructed, it has let the start-up loader fill its boxes, so a run starts from the
// state the user sees.
class BenchWindow final {
public:
    BenchWindow() {
        window.show();
        waitUntil([this] { return !window.workingFiles()->isLoading(); });
    }

    rw::TaskPool pool;
    QTemporaryDir programDir;
    QTemporaryDir desktopDir;
    BenchDialogs dialogs;
    rw::AppContext context{dialogs, programDir.path(), desktopDir.path()};
    rw::MainWindow window{context};
};

} // namespace rwbench
