#include "LongLines.h"

namespace rw {

bool hasLongUnbrokenRun(QStringView text, qsizetype limit) {
    qsizetype run = 0;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > limit)
            return true;
    }
    return false;
}

} // namespace rw
