// Counts the calls of the global operator new in a benchmark program that
// links alloc_counter.cc, to show whether a timed loop allocates.
#ifndef LEXORA_BENCH_ALLOC_COUNTER_H_
#define LEXORA_BENCH_ALLOC_COUNTER_H_

#include <cstdint>

namespace lexora::bench {

// Calls of operator new (any form that ends in the plain one) so far.
std::uint64_t allocation_count();

}  // namespace lexora::bench

#endif  // LEXORA_BENCH_ALLOC_COUNTER_H_
