#include "LiveError.h"

#include "core/regex/Pattern.h"
#include "core/regex/PatternError.h"
#include "core/regex/PatternValue.h"
#include "pattern/BoxMarks.h"

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

void showErrorMark(QPlainTextEdit *box, const PatternValue &value, const LiveError *error) {
    if (!error) {
        setBoxMarks(box, BoxMarkLayer::Error, {});
        box->setToolTip(QString());
        return;
    }
    const QString &text = value.text;
    if (text.isEmpty()) {
        box->setToolTip(error->text());
        return;
    }
    // A fault at the end marks the last character; a character outside the BMP is marked whole.
    qsizetype at = std::min(error->offset, text.size() - 1);
    if (at > 0 && text.at(at).isLowSurrogate() && text.at(at - 1).isHighSurrogate())
        --at;
    const qsizetype length = text.at(at).isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
    const auto [begin, end] = value.breaks.boxRange(at, at + length);

    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(box->document());
    mark.cursor.setPosition(int(begin));
    mark.cursor.setPosition(int(end), QTextCursor::KeepAnchor);
    mark.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
    mark.format.setUnderlineColor(Qt::red);
    setBoxMarks(box, BoxMarkLayer::Error, {mark});
    box->setToolTip(error->text());
}

} // namespace rw
