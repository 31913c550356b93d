// Replaces the global operator new and delete with ones that count allocations while
// gCounting is set. Include it in exactly one source file of a test executable. The
// operators are exported, so a module or library the test loads calls them as well.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace tesk_counting {
inline std::atomic<long> gAllocations{0};
inline std::atomic<bool> gCounting{false};

// malloc, counted; null when out of memory.
inline void* AllocateOrNull(std::size_t size) noexcept
{
  if (gCounting.load(std::memory_order_relaxed))
    gAllocations.fetch_add(1, std::memory_order_relaxed);
  return std::malloc(size ? size : 1);
}

inline void* Allocate(std::size_t size)
{
  void* p = AllocateOrNull(size);
  if (!p)
    throw std::bad_alloc();
  return p;
}
} // namespace tesk_counting

#define TESK_COUNTING_EXPORT __attribute__((visibility("default")))
TESK_COUNTING_EXPORT void* operator new(std::size_t size) { return tesk_counting::Allocate(size); }
TESK_COUNTING_EXPORT void* operator new[](std::size_t size) { return tesk_counting::Allocate(size); }
TESK_COUNTING_EXPORT void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
  return tesk_counting::AllocateOrNull(size);
}
TESK_COUNTING_EXPORT void* operator new[](std::size_t size, const std::nothrow_t& t) noexcept
{
  return operator new(size, t);
}
TESK_COUNTING_EXPORT void operator delete(void* p) noexcept { std::free(p); }
TESK_COUNTING_EXPORT void operator delete[](void* p) noexcept { std::free(p); }
TESK_COUNTING_EXPORT void operator delete(void* p, std::size_t) noexcept { std::free(p); }
TESK_COUNTING_EXPORT void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#undef TESK_COUNTING_EXPORT
