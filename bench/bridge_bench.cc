// How long HandleMethodCall holds the window's thread to accept a 65,536-byte "print" (checks,
// copy, worker start), against the bare minimum of that work: copying the bytes into a new thread.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "bench/bridge_rig.h"

namespace {

using Clock = std::chrono::steady_clock;

void BM_AcceptPrint(benchmark::State& state) {
  BridgeRig rig;
  const flutter::MethodCall call = PrintCall(kMaxTicketBytes);
  for (auto _ : state) {
    const auto start = Clock::now();
    rig.Call(call);
    const auto end = Clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    if (!rig.Complete()) {
      state.SkipWithError("no completion within 10 s");
      break;
    }
  }
}
BENCHMARK(BM_AcceptPrint)->UseManualTime();

void BM_CopyIntoNewThread(benchmark::State& state) {
  const std::vector<uint8_t> ticket(kMaxTicketBytes, 0x1B);
  for (auto _ : state) {
    std::atomic<bool> done{false};
    const auto start = Clock::now();
    std::thread([copy = ticket, &done] {
      benchmark::DoNotOptimize(copy.data());
      done = true;
    }).detach();
    const auto end = Clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    while (!done) std::this_thread::yield();
  }
}
BENCHMARK(BM_CopyIntoNewThread)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
