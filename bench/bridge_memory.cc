// 10,000 mixed operations through the printer bridge; the live heap allocations (counted by the
// replaced global operator new and delete) must not grow between the end of a warm-up and the end.
// Under a sanitizer the counting is left to it (LSan reports leaks at exit). Prints one JSON
// object; exits 1 on growth or on a call not answered exactly once. Usage: bridge_memory [OPS]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <thread>

#include "bench/bridge_rig.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUENBREL_COUNT_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUENBREL_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef QUENBREL_COUNT_ALLOCATIONS
#define QUENBREL_COUNT_ALLOCATIONS 1
#endif

namespace {
std::atomic<long> live_allocations{0};
}

#if QUENBREL_COUNT_ALLOCATIONS
void* operator new(std::size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p == nullptr) throw std::bad_alloc();
  ++live_allocations;
  return p;
}
void operator delete(void* p) noexcept {
  if (p == nullptr) return;
  --live_allocations;
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
#endif

namespace {

// Live allocations once the count has held still for 50 ms (workers finishing), at most 2 s.
long SettledLive() {
  long last = live_allocations.load();
  for (int i = 0; i < 40; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const long now = live_allocations.load();
    if (now == last) return now;
    last = now;
  }
  return last;
}

// One operation of each kind in turn; returns the calls made.
int Operation(BridgeRig& rig, int i) {
  switch (i % 8) {
    case 0:
      rig.Call(PlainCall("list"));
      return rig.Complete() ? 1 : 0;
    case 1:
      rig.Call(PrintCall(2048));
      return rig.Complete() ? 1 : 0;
    case 2:
      rig.Call(PrintCall(100, "serial:COM9"));  // no longer installed
      return rig.Complete() ? 1 : 0;
    case 3:
      rig.Call(PlainCall("settings"));
      return 1;
    case 4:
      rig.Call(PlainCall("beep"));
      return 1;
    case 5:
      rig.Call(PlainCall("print"));  // no arguments
      return 1;
    case 6:
      rig.Call(PrintCall(kMaxTicketBytes + 1));
      return 1;
    default:
      rig.Call(PlainCall("list"));
      rig.Call(PlainCall("list"));  // busy
      return rig.Complete() ? 2 : 0;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int ops = argc > 1 ? std::atoi(argv[1]) : 10000;
  long calls = 0;
  long before = 0;
  long after = 0;
  {
    BridgeRig rig;
    for (int i = 0; i < 1000; ++i) calls += Operation(rig, i);
    before = SettledLive();
    for (int i = 0; i < ops; ++i) calls += Operation(rig, i);
    after = SettledLive();
    const bool once = rig.answers.load() == calls;
    std::printf(
        "{\"operations\": %d, \"counted\": %s, \"live_before\": %ld, \"live_after\": %ld, "
        "\"calls\": %ld, \"answers\": %ld}\n",
        ops, QUENBREL_COUNT_ALLOCATIONS ? "true" : "false", before, after, calls,
        rig.answers.load());
    if (!once || after > before) return 1;
  }
  return 0;
}
