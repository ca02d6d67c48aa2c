#include "LiveError.h"

#include "core/regex/Pattern.h"

#include <QPlainTextEdit>
#include <QTextCursor>

namespace rw {

namespace {
// Characters of text before offset as a reader counts them: "\r\n" and a surrogate pair are one each.
int charactersBefore(const QString &text, qsizetype offset) {
    int count = 0;
    for (qsizetype i = 0; i < offset && i < text.size(); ++i) {
        const bool pairHead =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const bool crlf =
            text.at(i) == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n');
        if (pairHead || crlf)
            ++i;
        ++count;
    }
    return count;
}
} // namespace

QString LiveError::text() const {
    return QStringLiteral("正则创建失败: %1 (第 %2 个字符)").arg(reason).arg(position);
}

LiveError errorOf(const Pattern &pattern, const QString &expression) {
    LiveError error;
    error.reason = pattern.errorText();
    error.offset = expression.size();
    error.position = charactersBefore(expression, error.offset) + 1;
    return error;
}

void showErrorMark(QPlainTextEdit *box, const LiveError *error) {
    if (!error) {
        if (!box->extraSelections().isEmpty())
            box->setExtraSelections({});
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
    box->setExtraSelections({mark});
    box->setToolTip(error->text());
}

} // namespace rw
