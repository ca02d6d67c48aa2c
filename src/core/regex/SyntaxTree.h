#pragma once

#include "PatternError.h"

#include <QString>
#include <QStringView>

#include <vector>

namespace rw {

// One piece of a pattern of the scripting component's language, with the range of the pattern it was
// read from. Nodes live in SyntaxTree::nodes and refer to their children by index, so a tree is one
// allocation and a view can keep indices as its item ids.
struct SyntaxNode {
    enum class Kind {
        Alternation,     // branches separated by "|"; children: two or more Sequence nodes
        Sequence,        // terms one after the other; children: the terms (none for an empty branch)
        Group,           // "(...)", "(?:...)", "(?=...)", "(?!...)"; one child: Sequence or Alternation
        Quantifier,      // "*", "+", "?", "{n}", "{n,}", "{n,m}", lazy with a "?"; one child: what it repeats
        Class,           // "[...]" or "[^...]"; children: Literal, Range and ClassEscape nodes
        Range,           // "a-z" inside a class: from `unit` to `last`
        ClassEscape,     // \d \D \w \W \s \S (in or outside a class); `unit` is the letter
        Literal,         // one code unit, written plainly or as any escape that resolves to a unit
        Dot,             // "." : any unit except "\n"
        LineStart,       // "^"
        LineEnd,         // "$"
        WordBoundary,    // "\b" outside a class
        NotWordBoundary, // "\B"
        BackReference,   // "\n" / "\nn" resolved to a group standing before it; `number` is the group
    };
    enum class GroupKind { Capturing, NonCapturing, LookAhead, NegativeLookAhead };
    static constexpr int Unbounded = -1;

    Kind kind = Kind::Sequence;
    qsizetype begin = 0; // the node's text is pattern[begin, end)
    qsizetype end = 0;
    qsizetype opBegin = 0; // Quantifier: where its own text ("*", "{2,3}?") begins; the rest is what it repeats
    std::vector<int> children; // indices into SyntaxTree::nodes, in pattern order

    GroupKind groupKind = GroupKind::Capturing; // Group
    int number = 0;                             // Group (Capturing): its number from 1; BackReference: the group
    int min = 0;                                // Quantifier
    int max = 0;                                // Quantifier: Unbounded for "*", "+", "{n,}"
    bool lazy = false;                          // Quantifier
    bool negated = false;                       // Class: "[^...]"
    char16_t unit = 0; // Literal: the unit; Range: its first unit; ClassEscape: the letter (d, D, w, ...)
    char16_t last = 0; // Range: its last unit
};

// A pattern read once into its syntax tree. The translator to PCRE2, the error reason and place, the
// explanations and the colours of the pattern box all read this tree, so the dialect is read in one place.
struct SyntaxTree {
    std::vector<SyntaxNode> nodes; // every node once, each referenced by exactly one parent (the root by none);
                                   // empty when the pattern is invalid
    int root = -1;                 // the whole pattern: a Sequence or an Alternation; -1 when invalid
    PatternError error;            // the first fault, reason and place; no error when valid
    int captureCount = 0;          // capturing groups in the pattern

    bool isValid() const { return !error.isError(); }
    const SyntaxNode &node(int index) const { return nodes[std::size_t(index)]; }

    // Reads pattern; never fails to return, a malformed pattern gives a tree with its error set.
    static SyntaxTree parse(QStringView pattern);
    // How many patterns this process has parsed so far (each change of the pattern box should add one).
    static quint64 parseCount();

    // Whether the node can match the empty string (a lookahead or anchor counts as empty; a back reference
    // does too, since its group may be empty or unset).
    bool canMatchEmpty(int index) const;

    // A compact one-line text of the subtree at index, for tests and diagnostics, e.g.
    // "seq(group1(alt(seq(lit'a') seq())) quant{0,inf}(dot))".
    QString dump(int index = -1) const; // -1: the root
};

} // namespace rw
