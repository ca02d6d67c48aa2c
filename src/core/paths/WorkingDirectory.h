#pragma once

#include <QString>

namespace rw {

// The directory the working files are read from and written to.
struct WorkingDirectory {
    QString path;
    // True for the executable's own directory (a portable copy), false for the user's data directory.
    bool portable = false;
};

// Whether a new file can be created in dir: tried for real, so read-only mounts, ACLs and a missing
// directory all count as not writable. Leaves nothing behind.
bool canCreateFilesIn(const QString &dir);

// Where the working files live: programDir when programDirWritable (a portable copy keeps its files
// beside it), otherwise dataDir, created when missing. Working files already next to the executable are
// neither moved nor copied: once the data directory is used, it wins.
WorkingDirectory chooseWorkingDirectory(const QString &programDir, bool programDirWritable,
                                        const QString &dataDir);

} // namespace rw
