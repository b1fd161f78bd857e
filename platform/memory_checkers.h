// LEXORA_MEMORY_CHECKED is defined when a memory checker (AddressSanitizer,
// ThreadSanitizer, MemorySanitizer) replaces the C library's allocator:
// code that maps memory itself for speed then leaves it to the checked
// allocator, so that the checker still sees every access.
#ifndef LEXORA_PLATFORM_MEMORY_CHECKERS_H_
#define LEXORA_PLATFORM_MEMORY_CHECKERS_H_

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define LEXORA_MEMORY_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(memory_sanitizer)
#define LEXORA_MEMORY_CHECKED 1
#endif
#endif

#endif  // LEXORA_PLATFORM_MEMORY_CHECKERS_H_
