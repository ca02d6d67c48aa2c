#pragma once

#include "MatchSet.h"
#include "Pattern.h"

#include <QString>

namespace rw {

// The per-call interface the commands use: one pattern over one source text, then questions about
// the matches. Numbers of matches and submatches start at 1; out-of-range numbers give empty text.
// Belongs to the thread that made it.
class RegexObject final {
public:
    RegexObject() = default;

    // Compiles the expression and collects the matches over source. False when the pattern is rejected
    // (every query then answers 0 or empty). A runaway pattern stops at the engine's limits: Create
    // still returns true, with the matches found so far, and status() says LimitExceeded.
    bool Create(const QString &expression, const QString &source, bool caseSensitive = false,
                bool multiline = true, bool global = true);
    QString ReplaceText(const QString &replacement);
    int MatchCount() const;
    QString MatchText(int i) const;
    QString SubMatchText(int i, int j) const;
    int SubMatchCount() const;

    MatchStatus status() const { return m_status; }
    const MatchSet &matches() const { return m_matches; }
    const QString &source() const { return m_source; }

private:
    Pattern m_pattern;
    MatchSet m_matches;
    QString m_source;
    MatchStatus m_status = MatchStatus::Rejected;
};

} // namespace rw
