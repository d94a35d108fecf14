#include "io/page_array.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace tamsel::pages {

namespace {
constexpr std::size_t Small = 4096;
constexpr std::size_t Huge = std::size_t{2} << 20;

void adviseHuge([[maybe_unused]] void* p, [[maybe_unused]] std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
    // Only a hint: where the kernel has no huge pages to give, small ones serve.
    if (bytes >= Huge) ::madvise(p, bytes, MADV_HUGEPAGE);
#endif
}
}  // namespace

std::size_t roundUp(std::size_t bytes) {
    const std::size_t unit = bytes >= Huge ? Huge : Small;
    return (bytes + unit - 1) / unit * unit;
}

void* map(std::size_t bytes) {
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    adviseHuge(p, bytes);
    return p;
}

void* grow(void* p, std::size_t oldBytes, std::size_t bytes) {
#if defined(__linux__)
    void* q = ::mremap(p, oldBytes, bytes, MREMAP_MAYMOVE);
    if (q == MAP_FAILED) throw std::bad_alloc();
    adviseHuge(q, bytes);
    return q;
#else
    void* q = map(bytes);
    std::memcpy(q, p, oldBytes);
    unmap(p, oldBytes);
    return q;
#endif
}

void unmap(void* p, std::size_t bytes) noexcept {
    ::munmap(p, bytes);
}

}  // namespace tamsel::pages
