#pragma once

#include <QString>
#include <QStringView>

namespace rw {

// Why a pattern was rejected and where, in the pattern as the user wrote it (never in the translated
// PCRE2 pattern). The reason and the place stay apart so that a status line can quote both and a live
// view can underline the place and show the reason beside it.
struct PatternError {
    QString reason;        // in Chinese; PCRE2's English text for a code without a Chinese reason
    qsizetype offset = -1; // UTF-16 index into the pattern; the pattern's length when the fault is its end
    int position = 0;      // 1-based character number as a reader counts: a surrogate pair or "\r\n" is one

    // An error for reason at offset of pattern, with its character position worked out.
    static PatternError at(QStringView pattern, qsizetype offset, const QString &reason);

    bool isError() const { return !reason.isEmpty(); }
    // "<reason> (第 N 个字符)".
    QString text() const;
};

} // namespace rw
