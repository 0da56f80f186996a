// Counting replacements of the C allocator's entry points and of operator
// new, forwarding to glibc's own allocator (__libc_*), so that an allocation
// made anywhere in the process, by malloc or by new, is seen.
#include "allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* pointer);
}

namespace {
std::atomic<size_t> Allocations{0};

void Count() { Allocations.fetch_add(1, std::memory_order_relaxed); }

void* NewOrThrow(size_t size) {
  Count();
  void* pointer = __libc_malloc(size != 0 ? size : 1);
  if (pointer == nullptr) throw std::bad_alloc();
  return pointer;
}

void* AlignedNewOrThrow(size_t size, std::align_val_t alignment) {
  Count();
  void* pointer = __libc_memalign(static_cast<size_t>(alignment), size != 0 ? size : 1);
  if (pointer == nullptr) throw std::bad_alloc();
  return pointer;
}
}  // namespace

size_t AllocationCount() { return Allocations.load(std::memory_order_relaxed); }

extern "C" {
void* malloc(size_t size) {
  Count();
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  Count();
  return __libc_calloc(count, size);
}
void* realloc(void* pointer, size_t size) {
  Count();
  return __libc_realloc(pointer, size);
}
void free(void* pointer) { __libc_free(pointer); }
}

void* operator new(size_t size) { return NewOrThrow(size); }
void* operator new[](size_t size) { return NewOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  Count();
  return __libc_malloc(size != 0 ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  Count();
  return __libc_malloc(size != 0 ? size : 1);
}
void* operator new(size_t size, std::align_val_t alignment) { return AlignedNewOrThrow(size, alignment); }
void* operator new[](size_t size, std::align_val_t alignment) { return AlignedNewOrThrow(size, alignment); }
void operator delete(void* pointer) noexcept { __libc_free(pointer); }
void operator delete[](void* pointer) noexcept { __libc_free(pointer); }
void operator delete(void* pointer, size_t) noexcept { __libc_free(pointer); }
void operator delete[](void* pointer, size_t) noexcept { __libc_free(pointer); }
void operator delete(void* pointer, std::align_val_t) noexcept { __libc_free(pointer); }
void operator delete[](void* pointer, std::align_val_t) noexcept { __libc_free(pointer); }
void operator delete(void* pointer, size_t, std::align_val_t) noexcept { __libc_free(pointer); }
void operator delete[](void* pointer, size_t, std::align_val_t) noexcept { __libc_free(pointer); }
