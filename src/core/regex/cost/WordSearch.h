#pragma once

#include "Automaton.h"
#include "CharacterSets.h"

#include <QElapsedTimer>
#include <QString>

#include <array>
#include <cstdint>
#include <span>
#include <unordered_set>
#include <utility>
#include <vector>

namespace rw::cost {

// What the analysis's searches may spend before it says "too large": steps (a step is one move of a
// node looked at) and time. A 200-character pattern needs a small part of it.
constexpr qint64 kMaxSteps = 3'000'000;
constexpr qint64 kMaxMillis = 40;

struct Budget {
    explicit Budget(qint64 maxSteps = kMaxSteps, qint64 maxMillis = kMaxMillis)
        : maxSteps(maxSteps), maxMillis(maxMillis) {
        clock.start();
    }
    // Past the steps, or past the time (read from the clock only every 4096 steps).
    bool over() const { return steps > maxSteps || (steps % 4096 == 0 && clock.elapsed() > maxMillis); }

    qint64 steps = 0;
    qint64 maxSteps;
    qint64 maxMillis;
    QElapsedTimer clock;
};

// N states of the automaton side by side, each reading the same word along a path of its own.
template <std::size_t N> using States = std::array<int, N>;

struct SearchResult {
    enum class End { Found, NotFound, OverBudget };
    End end = End::NotFound;
    QString word; // when Found: the word that leads there, empty when the start itself is the goal
};

namespace detail {

// A node's key in the set of nodes seen: 21 bits a state, far more than kMaxStates needs.
template <std::size_t N> std::uint64_t key(const States<N> &s) {
    static_assert(N >= 1 && N <= 3);
    std::uint64_t k = 0;
    for (int x : s)
        k = (k << 21) | std::uint64_t(x);
    return k;
}

// Hands visit each move of the node `from` (into `to`), member by member, until visit says stop: member
// I moves along one of its edges into a state allowed(I, state) lets it enter, and on a unit that each
// member moved so far takes. Each move looked at (with every member placed) is a step of the budget.
template <std::size_t I, std::size_t N, typename Allowed, typename Visit>
bool forEachMove(const Automaton &a, const Alphabet &abc, const States<N> &from, States<N> &to,
                 Allowed &allowed, Budget &budget, Visit &visit) {
    constexpr bool last = I + 1 == N;
    for (const Edge &e : a.edges[std::size_t(from[I])]) {
        if constexpr (last)
            ++budget.steps;
        to[I] = e.to;
        if (!allowed(I, e.to))
            continue;
        if constexpr (I > 0) {
            if (!abc.meet(std::span<const int>(to.data(), I + 1)))
                continue;
        }
        if constexpr (last) {
            if (visit(std::as_const(to)))
                return true;
        } else if (forEachMove<I + 1>(a, abc, from, to, allowed, budget, visit)) {
            return true;
        }
    }
    return false;
}

} // namespace detail

// Breadth first from start over nodes of N states that move together on one unit at a time (see
// detail::forEachMove), to the first node that passes goal: the start itself, or a node as it is first
// reached. Found gives the shortest word that leads there, for each move a unit all its states take
// (Alphabet::common). A bounded search looks at the budget after each node's moves and ends with
// OverBudget when it is over; an unbounded one only adds its steps to it.
template <std::size_t N, typename Allowed, typename Goal>
SearchResult searchWord(const Automaton &a, const Alphabet &abc, const States<N> &start, Allowed allowed,
                        Goal goal, Budget &budget, bool bounded = true) {
    using End = SearchResult::End;
    if (goal(start))
        return {End::Found, {}};
    struct Reached {
        States<N> states;
        std::size_t parent; // index in `reached` of the node moved from
        char16_t unit;      // the unit of that move
    };
    std::vector<Reached> reached{{start, 0, 0}};
    std::unordered_set<std::uint64_t> seen{detail::key(start)};
    States<N> next{};
    for (std::size_t head = 0; head < reached.size(); ++head) {
        const States<N> from = reached[head].states;
        const auto visit = [&](const States<N> &to) {
            if (!seen.insert(detail::key(to)).second)
                return false;
            reached.push_back({to, head, abc.common(to)});
            return bool(goal(to));
        };
        if (detail::forEachMove<0>(a, abc, from, next, allowed, budget, visit)) {
            QString word;
            for (std::size_t at = reached.size() - 1; at != 0; at = reached[at].parent)
                word.prepend(QChar(reached[at].unit));
            return {End::Found, word};
        }
        if (bounded && budget.over())
            return {End::OverBudget, {}};
    }
    return {End::NotFound, {}};
}

} // namespace rw::cost
