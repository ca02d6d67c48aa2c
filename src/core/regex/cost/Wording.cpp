// What the user reads of the analysis: the verdict, and a cheaper rewrite of an exponential pattern.
#include "core/regex/BacktrackCost.h"
#include "core/regex/Matcher.h"

#include <algorithm>
#include <iterator>

namespace rw {

QString BacktrackCost::verdictText() const {
    switch (growth) {
    case Growth::Linear:
        return QStringLiteral("回溯复杂度: 线性");
    case Growth::Polynomial:
        return QStringLiteral("回溯复杂度: 多项式 n^%1").arg(degree);
    case Growth::Exponential:
        return QStringLiteral("回溯复杂度: 指数级");
    case Growth::Unknown:
        break;
    }
    switch (why) {
    case Unknown::BackReference:
        return QStringLiteral("回溯复杂度: 未知 (含反向引用)");
    case Unknown::Invalid:
        return QStringLiteral("回溯复杂度: 未知 (表达式无效)");
    default:
        return QStringLiteral("回溯复杂度: 未知 (表达式过大)");
    }
}

namespace {
// Whether both patterns give the same matches on text.
bool sameMatches(QStringView a, QStringView b, const RegexOptions &options, QStringView text) {
    const Pattern pa = Pattern::compile(a.toString(), options), pb = Pattern::compile(b.toString(), options);
    if (!pa.isValid() || !pb.isValid())
        return false;
    MatchSet ma(pa.captureCount()), mb(pb.captureCount());
    if (Matcher(pa).findAll(text, ma) != MatchStatus::Ok || Matcher(pb).findAll(text, mb) != MatchStatus::Ok)
        return false;
    if (ma.size() != mb.size())
        return false;
    for (qsizetype i = 0; i < ma.size(); ++i) {
        if (ma.start(i, 0) != mb.start(i, 0) || ma.end(i, 0) != mb.end(i, 0))
            return false;
    }
    return true;
}
} // namespace

RewriteHint RewriteHint::find(QStringView pattern, const RegexOptions &options, const BacktrackCost &cost) {
    if (cost.growth != BacktrackCost::Growth::Exponential)
        return {};
    return find(SyntaxTree::parse(pattern), pattern, options, cost);
}

RewriteHint RewriteHint::find(const SyntaxTree &tree, QStringView pattern, const RegexOptions &options,
                              const BacktrackCost &cost) {
    if (cost.growth != BacktrackCost::Growth::Exponential || !tree.isValid())
        return {};
    using K = SyntaxNode::Kind;
    const auto text = [&](const SyntaxNode &n) { return pattern.mid(n.begin, n.end - n.begin).toString(); };
    const auto onlyChild = [&](const SyntaxNode &group) -> const SyntaxNode * {
        if (group.kind != K::Group || group.groupKind == SyntaxNode::GroupKind::LookAhead ||
            group.groupKind == SyntaxNode::GroupKind::NegativeLookAhead)
            return nullptr;
        const SyntaxNode &inner = tree.node(group.children.front());
        if (inner.kind == K::Sequence && inner.children.size() == 1)
            return &tree.node(inner.children.front());
        return inner.kind == K::Sequence ? nullptr : &inner;
    };
    const bool referenced = std::any_of(tree.nodes.begin(), tree.nodes.end(),
                                        [](const SyntaxNode &n) { return n.kind == K::BackReference; });
    for (int q : cost.blamed) {
        const SyntaxNode &outer = tree.node(q);
        if (outer.kind != K::Quantifier || outer.max != SyntaxNode::Unbounded || outer.lazy || referenced)
            continue;
        const SyntaxNode &group = tree.node(outer.children.front());
        const SyntaxNode *inner = onlyChild(group);
        QString replacement;
        if (inner && inner->kind == K::Quantifier && inner->max == SyntaxNode::Unbounded && !inner->lazy) {
            // (x+)+ -> x+, (x+)* and (x*)* -> x*: the outer loop adds only more ways to split the same text.
            const SyntaxNode &atom = tree.node(inner->children.front());
            const bool plus = outer.min >= 1 && inner->min >= 1;
            replacement = text(atom) + (plus ? QStringLiteral("+") : QStringLiteral("*"));
        } else if (group.kind == K::Group && outer.min == 0) {
            // (x+y?)* with y an optional separator -> (x+y)*x*: the separator, when there, ends a word.
            const SyntaxNode &seq = tree.node(group.children.front());
            if (seq.kind == K::Sequence && seq.children.size() == 2) {
                const SyntaxNode &word = tree.node(seq.children[0]);
                const SyntaxNode &sep = tree.node(seq.children[1]);
                if (word.kind == K::Quantifier && word.min == 1 && word.max == SyntaxNode::Unbounded &&
                    !word.lazy && sep.kind == K::Quantifier && sep.min == 0 && sep.max == 1 && !sep.lazy) {
                    const QString x = text(tree.node(word.children.front()));
                    const QString y = text(tree.node(sep.children.front()));
                    const QString open = pattern.mid(group.begin, seq.begin - group.begin).toString();
                    replacement =
                        open + x + QStringLiteral("+") + y + QStringLiteral(")*") + x + QStringLiteral("*");
                }
            }
        }
        if (replacement.isEmpty())
            continue;
        const QString rewritten =
            pattern.left(outer.begin).toString() + replacement + pattern.mid(outer.end).toString();
        // Offered only when it is cheaper and matches what the pattern matches.
        const BacktrackCost after = BacktrackCost::analyse(rewritten, options);
        if (after.growth == BacktrackCost::Growth::Exponential ||
            after.growth == BacktrackCost::Growth::Unknown)
            continue;
        const QString samples[] = {cost.witness(6),
                                   cost.witness(1),
                                   cost.prefix + cost.pump.repeated(3),
                                   QStringLiteral("ab cd ef"),
                                   QStringLiteral("a"),
                                   QString(),
                                   QStringLiteral("aaa bbb\nccc ddd "),
                                   QStringLiteral("12 34 x")};
        if (!std::all_of(std::begin(samples), std::end(samples),
                         [&](const QString &s) { return sameMatches(pattern, rewritten, options, s); }))
            continue;
        return {rewritten,
                QStringLiteral("%1 可写作 %2, 匹配相同而不会指数级回溯").arg(text(outer), replacement)};
    }
    return {};
}

} // namespace rw
