#pragma once

#include <QString>

namespace rw {

// The Chinese reason for a PCRE2 compile error code; PCRE2's own English text for a code the table does
// not hold (better than saying nothing). The translator rejects with the same reasons where its own
// checks meet a PCRE2 error, so one fault reads the same whoever finds it.
QString compileErrorReason(int pcre2ErrorCode);

} // namespace rw
