// The position automaton of a syntax tree.
#include "Automaton.h"

#include <algorithm>

namespace rw::cost {

namespace {

struct Fragment {
    bool nullable = false;
    bool nullablePure = false; // nullable without passing an assertion
    std::vector<int> first;
    std::vector<std::pair<int, bool>> last; // state, and whether what follows it in the fragment is pure
};

void addAll(std::vector<int> &to, const std::vector<int> &from) {
    for (int s : from) {
        if (std::find(to.begin(), to.end(), s) == to.end())
            to.push_back(s);
    }
}

class Builder {
public:
    Builder(const SyntaxTree &tree, const RegexOptions &options, Automaton &a)
        : m_tree(tree), m_options(options), m_a(a) {}

    Fragment build(int index) {
        if (m_a.tooLarge)
            return {};
        const SyntaxNode &n = m_tree.node(index);
        using K = SyntaxNode::Kind;
        switch (n.kind) {
        case K::Literal:
            return atom({{n.unit, n.unit}});
        case K::Dot:
            return atom({{0, '\n' - 1}, {'\n' + 1, 0xFFFF}});
        case K::ClassEscape:
            return atom(escapeSet(n.unit));
        case K::Class: {
            Ranges r;
            for (int c : n.children) {
                const SyntaxNode &item = m_tree.node(c);
                if (item.kind == K::Range)
                    r.push_back({item.unit, item.last});
                else if (item.kind == K::ClassEscape) {
                    const Ranges e = escapeSet(item.unit);
                    r.insert(r.end(), e.begin(), e.end());
                } else
                    r.push_back({item.unit, item.unit});
            }
            r = normalised(std::move(r));
            if (m_options.ignoreCase)
                r = folded(r);
            if (n.negated)
                r = complement(r);
            if (r.empty())
                return {}; // "[]" never matches
            return atom(r, false);
        }
        case K::LineStart:
        case K::LineEnd:
        case K::WordBoundary:
        case K::NotWordBoundary:
            return {true, false, {}, {}};
        case K::BackReference:
            m_a.backReference = true;
            return {true, false, {}, {}};
        case K::Group:
            // A lookahead reads nothing of its own; what it looks at is left out (it only narrows).
            if (n.groupKind == SyntaxNode::GroupKind::LookAhead ||
                n.groupKind == SyntaxNode::GroupKind::NegativeLookAhead)
                return {true, false, {}, {}};
            return build(n.children.front());
        case K::Alternation: {
            Fragment f;
            for (int c : n.children) {
                const Fragment b = build(c);
                f.nullable = f.nullable || b.nullable;
                f.nullablePure = f.nullablePure || b.nullablePure;
                addAll(f.first, b.first);
                f.last.insert(f.last.end(), b.last.begin(), b.last.end());
            }
            return f;
        }
        case K::Sequence: {
            std::vector<Fragment> parts;
            for (int c : n.children)
                parts.push_back(build(c));
            return sequence(parts);
        }
        case K::Quantifier:
            return repeat(n, index);
        case K::Range:
            break;
        }
        return {true, true, {}, {}};
    }

    // Links from to each state of to, for the repetition owner (-1 when not a repetition).
    void link(const std::vector<std::pair<int, bool>> &from, const std::vector<int> &to, int owner) {
        for (const auto &[s, pure] : from) {
            (void)pure;
            for (int t : to) {
                std::vector<Edge> &out = m_a.edges[std::size_t(s)];
                // A repetition's edge is its own way round even where another edge joins the same states:
                // that is the second path a backtracking engine takes.
                const bool known = std::any_of(out.begin(), out.end(), [&](const Edge &e) {
                    return e.to == t && (owner < 0 || e.owner == owner);
                });
                if (!known)
                    out.push_back({t, owner});
            }
        }
    }

private:
    Fragment atom(Ranges set, bool fold = true) {
        if (fold && m_options.ignoreCase)
            set = folded(normalised(set));
        const int s = m_a.add(std::move(set));
        return {false, false, {s}, {{s, true}}};
    }

    Fragment sequence(const std::vector<Fragment> &parts) {
        Fragment f;
        f.nullable = true;
        f.nullablePure = true;
        for (const Fragment &p : parts) {
            link(f.last, p.first, -1);
            if (f.nullable)
                addAll(f.first, p.first);
            if (p.nullable) {
                // What could end the sequence still can, but no longer freely past an assertion.
                if (!p.nullablePure) {
                    for (auto &l : f.last)
                        l.second = false;
                }
                f.last.insert(f.last.end(), p.last.begin(), p.last.end());
            } else {
                f.last = p.last;
            }
            f.nullablePure = f.nullablePure && p.nullablePure;
            f.nullable = f.nullable && p.nullable;
        }
        return f;
    }

    Fragment repeat(const SyntaxNode &n, int index) {
        const bool unbounded = n.max == SyntaxNode::Unbounded;
        const int copies = unbounded ? std::max(n.min, 1) : n.max;
        if (copies == 0)
            return {true, true, {}, {}};
        // A counted repeat longer than this is read as that many copies and a loop: the cost's shape is
        // the same, and the automaton stays small.
        constexpr int kMaxCopies = 64;
        std::vector<Fragment> parts;
        const int made = std::min(copies, kMaxCopies);
        for (int i = 0; i < made; ++i) {
            Fragment part = build(n.children.front());
            if (i >= n.min) {
                part.nullable = true;
                part.nullablePure = true;
            }
            parts.push_back(std::move(part));
        }
        const bool loops = unbounded || copies > made;
        if (loops)
            link(parts.back().last, parts.back().first, index);
        Fragment f = sequence(parts);
        if (n.min == 0) {
            f.nullable = true;
            f.nullablePure = true;
        }
        return f;
    }

    const SyntaxTree &m_tree;
    const RegexOptions &m_options;
    Automaton &m_a;
};

// Whether every branch of the pattern begins at a line start: a search then does not try every unit.
bool anchoredAtStart(const SyntaxTree &tree) {
    const SyntaxNode &root = tree.node(tree.root);
    const auto starts = [&](const SyntaxNode &seq) {
        return !seq.children.empty() && tree.node(seq.children.front()).kind == SyntaxNode::Kind::LineStart;
    };
    if (root.kind == SyntaxNode::Kind::Alternation)
        return std::all_of(root.children.begin(), root.children.end(),
                           [&](int c) { return starts(tree.node(c)); });
    return starts(root);
}

} // namespace

Automaton positionAutomaton(const SyntaxTree &tree, const RegexOptions &options) {
    Automaton a;
    a.add({});            // 0: the start
    a.add({{0, 0xFFFF}}); // 1: the search moving on to the next start position
    Builder builder(tree, options, a);
    const Fragment whole = builder.build(tree.root);
    if (a.tooLarge)
        return a;
    builder.link({{0, true}}, whole.first, -1);
    if (!anchoredAtStart(tree)) {
        builder.link({{0, true}}, {1}, -1);
        builder.link({{1, true}}, {1}, -1);
        builder.link({{1, true}}, whole.first, -1);
        // A pattern that matches the empty text matches at every start: the search never piles up.
        if (whole.nullablePure)
            a.freeAccepting[1] = true;
    }
    for (const auto &[s, pure] : whole.last) {
        if (pure)
            a.freeAccepting[std::size_t(s)] = true;
    }
    return a;
}

} // namespace rw::cost
