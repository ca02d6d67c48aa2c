#include "JsonLine.h"

#include <QVariantList>

namespace rw::JsonLine {

namespace {

class Reader final {
public:
    explicit Reader(QStringView in) : m_in(in) {}

    std::optional<QVariant> value() {
        skipSpace();
        if (m_pos >= m_in.size())
            return fail(QStringLiteral("意外的行尾"));
        const QChar c = m_in[m_pos];
        if (c == u'{')
            return object();
        if (c == u'[')
            return array();
        if (c == u'"') {
            const std::optional<QString> s = string();
            if (!s)
                return std::nullopt;
            return QVariant(*s);
        }
        if (word(u"true"))
            return QVariant(true);
        if (word(u"false"))
            return QVariant(false);
        if (word(u"null"))
            return QVariant();
        return number();
    }

    bool atEnd() {
        skipSpace();
        return m_pos >= m_in.size();
    }
    QString error() const { return m_error; }
    std::optional<QVariant> fail(const QString &why) {
        if (m_error.isEmpty())
            m_error = QStringLiteral("%1（第 %2 个字符）").arg(why).arg(m_pos + 1);
        return std::nullopt;
    }

private:
    void skipSpace() {
        while (m_pos < m_in.size() &&
               (m_in[m_pos] == u' ' || m_in[m_pos] == u'\t' || m_in[m_pos] == u'\r' || m_in[m_pos] == u'\n'))
            ++m_pos;
    }

    bool word(QStringView w) {
        if (m_in.mid(m_pos).startsWith(w)) {
            m_pos += w.size();
            return true;
        }
        return false;
    }

    std::optional<QVariant> object() {
        ++m_pos;
        QVariantMap map;
        skipSpace();
        if (m_pos < m_in.size() && m_in[m_pos] == u'}') {
            ++m_pos;
            return QVariant(map);
        }
        for (;;) {
            skipSpace();
            if (m_pos >= m_in.size() || m_in[m_pos] != u'"')
                return fail(QStringLiteral("这里应是成员名"));
            const std::optional<QString> key = string();
            if (!key)
                return std::nullopt;
            skipSpace();
            if (m_pos >= m_in.size() || m_in[m_pos] != u':')
                return fail(QStringLiteral("成员名后应是冒号"));
            ++m_pos;
            const std::optional<QVariant> v = value();
            if (!v)
                return std::nullopt;
            map.insert(*key, *v);
            skipSpace();
            if (m_pos < m_in.size() && m_in[m_pos] == u',') {
                ++m_pos;
                continue;
            }
            if (m_pos < m_in.size() && m_in[m_pos] == u'}') {
                ++m_pos;
                return QVariant(map);
            }
            return fail(QStringLiteral("这里应是逗号或右花括号"));
        }
    }

    std::optional<QVariant> array() {
        ++m_pos;
        QVariantList list;
        skipSpace();
        if (m_pos < m_in.size() && m_in[m_pos] == u']') {
            ++m_pos;
            return QVariant(list);
        }
        for (;;) {
            const std::optional<QVariant> v = value();
            if (!v)
                return std::nullopt;
            list << *v;
            skipSpace();
            if (m_pos < m_in.size() && m_in[m_pos] == u',') {
                ++m_pos;
                continue;
            }
            if (m_pos < m_in.size() && m_in[m_pos] == u']') {
                ++m_pos;
                return QVariant(list);
            }
            return fail(QStringLiteral("这里应是逗号或右方括号"));
        }
    }

    std::optional<QString> string() {
        ++m_pos;
        QString out;
        while (m_pos < m_in.size()) {
            const QChar c = m_in[m_pos++];
            if (c == u'"')
                return out;
            if (c.unicode() < 0x20) {
                fail(QStringLiteral("字符串里的控制字符要写成转义"));
                return std::nullopt;
            }
            if (c != u'\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_in.size())
                break;
            const QChar e = m_in[m_pos++];
            switch (e.unicode()) {
            case u'"':
            case u'\\':
            case u'/':
                out += e;
                break;
            case u'b':
                out += QChar(0x08);
                break;
            case u'f':
                out += QChar(0x0C);
                break;
            case u'n':
                out += QChar(0x0A);
                break;
            case u'r':
                out += QChar(0x0D);
                break;
            case u't':
                out += QChar(0x09);
                break;
            case u'u': {
                if (m_pos + 4 > m_in.size()) {
                    fail(QStringLiteral("\\u 后应有四位十六进制数"));
                    return std::nullopt;
                }
                bool ok = false;
                const uint code = m_in.mid(m_pos, 4).toUInt(&ok, 16);
                if (!ok) {
                    fail(QStringLiteral("\\u 后应有四位十六进制数"));
                    return std::nullopt;
                }
                m_pos += 4;
                out += QChar(char16_t(code)); // a lone surrogate stays as it is
                break;
            }
            default:
                fail(QStringLiteral("未知的转义"));
                return std::nullopt;
            }
        }
        fail(QStringLiteral("字符串没有结束"));
        return std::nullopt;
    }

    std::optional<QVariant> number() {
        const qsizetype from = m_pos;
        while (m_pos < m_in.size() && (m_in[m_pos].isDigit() || m_in[m_pos] == u'-' || m_in[m_pos] == u'+' ||
                                       m_in[m_pos] == u'.' || m_in[m_pos] == u'e' || m_in[m_pos] == u'E'))
            ++m_pos;
        bool ok = false;
        const double d = m_in.mid(from, m_pos - from).toDouble(&ok);
        if (!ok || m_pos == from)
            return fail(QStringLiteral("不认识的值"));
        return QVariant(d);
    }

    QStringView m_in;
    qsizetype m_pos = 0;
    QString m_error;
};

} // namespace

QString quote(QStringView text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        switch (u) {
        case u'"':
            out += QStringLiteral("\\\"");
            continue;
        case u'\\':
            out += QStringLiteral("\\\\");
            continue;
        case u'\n':
            out += QStringLiteral("\\n");
            continue;
        case u'\r':
            out += QStringLiteral("\\r");
            continue;
        case u'\t':
            out += QStringLiteral("\\t");
            continue;
        default:
            break;
        }
        const bool pairStart = QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        if (pairStart) {
            out += text.mid(i, 2);
            ++i;
        } else if (u < 0x20 || QChar::isSurrogate(u) || u == 0x2028 || u == 0x2029) {
            out += QStringLiteral("\\u%1").arg(uint(u), 4, 16, QChar(u'0'));
        } else {
            out += QChar(u);
        }
    }
    out += u'"';
    return out;
}

std::optional<QVariantMap> parseObject(QStringView line, QString *error) {
    Reader reader(line);
    reader.atEnd();
    if (line.trimmed().isEmpty() || line.trimmed().front() != u'{') {
        if (error)
            *error = QStringLiteral("不是 JSON 对象");
        return std::nullopt;
    }
    const std::optional<QVariant> v = reader.value();
    if (v && !reader.atEnd())
        reader.fail(QStringLiteral("对象之后还有内容"));
    if (!v || !reader.error().isEmpty()) {
        if (error)
            *error = reader.error();
        return std::nullopt;
    }
    return v->toMap();
}

} // namespace rw::JsonLine
