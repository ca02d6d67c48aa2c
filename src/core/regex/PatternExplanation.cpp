#include "PatternExplanation.h"

namespace rw {

namespace {

using Kind = SyntaxNode::Kind;

// How a unit reads in a text: printable ones as they are, the control characters by their escape.
QString unitName(char16_t u) {
    switch (u) {
    case 0x0A:
        return QStringLiteral("换行符 \\n");
    case 0x0D:
        return QStringLiteral("回车符 \\r");
    case 0x09:
        return QStringLiteral("制表符 \\t");
    case 0x0C:
        return QStringLiteral("换页符 \\f");
    case 0x0B:
        return QStringLiteral("垂直制表符 \\v");
    case 0x08:
        return QStringLiteral("退格符 \\b");
    case 0x20:
        return QStringLiteral("空格");
    default:
        break;
    }
    if (u < 0x20 || (u >= 0x7F && u < 0xA0) || QChar::isSurrogate(u))
        return QStringLiteral("U+%1").arg(uint(u), 4, 16, QLatin1Char('0')).toUpper();
    return QString(QChar(u));
}

bool isPlain(char16_t u) {
    return u > 0x20 && u != 0x7F && !(u >= 0x80 && u < 0xA0) && !QChar::isSurrogate(u);
}

QString classEscapeText(char16_t letter) {
    switch (letter) {
    case u'd':
        return QStringLiteral("数字 0-9 (仅 ASCII)");
    case u'D':
        return QStringLiteral("非数字 (0-9 以外的任意字符)");
    case u'w':
        return QStringLiteral("单词字符 A-Z a-z 0-9 _ (仅 ASCII)");
    case u'W':
        return QStringLiteral("非单词字符 (A-Z a-z 0-9 _ 以外的任意字符)");
    case u's':
        return QStringLiteral("空白字符 (空格 \\f \\n \\r \\t \\v, 仅 ASCII)");
    default:
        return QStringLiteral("非空白字符 (空格 \\f \\n \\r \\t \\v 以外的任意字符)");
    }
}

QString quantifierText(const SyntaxNode &n) {
    QString text;
    if (n.max == SyntaxNode::Unbounded)
        text = QStringLiteral("重复 %1 次或更多次").arg(n.min);
    else if (n.min == 0 && n.max == 1)
        text = QStringLiteral("可有可无 (0 次或 1 次)");
    else if (n.min == n.max)
        text = QStringLiteral("重复 %1 次").arg(n.min);
    else
        text = QStringLiteral("重复 %1 到 %2 次").arg(n.min).arg(n.max);
    if (n.lazy)
        text += QStringLiteral(", 尽量少");
    return text;
}

// A text without its parenthesised note, to stand in front of a quantifier's text.
QString shortText(const QString &text) {
    const qsizetype note = text.indexOf(QStringLiteral(" ("));
    return note < 0 ? text : text.left(note);
}

class Explainer final {
public:
    Explainer(const SyntaxTree &tree, const QString &pattern, const RegexOptions &options)
        : m_tree(tree), m_pattern(pattern), m_options(options) {}

    // The items of the node's parts; a Sequence's runs of plain literals become one item.
    std::vector<ExplanationItem> parts(int index) const {
        const SyntaxNode &n = m_tree.node(index);
        std::vector<ExplanationItem> items;
        if (n.kind != Kind::Sequence) {
            items.push_back(item(index));
            return items;
        }
        for (std::size_t i = 0; i < n.children.size();) {
            std::size_t j = i;
            QString run;
            while (j < n.children.size()) {
                const SyntaxNode &c = m_tree.node(n.children[j]);
                if (c.kind != Kind::Literal || !isPlain(c.unit))
                    break;
                run += QChar(c.unit);
                ++j;
            }
            if (j - i >= 2) {
                items.push_back({QStringLiteral("文字 %1").arg(run), m_tree.node(n.children[i]).begin,
                                 m_tree.node(n.children[j - 1]).end, {}});
                i = j;
                continue;
            }
            items.push_back(item(n.children[i]));
            ++i;
        }
        return items;
    }

    ExplanationItem item(int index) const {
        const SyntaxNode &n = m_tree.node(index);
        ExplanationItem it{PatternExplanation::describe(m_tree, index, m_options), n.begin, n.end, {}};
        switch (n.kind) {
        case Kind::Alternation:
            for (std::size_t b = 0; b < n.children.size(); ++b) {
                const SyntaxNode &branch = m_tree.node(n.children[b]);
                ExplanationItem branchItem{QStringLiteral("分支 %1").arg(b + 1), branch.begin, branch.end,
                                           parts(n.children[b])};
                if (branch.children.empty())
                    branchItem.text += QStringLiteral(" (空, 匹配空字符串)");
                else
                    branchItem.text += QStringLiteral(": ") + source(branch);
                it.children.push_back(std::move(branchItem));
            }
            it.text += QStringLiteral(": ") + source(n);
            break;
        case Kind::Group:
            it.children = parts(n.children.front());
            it.text = groupTitle(n) + QStringLiteral(": ") + source(n);
            break;
        case Kind::Quantifier: {
            const int repeated = n.children.front();
            const SyntaxNode &r = m_tree.node(repeated);
            if (r.children.empty() && r.kind != Kind::Class) {
                // A single token repeated reads as one part: "数字 0-9, 重复 4 次".
                it.text = shortText(PatternExplanation::describe(m_tree, repeated, m_options)) +
                          QStringLiteral(", ") + it.text;
            } else {
                it.text += QStringLiteral(": ") + source(n);
                it.children.push_back(item(repeated));
            }
            break;
        }
        case Kind::Class:
            for (int c : n.children)
                it.children.push_back(item(c));
            if (!n.children.empty())
                it.text += QStringLiteral(": ") + source(n);
            break;
        default:
            break;
        }
        return it;
    }

private:
    QString source(const SyntaxNode &n) const { return m_pattern.mid(n.begin, n.end - n.begin); }

    static QString groupTitle(const SyntaxNode &n) {
        switch (n.groupKind) {
        case SyntaxNode::GroupKind::Capturing:
            return QStringLiteral("捕获分组 %1").arg(n.number);
        case SyntaxNode::GroupKind::NonCapturing:
            return QStringLiteral("非捕获分组");
        case SyntaxNode::GroupKind::LookAhead:
            return QStringLiteral("正向预查 (后面必须是)");
        case SyntaxNode::GroupKind::NegativeLookAhead:
            return QStringLiteral("负向预查 (后面不能是)");
        }
        return QString();
    }

    const SyntaxTree &m_tree;
    const QString &m_pattern;
    RegexOptions m_options;
};

} // namespace

QString PatternExplanation::describe(const SyntaxTree &tree, int index, const RegexOptions &options) {
    const SyntaxNode &n = tree.node(index);
    switch (n.kind) {
    case Kind::Alternation:
        return QStringLiteral("多选一 (%1 个分支, 从左到右尝试)").arg(n.children.size());
    case Kind::Sequence:
        return n.children.empty() ? QStringLiteral("空 (匹配空字符串)") : QStringLiteral("依次匹配");
    case Kind::Group:
        switch (n.groupKind) {
        case SyntaxNode::GroupKind::Capturing:
            return QStringLiteral("第 %1 个捕获分组").arg(n.number);
        case SyntaxNode::GroupKind::NonCapturing:
            return QStringLiteral("非捕获分组 (只分组, 不捕获)");
        case SyntaxNode::GroupKind::LookAhead:
            return QStringLiteral("正向预查: 后面必须能匹配, 不占用字符");
        case SyntaxNode::GroupKind::NegativeLookAhead:
            return QStringLiteral("负向预查: 后面不能匹配, 不占用字符");
        }
        break;
    case Kind::Quantifier:
        return quantifierText(n);
    case Kind::Class:
        if (n.children.empty())
            return n.negated ? QStringLiteral("任意字符 (包括换行符)")
                             : QStringLiteral("空字符集 (不匹配任何字符)");
        return n.negated ? QStringLiteral("以下字符以外的任意字符") : QStringLiteral("以下字符中的任意一个");
    case Kind::Range:
        return QStringLiteral("范围 %1 到 %2").arg(unitName(n.unit), unitName(n.last));
    case Kind::ClassEscape:
        return classEscapeText(n.unit);
    case Kind::Literal:
        return isPlain(n.unit) ? QStringLiteral("字符 %1").arg(QChar(n.unit)) : unitName(n.unit);
    case Kind::Dot:
        return QStringLiteral("除换行符 \\n 以外的任意字符 (包括 \\r)");
    case Kind::LineStart:
        return options.multiline ? QStringLiteral("行首 (文本开头, 或 \\n、\\r 之后)")
                                 : QStringLiteral("文本开头");
    case Kind::LineEnd:
        return options.multiline ? QStringLiteral("行尾 (文本末尾, 或 \\n、\\r 之前)")
                                 : QStringLiteral("文本末尾 (不匹配末尾换行符之前)");
    case Kind::WordBoundary:
        return QStringLiteral("单词边界 (按 ASCII 字母、数字和 _)");
    case Kind::NotWordBoundary:
        return QStringLiteral("非单词边界 (按 ASCII 字母、数字和 _)");
    case Kind::BackReference:
        return QStringLiteral("反向引用: 与第 %1 个捕获分组匹配到的文字相同").arg(n.number);
    }
    return QString();
}

PatternExplanation PatternExplanation::explain(const QString &pattern, const RegexOptions &options) {
    return explain(SyntaxTree::parse(pattern), pattern, options);
}

PatternExplanation PatternExplanation::explain(const SyntaxTree &tree, const QString &pattern,
                                               const RegexOptions &options) {
    PatternExplanation explanation;
    // A fault only PCRE2 finds (a bound or a nesting too big) is a fault too.
    const PatternError error = tree.isValid() ? Pattern::compile(tree, pattern, options).error() : tree.error;
    if (error.isError()) {
        explanation.valid = false;
        explanation.items.push_back({QStringLiteral("正则创建失败: ") + error.text(), error.offset,
                                     std::min<qsizetype>(error.offset + 1, pattern.size()), {}});
        return explanation;
    }
    explanation.items = Explainer(tree, pattern, options).parts(tree.root);
    return explanation;
}

} // namespace rw
