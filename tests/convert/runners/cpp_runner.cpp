// Reads one case a line ({"pattern", "flags", "subject", "global", "replacement"}) and answers each with the
// matches (UTF-16 offsets of the match and its groups, -1 for a group that took no part) and the replaced
// text, doing with std::wregex what the C++ snippets do.
#include "core/convert/JsonLine.h"

#include <QStringList>

#include <iostream>
#include <regex>
#include <string>
#include <vector>

namespace {

// wchar_t holds a code point here: a pair becomes one, a lone surrogate keeps its value.
std::wstring wide(const QString &text) {
    std::wstring out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += wchar_t(QChar::surrogateToUcs4(u, text[i + 1].unicode()));
            ++i;
        } else {
            out += wchar_t(u);
        }
    }
    return out;
}

QString narrow(const std::wstring &text) {
    QString out;
    for (wchar_t c : text) {
        if (char32_t(c) > 0xFFFF) {
            const char32_t cp = char32_t(c);
            out += QChar(QChar::highSurrogate(cp));
            out += QChar(QChar::lowSurrogate(cp));
        } else {
            out += QChar(char16_t(c));
        }
    }
    return out;
}

QString answer(const QVariantMap &c) {
    std::regex_constants::syntax_option_type flags{};
    for (const QVariant &f : c.value(QStringLiteral("flags")).toList()) {
        const QString name = f.toString();
        if (name == QStringLiteral("std::regex::ECMAScript"))
            flags |= std::regex::ECMAScript;
        else if (name == QStringLiteral("std::regex::icase"))
            flags |= std::regex::icase;
        else if (name == QStringLiteral("std::regex::multiline"))
            flags |= std::regex::multiline;
    }
    const std::wstring subject = wide(c.value(QStringLiteral("subject")).toString());
    // Where each code point begins in UTF-16 units.
    std::vector<qsizetype> units{0};
    for (wchar_t ch : subject)
        units.push_back(units.back() + (char32_t(ch) > 0xFFFF ? 2 : 1));
    const bool global = c.value(QStringLiteral("global")).toBool();
    try {
        const std::wregex re(wide(c.value(QStringLiteral("pattern")).toString()), flags);
        QStringList rows;
        const auto row = [&](const std::wsmatch &m) {
            QStringList offsets;
            for (std::size_t g = 0; g < m.size(); ++g) {
                if (!m[g].matched) {
                    offsets << QStringLiteral("-1") << QStringLiteral("-1");
                    continue;
                }
                const auto from = m[g].first - subject.begin();
                const auto to = m[g].second - subject.begin();
                offsets << QString::number(units[std::size_t(from)]) << QString::number(units[std::size_t(to)]);
            }
            rows << u'[' + offsets.join(u',') + u']';
        };
        if (global) {
            for (auto it = std::wsregex_iterator(subject.begin(), subject.end(), re); it != std::wsregex_iterator(); ++it)
                row(*it);
        } else {
            std::wsmatch m;
            if (std::regex_search(subject, m, re))
                row(m);
        }
        QString out = QStringLiteral("{\"matches\": [") + rows.join(u',') + u']';
        const QVariant replacement = c.value(QStringLiteral("replacement"));
        if (replacement.typeId() == QMetaType::QString) {
            const auto how = global ? std::regex_constants::format_default : std::regex_constants::format_first_only;
            out += QStringLiteral(", \"replaced\": ") +
                   rw::JsonLine::quote(narrow(std::regex_replace(subject, re, wide(replacement.toString()), how)));
        }
        return out + u'}';
    } catch (const std::exception &e) {
        return QStringLiteral("{\"error\": ") + rw::JsonLine::quote(QString::fromLocal8Bit(e.what())) + u'}';
    }
}

} // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        if (line.empty())
            continue;
        QString why;
        const auto c = rw::JsonLine::parseObject(QString::fromUtf8(line), &why);
        const QString out = c ? answer(*c) : QStringLiteral("{\"error\": ") + rw::JsonLine::quote(why) + u'}';
        std::cout << out.toStdString() << '\n';
    }
    return 0;
}
