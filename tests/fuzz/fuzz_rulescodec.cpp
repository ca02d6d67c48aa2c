// The rules file format: whatever a file holds, writing what was read and reading it again gives the
// same rules (those a file can keep), and writing those gives the same text.
// Input: the rules text as UTF-8.

#include "FuzzInput.h"

#include "core/rules/RulesCodec.h"

using namespace rwfuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    FuzzInput input(data, size);
    const QString text = QString::fromUtf8(input.rest());

    const QList<rw::Rule> parsed = rw::parseRules(text);
    const QString written = rw::serializeRules(parsed);
    const QList<rw::Rule> reparsed = rw::parseRules(written);

    // A rule without a name or an expression is not written.
    QList<rw::Rule> kept;
    for (const rw::Rule &rule : parsed) {
        if (!rule.name.isEmpty() && !rule.expression.isEmpty())
            kept.append(rule);
    }
    RW_FUZZ_CHECK(reparsed == kept);
    RW_FUZZ_CHECK(rw::serializeRules(reparsed) == written);
    return 0;
}
