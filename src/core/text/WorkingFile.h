#pragma once

#include "RegularFile.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

class QIODevice;

namespace rw {

// The program's own text files (bds.txt, jl.txt, test.txt, gz.txt): GB18030 without a byte-order mark,
// "\r\n" line breaks, no terminator; on reading, a zero byte ends the text.

struct WorkingFileRead {
    QString text; // line breaks as the file holds them; see fromCrLf()
    FileReadStatus status = FileReadStatus::Ok;
    QString error;
};

// Reads a working file whole (see readRegularFile for what is refused); a missing or refused file gives
// an empty text.
WorkingFileRead readWorkingFile(const QString &path);

// The bytes before the first zero byte (all of them when there is none): a text ends at a zero byte.
QByteArrayView beforeFirstZero(QByteArrayView bytes);

// Decodes a working file's bytes: those before the first zero byte, as GB18030.
QString decodeWorkingBytes(QByteArrayView bytes);

// Writes text to device as GB18030 with every line break as "\r\n"; false with the system's reason on
// failure.
bool writeWorkingText(QIODevice &device, QStringView text, QString *error = nullptr);

// Replaces the file at path atomically with text (as writeWorkingText); on failure returns false with a
// reason and leaves an existing file as it was. Something other than a regular file at path is refused.
bool writeWorkingFile(const QString &path, QStringView text, QString *error = nullptr);

// Replaces the file at path atomically with bytes, as writeWorkingFile does with a text.
bool writeWholeFile(const QString &path, QByteArrayView bytes, QString *error = nullptr);

} // namespace rw
