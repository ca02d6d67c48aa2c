#include "HugePages.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace rw {

void adviseHugePages(void *data, std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (!data || bytes < kHugePagesFrom)
        return;
    constexpr std::uintptr_t huge = std::uintptr_t(2) << 20;
    const auto begin = (reinterpret_cast<std::uintptr_t>(data) + huge - 1) & ~(huge - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(huge - 1);
    if (end > begin)
        madvise(reinterpret_cast<void *>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

} // namespace rw
