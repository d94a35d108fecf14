// Memory running out on demand: this test program's operator new throws
// std::bad_alloc at the allocation chosen.
#pragma once

namespace tamsel::testing {

// Allocation n (0: the next) throws; -1: none does.
void failAllocationAfter(long n);

}  // namespace tamsel::testing
