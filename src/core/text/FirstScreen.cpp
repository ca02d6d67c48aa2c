#include "FirstScreen.h"

#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>

namespace rw {

std::optional<QString> firstScreen(const QString &path, QString (*decode)(QByteArrayView), qint64 limit) {
    const QFileInfo info(path);
    if (!nonRegularReason(path).isEmpty() || !info.exists() || info.size() <= kFirstScreenAfter ||
        info.size() > limit)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QString text = decode(file.read(kFirstScreenBytes));
    // Cut after the last line break: what follows may end inside a character. One long line keeps what
    // it has, less the piece of a character at its end.
    const qsizetype lastBreak = text.lastIndexOf(u'\n');
    if (lastBreak >= 0)
        text.truncate(lastBreak + 1);
    else
        while (!text.isEmpty() && (text.back() == QChar::ReplacementCharacter || text.back().isHighSurrogate()))
            text.chop(1);
    return text;
}

} // namespace rw
