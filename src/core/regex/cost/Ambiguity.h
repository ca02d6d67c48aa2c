#pragma once

#include "Automaton.h"
#include "CharacterSets.h"
#include "WordSearch.h"

#include <QString>

#include <utility>
#include <vector>

namespace rw::cost {

// The automaton's loops (its strongly connected components) and the words on which a backtracking
// engine has more than one way through them: round one loop along two paths, or over from one loop into
// the next at any point. All searches share one budget; once it is spent, exhausted() says so and the
// answers so far cannot be trusted.
class Ambiguity {
public:
    Ambiguity(const Automaton &a, const Alphabet &alphabet);

    bool exhausted() const { return m_exhausted; }

    // Components are numbered in reverse topological order.
    int componentCount() const { return m_count; }
    int componentOf(int s) const { return m_comp[std::size_t(s)]; }
    const std::vector<int> &members(int c) const { return m_members[std::size_t(c)]; }
    bool looping(int c) const;
    bool acceptsFreely(int c) const;

    // Two ways round component c on one word: the cycle's word and the state it starts from, or empty.
    std::pair<int, QString> ambiguousCycle(int c);
    // Whether some state of `to` is reached from some state of `from` with a word w that loops at both
    // ends (p -w-> p, p -w-> q, q -w-> q): the word, or empty.
    QString handOver(int from, int to);
    // The shortest word from state `from` to state `to`, through the states of component `within` only
    // when it is not -1.
    QString path(int from, int to, int within = -1);

    // Adds to out the quantifiers whose repetition edges run inside component c.
    void blame(int c, std::vector<int> &out) const;

private:
    const Automaton &m_a;
    const Alphabet &m_abc;
    std::vector<int> m_comp;
    int m_count = 0;
    std::vector<std::vector<int>> m_members;
    Budget m_budget;
    bool m_exhausted = false;
};

} // namespace rw::cost
