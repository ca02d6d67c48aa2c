#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace rw {

// Text files the user opens or drops, in whatever encoding they come.

// Decodes a file's bytes: a UTF-8 or UTF-16 (LE/BE) byte-order mark decides the encoding and the whole
// file is decoded; without one, the bytes before the first zero byte are decoded as UTF-8 when they are
// valid UTF-8, else as GB18030.
QString decodeImported(QByteArrayView bytes);

// Reads and decodes the file at path; nullopt with the reason in error when it is missing, refused (see
// readRegularFile) or can't be read.
std::optional<QString> readImportFile(const QString &path, QString *error = nullptr);

} // namespace rw
