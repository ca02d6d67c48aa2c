// Replacement templates ($$, $&, $`, $', $n, $nn) over matches made up by the input, checked against
// a straightforward expansion written here.
// Input: the group count, the replacement, a zero byte, the subject, a zero byte, then the bytes that
// place the matches and their groups.

#include "FuzzInput.h"

#include "core/regex/Substitution.h"

using namespace rwfuzz;

namespace {

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The expansion of replacement for match i, one marker at a time.
QString expand(const QString &replacement, const QString &subject, const rw::MatchSet &set, qsizetype i) {
    const int groups = set.groupCount();
    QString out;
    for (qsizetype k = 0; k < replacement.size(); ++k) {
        const QChar c = replacement[k];
        const QChar next = k + 1 < replacement.size() ? replacement[k + 1] : QChar();
        if (c != u'$' || next.isNull()) {
            out += c;
        } else if (next == u'$') {
            out += u'$';
            ++k;
        } else if (next == u'&') {
            out += set.text(subject, i, 0);
            ++k;
        } else if (next == u'`') {
            out += QStringView(subject).first(set.start(i, 0));
            ++k;
        } else if (next == u'\'') {
            out += QStringView(subject).sliced(set.end(i, 0));
            ++k;
        } else if (isDigit(next)) {
            const int one = next.unicode() - u'0';
            const bool hasTwo = k + 2 < replacement.size() && isDigit(replacement[k + 2]);
            const int two = hasTwo ? one * 10 + (replacement[k + 2].unicode() - u'0') : 0;
            if (two >= 1 && two <= groups) {
                out += set.text(subject, i, two);
                k += 2;
            } else if (one >= 1 && one <= groups) {
                out += set.text(subject, i, one);
                k += 1;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const int groups = input.byte() % 16;
    const QString replacement = input.text();
    const QString subject = input.text();
    // Each $` or $' copies up to the whole subject per match: keep the product small enough for a fast run.
    if (replacement.size() > 64 || subject.size() > 256)
        return -1;

    // Matches in subject order without overlap; each group inside its match or unset.
    rw::MatchSet set(groups);
    std::vector<std::size_t> ovector(2 * (std::size_t(groups) + 1));
    qsizetype pos = 0;
    while (true) {
        const std::uint8_t gap = input.byte();
        const std::uint8_t length = input.byte();
        if (gap == 0xFF || pos + gap + length % 8 > subject.size())
            break;
        const qsizetype start = pos + gap;
        const qsizetype end = start + length % 8;
        ovector[0] = std::size_t(start);
        ovector[1] = std::size_t(end);
        for (int g = 1; g <= groups; ++g) {
            const std::uint8_t shape = input.byte();
            const qsizetype width = end - start;
            const qsizetype from = start + (width ? (shape & 7) % (width + 1) : 0);
            const qsizetype to = from + (width ? (shape >> 3 & 7) % (end - from + 1) : 0);
            const bool unset = shape >= 0xC0;
            ovector[2 * g] = unset ? ~std::size_t(0) : std::size_t(from);
            ovector[2 * g + 1] = unset ? ~std::size_t(0) : std::size_t(to);
        }
        set.append(ovector.data());
        // An empty match ends the spot it was found at, as the engine's global loop does.
        pos = end > start ? end : end + 1;
        if (pos > subject.size())
            break;
    }

    const rw::Substitution substitution(replacement, groups);
    QString expected;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < set.size(); ++i) {
        expected += QStringView(subject).sliced(copied, set.start(i, 0) - copied);
        expected += expand(replacement, subject, set, i);
        copied = set.end(i, 0);
    }
    expected += QStringView(subject).sliced(copied);
    RW_FUZZ_CHECK(substitution.replace(subject, set) == expected);

    // In two batches, as Replace expands them while the matches come in.
    const qsizetype half = set.size() / 2;
    rw::MatchSet first(groups), second(groups);
    for (qsizetype i = 0; i < set.size(); ++i) {
        for (int g = 0; g <= groups; ++g) {
            ovector[2 * g] = std::size_t(set.start(i, g));
            ovector[2 * g + 1] = std::size_t(set.end(i, g));
        }
        (i < half ? first : second).append(ovector.data());
    }
    QString batched;
    copied = 0;
    substitution.replaceInto(batched, subject, first, copied);
    substitution.replaceInto(batched, subject, second, copied);
    batched += QStringView(subject).sliced(copied);
    RW_FUZZ_CHECK(batched == expected);
    return 0;
}
