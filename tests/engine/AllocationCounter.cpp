#include "AllocationCounter.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <new>

// AddressSanitizer replaces the malloc family itself; replacing it again here would hand its
// memory to glibc's free.
#if defined(__SANITIZE_ADDRESS__)
#define QUELTA_OWN_MALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUELTA_OWN_MALLOC 1
#endif
#endif

extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
void __libc_free(void*);
}

namespace {
std::atomic<bool> Counting{false};
std::atomic<int64_t> Count{0};

void Note() {
    if (Counting.load(std::memory_order_relaxed))
        Count.fetch_add(1, std::memory_order_relaxed);
}
}  // namespace

#ifdef QUELTA_OWN_MALLOC
bool AllocationCounter::Available() { return false; }
#else
bool AllocationCounter::Available() { return true; }
#endif

void AllocationCounter::Start() {
    Count = 0;
    Counting = true;
}

int64_t AllocationCounter::Stop() {
    Counting = false;
    return Count.load();
}

#ifndef QUELTA_OWN_MALLOC
// The malloc family: cv::Mat gets its pixels through cv::fastMalloc (posix_memalign).
extern "C" {
void* malloc(size_t n) {
    Note();
    return __libc_malloc(n);
}
void* calloc(size_t n, size_t size) {
    Note();
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t n) {
    Note();
    return __libc_realloc(p, n);
}
void free(void* p) { __libc_free(p); }
void* memalign(size_t alignment, size_t n) {
    Note();
    return __libc_memalign(alignment, n);
}
void* aligned_alloc(size_t alignment, size_t n) {
    Note();
    return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, size_t alignment, size_t n) {
    Note();
    void* p = __libc_memalign(alignment, n);
    if (p == nullptr)
        return ENOMEM;
    *out = p;
    return 0;
}
}

void* operator new(size_t n) {
    Note();
    if (void* p = __libc_malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { __libc_free(p); }
void operator delete[](void* p) noexcept { __libc_free(p); }
void operator delete(void* p, size_t) noexcept { __libc_free(p); }
void operator delete[](void* p, size_t) noexcept { __libc_free(p); }
#endif
