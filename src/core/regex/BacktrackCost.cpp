#include "BacktrackCost.h"

#include "CaseFolding.h"
#include "Matcher.h"
#include "PatternTranslator.h"

#include <QElapsedTimer>

#include <pcre2.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <unordered_map>

namespace rw {

namespace {

// What the analysis may spend before it says "too large": automaton states, and steps of its searches
// (a step is one pair or triple of states looked at). A 200-character pattern needs a small part of it.
constexpr int kMaxStates = 2000;
constexpr qint64 kMaxSteps = 3'000'000;
constexpr qint64 kMaxMillis = 40;

// A set of UTF-16 units as sorted, disjoint, inclusive ranges.
using Ranges = std::vector<std::pair<int, int>>;

Ranges normalised(Ranges r) {
    std::sort(r.begin(), r.end());
    Ranges out;
    for (const auto &[lo, hi] : r) {
        if (!out.empty() && lo <= out.back().second + 1)
            out.back().second = std::max(out.back().second, hi);
        else
            out.push_back({lo, hi});
    }
    return out;
}

Ranges complement(const Ranges &r) {
    Ranges out;
    int next = 0;
    for (const auto &[lo, hi] : r) {
        if (lo > next)
            out.push_back({next, lo - 1});
        next = hi + 1;
    }
    if (next <= 0xFFFF)
        out.push_back({next, 0xFFFF});
    return out;
}

Ranges escapeSet(char16_t letter) {
    Ranges r;
    switch (QChar::toLower(letter)) {
    case u'd':
        r = {{'0', '9'}};
        break;
    case u'w':
        r = {{'0', '9'}, {'A', 'Z'}, {'_', '_'}, {'a', 'z'}};
        break;
    default: // s: the component's white space, ASCII only
        r = {{'\t', '\r'}, {' ', ' '}};
        break;
    }
    return QChar::isUpper(letter) ? complement(r) : r;
}

// Adds the case variants of the units in r, as the engine's caseless matching sees them.
Ranges folded(const Ranges &r) {
    Ranges out = r;
    for (const auto &[lo, hi] : r) {
        for (int c = std::max(lo, int('A')); c <= std::min(hi, int('Z')); ++c)
            out.push_back({c + 32, c + 32});
        for (int c = std::max(lo, int('a')); c <= std::min(hi, int('z')); ++c)
            out.push_back({c - 32, c - 32});
        // Beyond ASCII, only ranges small enough to walk (a class of a whole script is left as it is).
        if (hi - lo < 4096) {
            for (int c = std::max(lo, 0x80); c <= hi; ++c) {
                for (char16_t v : CaseFolding::variants(char16_t(c)))
                    out.push_back({v, v});
            }
        }
    }
    return normalised(std::move(out));
}

struct Edge {
    int to;
    int owner; // the quantifier whose repetition this edge is (a syntax node), or -1
};

// The position automaton: state 0 reads nothing (the start), state 1 is the search's own loop over start
// positions (any unit), the others each read one unit of their set.
struct Automaton {
    std::vector<Ranges> sets;
    std::vector<std::vector<Edge>> edges;
    std::vector<bool> freeAccepting; // accepting without any assertion left to pass
    bool backReference = false;
    bool tooLarge = false;

    int add(Ranges set) {
        sets.push_back(std::move(set));
        edges.emplace_back();
        freeAccepting.push_back(false);
        if (int(sets.size()) > kMaxStates)
            tooLarge = true;
        return int(sets.size()) - 1;
    }
};

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

// The alphabet cut into the classes the automaton's sets tell apart; each set a bitset of classes.
struct Alphabet {
    std::vector<std::pair<int, int>> classes;
    std::vector<std::vector<std::uint64_t>> bits; // per state
    std::vector<char16_t> sample;                 // a unit of each class, a readable one if it has one

    explicit Alphabet(const std::vector<Ranges> &sets) {
        std::vector<int> cuts{0, 0x10000};
        for (const Ranges &r : sets) {
            for (const auto &[lo, hi] : r) {
                cuts.push_back(lo);
                cuts.push_back(hi + 1);
            }
        }
        std::sort(cuts.begin(), cuts.end());
        cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
        for (std::size_t i = 0; i + 1 < cuts.size(); ++i)
            classes.push_back({cuts[i], cuts[i + 1] - 1});
        const std::size_t words = (classes.size() + 63) / 64;
        for (const Ranges &r : sets) {
            std::vector<std::uint64_t> b(words, 0);
            for (std::size_t c = 0; c < classes.size(); ++c) {
                const int u = classes[c].first;
                if (std::any_of(r.begin(), r.end(), [u](const auto &x) { return u >= x.first && u <= x.second; }))
                    b[c / 64] |= std::uint64_t(1) << (c % 64);
            }
            bits.push_back(std::move(b));
        }
        for (const auto &[lo, hi] : classes) {
            char16_t pick = char16_t(lo);
            for (const auto &[a, z] : {std::pair{'a', 'z'}, {'0', '9'}, {'A', 'Z'}, {'!', '~'}, {' ', ' '}}) {
                const int from = std::max(lo, int(a)), to = std::min(hi, int(z));
                if (from <= to) {
                    pick = char16_t(from);
                    break;
                }
            }
            sample.push_back(pick);
        }
        takers.assign(classes.size(), 0);
        for (std::size_t s = 2; s < bits.size(); ++s) {
            for (std::size_t c = 0; c < classes.size(); ++c)
                takers[c] += int(bits[s][c / 64] >> (c % 64) & 1);
        }
    }
    std::vector<int> takers; // how many of the pattern's states take each class

    // A unit in all of the states' sets, or 0 when they share none: from the class fewest states take
    // (so the witness does not wander into the rest of the pattern), a readable one among those.
    char16_t common(std::initializer_list<int> states) const {
        const std::size_t words = bits.empty() ? 0 : bits.front().size();
        char16_t best = 0;
        int bestTakers = 0;
        const auto readable = [](char16_t u) { return u >= ' ' && u <= '~'; };
        for (std::size_t w = 0; w < words; ++w) {
            std::uint64_t m = ~std::uint64_t(0);
            for (int s : states)
                m &= bits[std::size_t(s)][w];
            for (std::size_t c = w * 64; m && c < std::min(classes.size(), w * 64 + 64); ++c) {
                if (!(m >> (c % 64) & 1))
                    continue;
                const char16_t u = sample[c];
                const int t = takers[c];
                if (best == 0 || t < bestTakers || (t == bestTakers && readable(u) && !readable(best)) ||
                    (t == bestTakers && QChar::isLower(u) && !QChar::isLower(best))) {
                    best = u;
                    bestTakers = t;
                }
            }
        }
        return best;
    }
    bool meet(std::initializer_list<int> states) const { return common(states) != 0; }
};

// Strongly connected components (iterative Tarjan); component numbers in reverse topological order.
std::vector<int> components(const Automaton &a, int *count) {
    const int n = int(a.sets.size());
    std::vector<int> index(std::size_t(n), -1), low(std::size_t(n), 0), comp(std::size_t(n), -1);
    std::vector<bool> onStack(std::size_t(n), false);
    std::vector<int> stack;
    int next = 0;
    *count = 0;
    for (int root = 0; root < n; ++root) {
        if (index[std::size_t(root)] >= 0)
            continue;
        std::vector<std::pair<int, std::size_t>> work{{root, 0}};
        index[std::size_t(root)] = low[std::size_t(root)] = next++;
        stack.push_back(root);
        onStack[std::size_t(root)] = true;
        while (!work.empty()) {
            auto &[v, i] = work.back();
            const auto &out = a.edges[std::size_t(v)];
            if (i < out.size()) {
                const int w = out[i++].to;
                if (index[std::size_t(w)] < 0) {
                    index[std::size_t(w)] = low[std::size_t(w)] = next++;
                    stack.push_back(w);
                    onStack[std::size_t(w)] = true;
                    work.push_back({w, 0});
                } else if (onStack[std::size_t(w)]) {
                    low[std::size_t(v)] = std::min(low[std::size_t(v)], index[std::size_t(w)]);
                }
                continue;
            }
            if (low[std::size_t(v)] == index[std::size_t(v)]) {
                int w;
                do {
                    w = stack.back();
                    stack.pop_back();
                    onStack[std::size_t(w)] = false;
                    comp[std::size_t(w)] = *count;
                } while (w != v);
                ++*count;
            }
            const int done = v;
            work.pop_back();
            if (!work.empty())
                low[std::size_t(work.back().first)] =
                    std::min(low[std::size_t(work.back().first)], low[std::size_t(done)]);
        }
    }
    return comp;
}

class Analysis {
public:
    Analysis(const Automaton &a, const Alphabet &alphabet) : m_a(a), m_abc(alphabet) {
        m_comp = components(a, &m_count);
        m_members.resize(std::size_t(m_count));
        for (int s = 0; s < int(a.sets.size()); ++s)
            m_members[std::size_t(m_comp[std::size_t(s)])].push_back(s);
        m_clock.start();
    }

    bool overBudget() {
        return m_steps > kMaxSteps || (m_steps % 4096 == 0 && m_clock.elapsed() > kMaxMillis);
    }
    bool exhausted() const { return m_exhausted; }

    bool looping(int c) const {
        const auto &m = m_members[std::size_t(c)];
        if (m.size() > 1)
            return true;
        const auto &out = m_a.edges[std::size_t(m.front())];
        return std::any_of(out.begin(), out.end(), [&](const Edge &e) { return e.to == m.front(); });
    }
    bool acceptsFreely(int c) const {
        const auto &m = m_members[std::size_t(c)];
        return std::any_of(m.begin(), m.end(), [&](int s) { return m_a.freeAccepting[std::size_t(s)]; });
    }
    int componentOf(int s) const { return m_comp[std::size_t(s)]; }
    int componentCount() const { return m_count; }
    const std::vector<int> &members(int c) const { return m_members[std::size_t(c)]; }

    // Two ways round component c on one word: the cycle's word and the state it starts from, or empty.
    std::pair<int, QString> ambiguousCycle(int c) {
        const auto in = [&](int s) { return m_comp[std::size_t(s)] == c; };
        // Two edges between the same states: the repetition of a repetition.
        for (int x : members(c)) {
            const auto &out = m_a.edges[std::size_t(x)];
            for (std::size_t i = 0; i < out.size(); ++i) {
                for (std::size_t j = i + 1; j < out.size(); ++j) {
                    if (out[i].to == out[j].to && in(out[i].to)) {
                        const QString back = path(out[i].to, x, in);
                        return {x, QString(m_abc.common({out[i].to})) + back};
                    }
                }
            }
        }
        // Two different states reached from one state, on one word, that both come back to it.
        const std::vector<int> &m = members(c);
        const int size = int(m.size());
        std::unordered_map<int, int> slot;
        for (int i = 0; i < size; ++i)
            slot[m[std::size_t(i)]] = i;
        for (int p : m) {
            // Breadth first over pairs from (p, p); parents keep the word.
            std::vector<int> parent(std::size_t(size * size), -2);
            std::vector<char16_t> via(std::size_t(size * size), 0);
            std::deque<int> queue;
            const int start = slot[p] * size + slot[p];
            parent[std::size_t(start)] = -1;
            queue.push_back(start);
            int split = -1;
            while (!queue.empty() && split < 0) {
                const int cur = queue.front();
                queue.pop_front();
                const int x = m[std::size_t(cur / size)], y = m[std::size_t(cur % size)];
                for (const Edge &ex : m_a.edges[std::size_t(x)]) {
                    if (!in(ex.to))
                        continue;
                    for (const Edge &ey : m_a.edges[std::size_t(y)]) {
                        ++m_steps;
                        if (!in(ey.to) || !m_abc.meet({ex.to, ey.to}))
                            continue;
                        const int nxt = slot[ex.to] * size + slot[ey.to];
                        if (parent[std::size_t(nxt)] != -2)
                            continue;
                        parent[std::size_t(nxt)] = cur;
                        via[std::size_t(nxt)] = m_abc.common({ex.to, ey.to});
                        queue.push_back(nxt);
                        if (ex.to != ey.to && canReturn(ex.to, ey.to, p, m, slot, in)) {
                            split = nxt;
                            break;
                        }
                    }
                    if (split >= 0)
                        break;
                }
                if (overBudget()) {
                    m_exhausted = true;
                    return {-1, {}};
                }
            }
            if (split >= 0) {
                QString there;
                for (int at = split; at != start; at = parent[std::size_t(at)])
                    there.prepend(QChar(via[std::size_t(at)]));
                return {p, there + m_back};
            }
        }
        return {-1, {}};
    }

    // Whether some state of `to` is reached from some state of `from` with a word w that loops at both
    // ends (p -w-> p, p -w-> q, q -w-> q): the word, or empty.
    QString handOver(int from, int to) {
        const auto inFrom = [&](int s) { return m_comp[std::size_t(s)] == from; };
        const auto inTo = [&](int s) { return m_comp[std::size_t(s)] == to; };
        for (int p : members(from)) {
            for (int q : members(to)) {
                // Triples (x, y, z): x goes round from p, y goes from p to q, z goes round from q.
                struct Node {
                    int x, y, z;
                };
                std::unordered_map<std::uint64_t, std::pair<std::uint64_t, char16_t>> parent;
                const auto key = [](int x, int y, int z) {
                    return (std::uint64_t(x) << 42) | (std::uint64_t(y) << 21) | std::uint64_t(z);
                };
                const std::uint64_t startKey = key(p, p, q), goal = key(p, q, q);
                std::deque<Node> queue{{p, p, q}};
                parent[startKey] = {startKey, 0};
                while (!queue.empty()) {
                    const Node cur = queue.front();
                    queue.pop_front();
                    for (const Edge &ex : m_a.edges[std::size_t(cur.x)]) {
                        if (!inFrom(ex.to))
                            continue;
                        for (const Edge &ey : m_a.edges[std::size_t(cur.y)]) {
                            if (!m_abc.meet({ex.to, ey.to}))
                                continue;
                            for (const Edge &ez : m_a.edges[std::size_t(cur.z)]) {
                                ++m_steps;
                                if (!inTo(ez.to) || !m_abc.meet({ex.to, ey.to, ez.to}))
                                    continue;
                                const std::uint64_t k = key(ex.to, ey.to, ez.to);
                                if (parent.count(k))
                                    continue;
                                parent[k] = {key(cur.x, cur.y, cur.z), m_abc.common({ex.to, ey.to, ez.to})};
                                if (k == goal) {
                                    QString word;
                                    for (std::uint64_t at = goal; at != startKey; at = parent[at].first)
                                        word.prepend(QChar(parent[at].second));
                                    return word;
                                }
                                queue.push_back({ex.to, ey.to, ez.to});
                            }
                        }
                    }
                    if (overBudget()) {
                        m_exhausted = true;
                        return {};
                    }
                }
            }
        }
        return {};
    }

    // The shortest word from state `from` to state `to` through states that pass `allowed`.
    template <typename Allowed> QString path(int from, int to, Allowed allowed) {
        if (from == to)
            return {};
        std::unordered_map<int, std::pair<int, char16_t>> parent{{from, {from, 0}}};
        std::deque<int> queue{from};
        while (!queue.empty()) {
            const int s = queue.front();
            queue.pop_front();
            for (const Edge &e : m_a.edges[std::size_t(s)]) {
                ++m_steps;
                if (!allowed(e.to) || parent.count(e.to))
                    continue;
                parent[e.to] = {s, m_abc.common({e.to})};
                if (e.to == to) {
                    QString word;
                    for (int at = to; at != from; at = parent[at].first)
                        word.prepend(QChar(parent[at].second));
                    return word;
                }
                queue.push_back(e.to);
            }
        }
        return {};
    }

private:
    // Whether (x, y) in component c can come back to (p, p) on one word; keeps that word in m_back.
    template <typename In>
    bool canReturn(int x, int y, int p, const std::vector<int> &m, std::unordered_map<int, int> &slot, In in) {
        const int size = int(m.size());
        std::vector<int> parent(std::size_t(size * size), -2);
        std::vector<char16_t> via(std::size_t(size * size), 0);
        const int start = slot[x] * size + slot[y], goal = slot[p] * size + slot[p];
        parent[std::size_t(start)] = -1;
        std::deque<int> queue{start};
        while (!queue.empty()) {
            const int cur = queue.front();
            queue.pop_front();
            const int a = m[std::size_t(cur / size)], b = m[std::size_t(cur % size)];
            for (const Edge &ea : m_a.edges[std::size_t(a)]) {
                if (!in(ea.to))
                    continue;
                for (const Edge &eb : m_a.edges[std::size_t(b)]) {
                    ++m_steps;
                    if (!in(eb.to) || !m_abc.meet({ea.to, eb.to}))
                        continue;
                    const int nxt = slot[ea.to] * size + slot[eb.to];
                    if (parent[std::size_t(nxt)] != -2)
                        continue;
                    parent[std::size_t(nxt)] = cur;
                    via[std::size_t(nxt)] = m_abc.common({ea.to, eb.to});
                    if (nxt == goal) {
                        m_back.clear();
                        for (int at = goal; at != start; at = parent[std::size_t(at)])
                            m_back.prepend(QChar(via[std::size_t(at)]));
                        return true;
                    }
                    queue.push_back(nxt);
                }
            }
            if (overBudget())
                return false;
        }
        return false;
    }

    const Automaton &m_a;
    const Alphabet &m_abc;
    std::vector<int> m_comp;
    int m_count = 0;
    std::vector<std::vector<int>> m_members;
    qint64 m_steps = 0;
    bool m_exhausted = false;
    QElapsedTimer m_clock;
    QString m_back;
};

// The quantifiers whose repetition edges run inside component c.
void blame(const Automaton &a, const Analysis &analysis, int c, std::vector<int> &out) {
    for (int s : analysis.members(c)) {
        for (const Edge &e : a.edges[std::size_t(s)]) {
            if (e.owner >= 0 && analysis.componentOf(e.to) == c &&
                std::find(out.begin(), out.end(), e.owner) == out.end())
                out.push_back(e.owner);
        }
    }
}

// A unit that ends the witness so that no path can take it: outside every state's set if there is one.
QString failingSuffix(const Automaton &a) {
    for (char16_t u : {u'!', u'\n', char16_t(1), u'#', u'~', u' '}) {
        bool taken = false;
        for (std::size_t s = 2; s < a.sets.size() && !taken; ++s) {
            taken = std::any_of(a.sets[s].begin(), a.sets[s].end(),
                                [u](const auto &r) { return u >= r.first && u <= r.second; });
        }
        if (!taken)
            return QString(QChar(u));
    }
    return QStringLiteral("!");
}

} // namespace

BacktrackCost BacktrackCost::analyse(QStringView pattern, const RegexOptions &options) {
    return analyse(SyntaxTree::parse(pattern), options);
}

BacktrackCost BacktrackCost::analyse(const SyntaxTree &tree, const RegexOptions &options) {
    BacktrackCost cost;
    if (!tree.isValid()) {
        cost.growth = Growth::Unknown;
        cost.why = Unknown::Invalid;
        return cost;
    }
    Automaton a;
    a.add({});            // 0: the start
    a.add({{0, 0xFFFF}}); // 1: the search moving on to the next start position
    Builder builder(tree, options, a);
    const Fragment whole = builder.build(tree.root);
    const auto unknown = [&](Unknown why) {
        cost = {};
        cost.growth = Growth::Unknown;
        cost.why = why;
        return cost;
    };
    if (a.tooLarge)
        return unknown(Unknown::TooLarge);
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

    const Alphabet alphabet(a.sets);
    Analysis analysis(a, alphabet);
    const auto reachable = [](int) { return true; };
    // Components in topological order (Tarjan numbers them in reverse).
    std::vector<int> loops;
    for (int c = analysis.componentCount() - 1; c >= 0; --c) {
        if (analysis.looping(c) && !analysis.acceptsFreely(c))
            loops.push_back(c);
    }

    for (int c : loops) {
        const auto [p, word] = analysis.ambiguousCycle(c);
        if (analysis.exhausted())
            return unknown(Unknown::TooLarge);
        if (p < 0 || word.isEmpty())
            continue;
        cost.growth = Growth::Exponential;
        cost.degree = 0;
        blame(a, analysis, c, cost.blamed);
        cost.prefix = analysis.path(0, p, reachable);
        cost.pump = word;
        cost.suffix = failingSuffix(a);
        break;
    }

    if (cost.growth != Growth::Exponential) {
        // The longest chain of loops each handing its word over to the next.
        const std::size_t n = loops.size();
        std::vector<int> chain(n, 1), next(n, -1);
        std::vector<QString> word(n);
        for (std::size_t i = n; i-- > 0;) {
            for (std::size_t j = i + 1; j < n; ++j) {
                if (chain[j] + 1 <= chain[i])
                    continue;
                const QString w = analysis.handOver(loops[i], loops[j]);
                if (analysis.exhausted())
                    return unknown(Unknown::TooLarge);
                if (!w.isEmpty()) {
                    chain[i] = chain[j] + 1;
                    next[i] = int(j);
                    word[i] = w;
                }
            }
        }
        const auto best = std::max_element(chain.begin(), chain.end());
        if (best != chain.end() && *best >= 2) {
            const std::size_t first = std::size_t(best - chain.begin());
            cost.growth = Growth::Polynomial;
            cost.degree = *best;
            for (int at = int(first); at >= 0; at = next[std::size_t(at)])
                blame(a, analysis, loops[std::size_t(at)], cost.blamed);
            // The search's own loop needs no prefix: it is where every start position is tried.
            const int start = analysis.members(loops[first]).front();
            if (start != 1)
                cost.prefix = analysis.path(0, start, reachable);
            cost.pump = word[first];
            cost.suffix = failingSuffix(a);
        }
    }
    if (a.backReference && cost.growth == Growth::Linear)
        return unknown(Unknown::BackReference);
    std::sort(cost.blamed.begin(), cost.blamed.end(),
              [&](int x, int y) { return tree.node(x).begin < tree.node(y).begin; });
    return cost;
}

namespace {
// One step per item the engine tries, plus the units it moved over since the item before: a repeat of
// one character walks its units inside one item, and that walk is work too.
struct StepCount {
    std::uint64_t steps = 0;
    std::uint64_t limit = 0;
    PCRE2_SIZE at = 0;
};
int countStep(pcre2_callout_block *block, void *data) {
    auto *count = static_cast<StepCount *>(data);
    const PCRE2_SIZE now = block->current_position;
    count->steps += 1 + (now > count->at ? now - count->at : count->at - now);
    count->at = now;
    return count->steps > count->limit ? PCRE2_ERROR_MATCHLIMIT : 0;
}
} // namespace

std::uint64_t BacktrackCost::engineSteps(QStringView pattern, const RegexOptions &options, QStringView text,
                                         std::uint64_t limit) {
    const PatternTranslator::Result translated = PatternTranslator::translate(pattern, options);
    if (!translated.isValid())
        return 0;
    // The engine's own code, with a callout before every item; the start-up shortcuts (a required unit
    // looked for first) are off, since they only hide the growth on texts of a few thousand units.
    const std::uint32_t flags = Pattern::compileOptions(options) | PCRE2_AUTO_CALLOUT | PCRE2_NO_START_OPTIMIZE;
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code *code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(translated.pattern.utf16()),
                                     PCRE2_SIZE(translated.pattern.size()), flags, &error, &offset, nullptr);
    if (!code)
        return 0;
    StepCount count{0, limit};
    pcre2_match_context *context = pcre2_match_context_create(nullptr);
    pcre2_set_callout(context, countStep, &count);
    // The count is the limit here; the engine's own would stop first.
    pcre2_set_match_limit(context, 0xFFFFFFFF);
    pcre2_set_depth_limit(context, 0xFFFFFFFF);
    pcre2_match_data *data = pcre2_match_data_create_from_pattern(code, nullptr);
    const auto subject = reinterpret_cast<PCRE2_SPTR>(text.utf16());
    const PCRE2_SIZE length = PCRE2_SIZE(text.size());
    PCRE2_SIZE at = 0;
    while (at <= length) {
        count.at = at;
        const int rc = pcre2_match(code, subject, length, at, 0, data, context);
        if (rc < 0 || !options.global)
            break;
        const PCRE2_SIZE *ov = pcre2_get_ovector_pointer(data);
        at = ov[1] > ov[0] ? ov[1] : ov[1] + 1;
    }
    pcre2_match_data_free(data);
    pcre2_match_context_free(context);
    pcre2_code_free(code);
    return std::min(count.steps, limit);
}

std::vector<BacktrackCost::Sample> BacktrackCost::measure(QStringView pattern, const RegexOptions &options) const {
    std::vector<Sample> out;
    const auto steps = [&](int n) { return engineSteps(pattern, options, witness(n), kSampleLimit); };
    if (growth == Growth::Exponential) {
        // Sizes one pump apart, up to where the count reaches a few hundred thousand steps.
        for (int n = 1; n <= 64; ++n) {
            out.push_back({n, steps(n)});
            if (out.size() > 3)
                out.erase(out.begin());
            if (out.back().steps >= kSampleLimit / 20)
                break;
        }
        return out;
    }
    // Polynomial: the largest size still counted in about a million steps, its half and its quarter.
    const int top = growth == Growth::Polynomial ? std::clamp(int(std::pow(1'000'000.0, 1.0 / degree)), 16, 4096)
                                                 : 4000;
    for (int n : {top / 4, top / 2, top})
        out.push_back({n, steps(n)});
    return out;
}

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

} // namespace rw

namespace rw {

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
    const SyntaxTree tree = SyntaxTree::parse(pattern);
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
                    replacement = open + x + QStringLiteral("+") + y + QStringLiteral(")*") + x + QStringLiteral("*");
                }
            }
        }
        if (replacement.isEmpty())
            continue;
        const QString rewritten = pattern.left(outer.begin).toString() + replacement + pattern.mid(outer.end).toString();
        // Offered only when it is cheaper and matches what the pattern matches.
        const BacktrackCost after = BacktrackCost::analyse(rewritten, options);
        if (after.growth == BacktrackCost::Growth::Exponential || after.growth == BacktrackCost::Growth::Unknown)
            continue;
        const QString samples[] = {cost.witness(6), cost.witness(1), cost.prefix + cost.pump.repeated(3),
                                   QStringLiteral("ab cd ef"), QStringLiteral("a"), QString(),
                                   QStringLiteral("aaa bbb\nccc ddd "), QStringLiteral("12 34 x")};
        if (!std::all_of(std::begin(samples), std::end(samples),
                         [&](const QString &s) { return sameMatches(pattern, rewritten, options, s); }))
            continue;
        return {rewritten, QStringLiteral("%1 可写作 %2, 匹配相同而不会指数级回溯").arg(text(outer), replacement)};
    }
    return {};
}

} // namespace rw
