// Huge pages for the process heap, for short runs that fill tens of
// megabytes with small allocations (a dictionary import): each page fault
// then fills 2 MiB instead of 4 KiB, which saves most of the faults (each
// costs microseconds, more on a virtual machine).
#ifndef LEXORA_PLATFORM_HEAP_PAGES_H_
#define LEXORA_PLATFORM_HEAP_PAGES_H_

#include <cstddef>

namespace lexora {

// Grows the heap ahead by `reserve` bytes of address space (no memory is
// used until it is touched) and keeps it grown by that much from then on,
// and advises the system to back the heap with transparent huge pages
// where it offers them. Memory the heap uses rises by at most a huge page
// per region touched. True when the advice was given; false where it does
// not apply (a C library other than glibc, a heap that is not one range,
// memory checkers), which changes nothing. Call on the main thread before
// the work that allocates.
bool advise_huge_heap_pages(std::size_t reserve);

}  // namespace lexora

#endif  // LEXORA_PLATFORM_HEAP_PAGES_H_
