#include "WorkingDirectory.h"

#include <QDir>
#include <QTemporaryFile>

namespace rw {

bool canCreateFilesIn(const QString &dir) {
    // The permission bits say nothing about a read-only mount, and root passes every access() check:
    // only creating a file tells. The saves go through QSaveFile, which needs exactly this.
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        return false;
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".write-probe-XXXXXX")));
    return probe.open();
}

WorkingDirectory chooseWorkingDirectory(const QString &programDir, bool programDirWritable,
                                        const QString &dataDir) {
    if (programDirWritable)
        return {QDir::cleanPath(programDir), true};
    // A directory that can't be made is still the one to use: each save then names what failed.
    QDir().mkpath(dataDir);
    return {QDir::cleanPath(dataDir), false};
}

} // namespace rw
