#include "GroupColours.h"

#include <array>

namespace rw {

QColor groupColour(int group) {
    // Hues far apart, dark enough for text on white.
    static constexpr std::array<QRgb, 12> kColours{
        0xC0392B, 0x1F6FB2, 0x2E8B3A, 0x8E44AD, 0xC46A00, 0x00838F,
        0xAD1457, 0x5D6D00, 0x3949AB, 0x8D6E63, 0x00897B, 0x6D4C41,
    };
    if (group < 1)
        return QColor(Qt::black);
    return QColor::fromRgb(kColours[std::size_t(group - 1) % kColours.size()]);
}

} // namespace rw
