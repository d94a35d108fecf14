#include "failing_allocation.h"

#include <cstdlib>
#include <new>

namespace {
long failAfter = -1;
}  // namespace

namespace tamsel::testing {

void failAllocationAfter(long n) {
    failAfter = n;
}

}  // namespace tamsel::testing

void* operator new(std::size_t size) {
    if (failAfter == 0) {
        failAfter = -1;
        throw std::bad_alloc();
    }
    if (failAfter > 0) --failAfter;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
