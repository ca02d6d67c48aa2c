#pragma once

#include <QStringView>

#include <vector>

namespace rw {

// Start positions of keyword in text, scanning from the front and resuming behind each occurrence, so
// occurrences never overlap ("AAA" holds one "AA"). Case-sensitive; an empty keyword has none.
std::vector<qsizetype> findKeywordHits(QStringView text, QStringView keyword);

} // namespace rw
