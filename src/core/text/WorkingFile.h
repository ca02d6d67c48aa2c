#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

class QIODevice;

namespace rw {

// The program's own text files (bds.txt, jl.txt, test.txt, gz.txt): GB18030 without a byte-order mark,
// "\r\n" line breaks, no terminator; on reading, a zero byte ends the text.

enum class FileReadStatus {
    Ok,      // the file was read
    Missing, // there is no file at the path; the text is empty
    Failed   // the file exists but could not be read; the text is empty and error says why
};

struct WorkingFileRead {
    QString text; // line breaks as the file holds them; see fromCrLf()
    FileReadStatus status = FileReadStatus::Ok;
    QString error;
};

// Reads a working file whole; a missing or unreadable file gives an empty text.
WorkingFileRead readWorkingFile(const QString &path);

// Decodes a working file's bytes: those before the first zero byte, as GB18030.
// The bytes before the first zero byte (all of them when there is none): a text ends at a zero byte.
QByteArrayView beforeFirstZero(QByteArrayView bytes);

QString decodeWorkingBytes(QByteArrayView bytes);

// Writes text to device as GB18030 with every line break as "\r\n"; false with a reason on failure.
bool writeWorkingText(QIODevice &device, QStringView text, QString *error = nullptr);

// Replaces the file at path atomically with text (as writeWorkingText); on failure returns false with a
// reason and leaves an existing file as it was.
bool writeWorkingFile(const QString &path, QStringView text, QString *error = nullptr);

} // namespace rw
