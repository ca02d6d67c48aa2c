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
    // Set when the file could not be read or was damaged: "<file name>: <what is wrong>", and where the
    // damaged file was put aside.
    QString error;
    // Whether a damaged file is still at its path (it could not be put aside): do not write over it.
    bool keepOff = false;
};

// Reads the tests file at path. A damaged file is renamed aside ("….damaged", "….damaged-2" …) so that
// nothing written later replaces it.
TestsFileRead readTestsFile(const QString &path);
// Writes file to path atomically; false with a reason on failure. A file without patterns or unknown
// fields is not created where there is none.
bool writeTestsFile(const QString &path, const TestsFile &file, QString *error = nullptr);

} // namespace rw
