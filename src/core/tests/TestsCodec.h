#pragma once

#include "PatternTests.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

namespace rw {

// A tests file: UTF-8 JSON, {"version": 1, "patterns": [...]}, each entry a TestedPattern. The same
// format serves bds.tests.json, gz.tests.json and the files a user imports and exports.
struct TestsFile {
    QList<TestedPattern> patterns;
    QJsonObject unknown; // unknown top-level fields, written back as they came

    friend bool operator==(const TestsFile &, const TestsFile &) = default;
};

struct TestsParse {
    TestsFile file;
    QString error; // what is wrong, in Chinese; empty when the text was read

    bool ok() const { return error.isEmpty(); }
};

// Reads a tests file's bytes. Anything but a whole, well-typed file is an error (nothing of it is taken).
TestsParse parseTests(QByteArrayView json);
// The file's bytes. Every string round-trips exactly, NUL and unpaired surrogates included (those are
// written as \u escapes).
QByteArray serializeTests(const TestsFile &file);

// The tests file that goes with a working file: "bds.txt" → "bds.tests.json".
QString testsPathFor(const QString &workingFilePath);

struct TestsFileRead {
    TestsFile file;
    bool missing = false;
    // Set when the file could not be read or was damaged: what is wrong with which file, and where a
    // damaged file was put aside.
    QString error;
    // Whether a file that was not read whole is still at its path (not put aside): do not write over it.
    bool keepOff = false;
};

// What readTestsFile does with a file it can read but not parse.
enum class DamagedTestsFile {
    PutAside,    // rename it ("….damaged", "….damaged-2" …), so that the next write starts a new file
    LeaveInPlace // leave it as it is (a read that must change nothing, as the command line's)
};

// Reads the tests file at path. A damaged file is put aside or left as damaged says; one that could not be
// read at all (a directory, no permission, too large) is left where it is. Either way nothing written later
// replaces it: keepOff says so when it is still at path.
TestsFileRead readTestsFile(const QString &path, DamagedTestsFile damaged = DamagedTestsFile::PutAside);
// Writes file to path atomically; false with a reason on failure. A file without patterns or unknown
// fields is not created where there is none.
bool writeTestsFile(const QString &path, const TestsFile &file, QString *error = nullptr);

} // namespace rw
