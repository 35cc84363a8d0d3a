#include "tests/failing_new.h"

#include <cstdlib>
#include <new>

#include "standins/engine/standin_engine_test_api.h"

namespace {

thread_local long countdown = 0;
thread_local bool failed = false;

void* Allocate(std::size_t size) {
  if (countdown > 0 && StandinEngineInHostCode() && --countdown == 0) {
    failed = true;
    throw std::bad_alloc();
  }
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

void* AllocateOrNull(std::size_t size) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
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
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
