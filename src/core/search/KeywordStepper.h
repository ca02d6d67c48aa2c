#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace rw {

// Find-next through a text for one keyword at a time. A search with a new keyword starts over and needs
// the keyword's occurrences counted (counted()) before its first step; a search with the same keyword
// steps on. Each step finds the next occurrence from one position after the previous hit, so
// overlapping occurrences are each visited though counted once; past the last one the answer stays
// "没有啦" (no wrap to the front) until another keyword comes. Case-sensitive.
class KeywordStepper final {
public:
    struct Hit {
        qsizetype start = 0;
        qsizetype length = 0;
        qsizetype number = 0; // 1-based, in the order of the steps since the keyword came
        qsizetype total = 0;  // the count made when the keyword came, not updated by later edits
    };

    // Takes the keyword of a new search; true when it differs from the last one: the state starts over
    // and counted() must come before the next step().
    bool begin(const QString &keyword);
    // Records how many occurrences the text held when the keyword came.
    void counted(qsizetype total) { m_total = total; }
    // The next hit in text (the text as it is now), or nullopt, with the state unchanged, when there is
    // none after the previous hit or the keyword is empty.
    std::optional<Hit> step(QStringView text);
    // The same for a text the caller searches itself: at is where the keyword first occurs from
    // nextStart() on in the text as it is now, or -1 for nowhere.
    std::optional<Hit> stepTo(qsizetype at);

    const QString &keyword() const { return m_keyword; }
    qsizetype nextStart() const { return m_nextStart; }
    qsizetype hitNumber() const { return m_hit; }
    qsizetype total() const { return m_total; }

    // "一共搜到 N 个 <keyword>", shown after a count that found some; empty when it found none.
    QString countText() const;
    // "搜索结果 n/N" for hit.
    static QString hitText(const Hit &hit);
    // What a step that found nothing says.
    static QString noMoreText();

private:
    QString m_keyword;
    qsizetype m_nextStart = 0;
    qsizetype m_hit = 0;
    qsizetype m_total = 0;
};

} // namespace rw
