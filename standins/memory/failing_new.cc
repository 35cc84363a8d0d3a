#include "standins/memory/failing_new.h"

#include <cstdlib>
#include <new>

#include "standins/engine/standin_engine_test_api.h"

namespace {

thread_local long countdown = 0;
thread_local bool failed = false;

// The memory for |size| bytes; null for the allocation named last, or when there is none left.
void* TryAllocate(std::size_t size) noexcept {
  if (countdown > 0 && StandinEngineInHostCode() && --countdown == 0) {
    failed = true;
    return nullptr;
  }
  return std::malloc(size == 0 ? 1 : size);
}

void* Allocate(std::size_t size) {
  if (void* memory = TryAllocate(size)) return memory;
  throw std::bad_alloc();
}

}  // namespace

namespace quenbrel_test {

void FailHostAllocation(long n) {
  countdown = n;
  failed = false;
}

bool HostAllocationFailed() { return failed; }

}  // namespace quenbrel_test

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return TryAllocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return TryAllocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
