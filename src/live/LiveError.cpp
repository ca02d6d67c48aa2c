#include "LiveError.h"

#include "core/regex/Pattern.h"
#include "core/regex/PatternError.h"
#include "platform/BoxMarks.h"

#include <QPlainTextEdit>
#include <QTextCursor>

namespace rw {

QString LiveError::text() const {
    // The same words as the status line of 匹配.
    return QStringLiteral("正则创建失败: %1 (第 %2 个字符)").arg(reason).arg(position);
}

LiveError errorOf(const Pattern &pattern, const QString &expression) {
    const PatternError &found = pattern.error();
    LiveError error;
    error.reason = found.reason;
    error.offset = qBound<qsizetype>(0, found.offset, expression.size());
    error.position = found.position;
    return error;
}

void showErrorMark(QPlainTextEdit *box, const LiveError *error) {
    if (!error) {
        setBoxMarks(box, BoxMarkLayer::Error, {});
        box->setToolTip(QString());
        return;
    }
    // The box holds a line break as one position where the pattern holds "\r\n".
    const QString text = box->document()->toPlainText();
    if (text.isEmpty()) {
        box->setToolTip(error->text());
        return;
    }
    qsizetype at = 0;
    for (qsizetype i = 0, units = 0; i < text.size() && units < error->offset; ++i, ++at)
        units += text.at(i) == QLatin1Char('\n') ? 2 : 1;
    // A fault at the end marks the last character.
    if (at >= text.size())
        at = text.size() - 1;
    if (at > 0 && text.at(at).isLowSurrogate() && text.at(at - 1).isHighSurrogate())
        --at;
    const qsizetype length = text.at(at).isHighSurrogate() && at + 1 < text.size() ? 2 : 1;

    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(box->document());
    mark.cursor.setPosition(int(at));
    mark.cursor.setPosition(int(at + length), QTextCursor::KeepAnchor);
    mark.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    mark.format.setUnderlineColor(Qt::red);
    setBoxMarks(box, BoxMarkLayer::Error, {mark});
    box->setToolTip(error->text());
}

} // namespace rw
