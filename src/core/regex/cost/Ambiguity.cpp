// The loops of the automaton and the searches for the words they read in more than one way.
#include "Ambiguity.h"

#include <algorithm>

namespace rw::cost {

namespace {

using End = SearchResult::End;

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

} // namespace

Ambiguity::Ambiguity(const Automaton &a, const Alphabet &alphabet) : m_a(a), m_abc(alphabet) {
    m_comp = components(a, &m_count);
    m_members.resize(std::size_t(m_count));
    for (int s = 0; s < int(a.sets.size()); ++s)
        m_members[std::size_t(m_comp[std::size_t(s)])].push_back(s);
    // The budget is for the searches: its clock starts with them.
    m_budget.clock.start();
}

bool Ambiguity::looping(int c) const {
    const auto &m = m_members[std::size_t(c)];
    if (m.size() > 1)
        return true;
    const auto &out = m_a.edges[std::size_t(m.front())];
    return std::any_of(out.begin(), out.end(), [&](const Edge &e) { return e.to == m.front(); });
}

bool Ambiguity::acceptsFreely(int c) const {
    const auto &m = m_members[std::size_t(c)];
    return std::any_of(m.begin(), m.end(), [&](int s) { return m_a.freeAccepting[std::size_t(s)]; });
}

std::pair<int, QString> Ambiguity::ambiguousCycle(int c) {
    // Two edges between the same states: the repetition of a repetition.
    for (int x : members(c)) {
        const auto &out = m_a.edges[std::size_t(x)];
        for (std::size_t i = 0; i < out.size(); ++i) {
            for (std::size_t j = i + 1; j < out.size(); ++j) {
                if (out[i].to == out[j].to && componentOf(out[i].to) == c) {
                    const QString back = path(out[i].to, x, c);
                    return {x, QString(m_abc.common(States<1>{out[i].to})) + back};
                }
            }
        }
    }
    // Two different states reached from one state, on one word, that both come back to it.
    const auto inside = [&](std::size_t, int s) { return componentOf(s) == c; };
    for (int p : members(c)) {
        QString back;
        const auto splitsAndReturns = [&](const States<2> &at) {
            if (at[0] == at[1])
                return false;
            const auto home = [p](const States<2> &s) { return s[0] == p && s[1] == p; };
            // Over budget here is only "no": the search round p looks at the budget itself.
            const SearchResult r = searchWord(m_a, m_abc, at, inside, home, m_budget);
            if (r.end != End::Found)
                return false;
            back = r.word;
            return true;
        };
        const SearchResult there =
            searchWord(m_a, m_abc, States<2>{p, p}, inside, splitsAndReturns, m_budget);
        // The budget is looked at after the moves of the node where the split turned up too.
        if (there.end == End::OverBudget || (there.end == End::Found && m_budget.over())) {
            m_exhausted = true;
            return {-1, {}};
        }
        if (there.end == End::Found)
            return {p, there.word + back};
    }
    return {-1, {}};
}

QString Ambiguity::handOver(int from, int to) {
    // Triples (x, y, z): x goes round from p, y goes from p to q, z goes round from q.
    const auto allowed = [&](std::size_t member, int s) {
        return member == 0 ? componentOf(s) == from : member == 2 ? componentOf(s) == to : true;
    };
    for (int p : members(from)) {
        for (int q : members(to)) {
            const auto handedOver = [p, q](const States<3> &s) { return s == States<3>{p, q, q}; };
            const SearchResult r = searchWord(m_a, m_abc, States<3>{p, p, q}, allowed, handedOver, m_budget);
            if (r.end == End::OverBudget) {
                m_exhausted = true;
                return {};
            }
            if (r.end == End::Found)
                return r.word;
        }
    }
    return {};
}

QString Ambiguity::path(int from, int to, int within) {
    const auto allowed = [&](std::size_t, int s) { return within < 0 || componentOf(s) == within; };
    const auto there = [to](const States<1> &s) { return s[0] == to; };
    // Unbounded: a path is short, and only wanted once the verdict is known.
    return searchWord(m_a, m_abc, States<1>{from}, allowed, there, m_budget, false).word;
}

void Ambiguity::blame(int c, std::vector<int> &out) const {
    for (int s : members(c)) {
        for (const Edge &e : m_a.edges[std::size_t(s)]) {
            if (e.owner >= 0 && componentOf(e.to) == c &&
                std::find(out.begin(), out.end(), e.owner) == out.end())
                out.push_back(e.owner);
        }
    }
}

} // namespace rw::cost
