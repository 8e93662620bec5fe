#include "CountingAllocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

// In a file of their own, so that no caller sees new and delete inlined
// together.
namespace {
std::atomic<unsigned long long> g_allocated{0};
}  // namespace

namespace typelane::testing {
unsigned long long AllocatedBytes() { return g_allocated.load(); }
}  // namespace typelane::testing

void* operator new(std::size_t size) {
  g_allocated += size;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
