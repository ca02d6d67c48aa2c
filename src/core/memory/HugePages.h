#pragma once

#include <cstddef>
#include <memory>

namespace rw {

// Buffers of many megabytes (a text joined for the engine, a file read whole, the offsets of millions of
// matches) are written from end to end right after they are made. Each 4 KB page of fresh memory faults
// on its first write, and on a virtual machine the faults cost several times the writing (a 287 MB copy:
// 1.3 s against 0.07 s). Where the kernel hands out transparent huge pages on request, asking for them
// makes it one fault per 2 MB.

// From this size on a buffer asks for huge pages.
inline constexpr std::size_t kHugePagesFrom = std::size_t(4) << 20;

// Asks for huge pages over the whole 2 MB pages inside [data, data + bytes), for a buffer of at least
// kHugePagesFrom bytes not yet written; a hint, which does nothing where huge pages are not to be had.
void adviseHugePages(void *data, std::size_t bytes);

// std::allocator that asks for huge pages for big allocations (a growing vector's new storage is
// written by the move into it).
template <class T>
struct HugePageAllocator {
    using value_type = T;
    HugePageAllocator() = default;
    template <class U>
    HugePageAllocator(const HugePageAllocator<U> &) noexcept {}
    T *allocate(std::size_t n) {
        T *p = std::allocator<T>().allocate(n);
        adviseHugePages(p, n * sizeof(T));
        return p;
    }
    void deallocate(T *p, std::size_t n) noexcept { std::allocator<T>().deallocate(p, n); }
    template <class U>
    bool operator==(const HugePageAllocator<U> &) const noexcept { return true; }
};

} // namespace rw
