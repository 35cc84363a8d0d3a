// The worst delay that other window-thread work sees while a print runs on the worker: the window's
// thread keeps handling a call and a window message, and the longest such turn is kept. The same
// loop with the bridge idle is the baseline. A turn also counts without the time the thread spent
// runnable but waiting for a CPU (Linux's per-thread run delay), which is the scheduler's share
// rather than the bridge's: time blocked on the worker still counts. Prints one JSON object.
// Usage: bridge_latency [SECONDS]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bench/bridge_rig.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Turns {
  double worst_us = 0;
  double p999_us = 0;        // 99.9th percentile: the worst with the rare preemptions left out
  double worst_held_us = 0;  // the worst turn less the time it waited for a CPU
};

// Nanoseconds this thread has spent runnable but not running, or 0 where the kernel does not say.
class RunDelay {
 public:
  RunDelay() : fd_(open("/proc/thread-self/schedstat", O_RDONLY)) {}
  ~RunDelay() {
    if (fd_ >= 0) close(fd_);
  }
  RunDelay(const RunDelay&) = delete;
  RunDelay& operator=(const RunDelay&) = delete;
  long long Now() const {
    char text[96] = {};
    long long on_cpu = 0, waiting = 0;
    if (fd_ < 0 || pread(fd_, text, sizeof(text) - 1, 0) <= 0) return 0;
    return std::sscanf(text, "%lld %lld", &on_cpu, &waiting) == 2 ? waiting : 0;
  }

 private:
  int fd_;
};

// Runs turns for |length|: the longest and the 99.9th percentile, in microseconds.
Turns TimeTurns(BridgeRig& rig, std::chrono::milliseconds length) {
  const flutter::MethodCall call = PlainCall("beep");
  std::vector<long> histogram(100001);  // by whole microseconds; the last bucket takes the rest
  long turns = 0;
  Clock::duration worst{};
  const RunDelay run_delay;
  Turns result;
  const auto end = Clock::now() + length;
  while (Clock::now() < end) {
    const long long waited_before = run_delay.Now();
    const auto start = Clock::now();
    rig.Call(call);                           // answered NotImplemented, or "busy" while printing
    rig.bridge->HandleWindowMessage(0x0113);  // some other window message (WM_TIMER)
    const auto turn = Clock::now() - start;
    const double waited_us = static_cast<double>(run_delay.Now() - waited_before) / 1e3;
    result.worst_held_us = std::max(
        result.worst_held_us, std::chrono::duration<double, std::micro>(turn).count() - waited_us);
    worst = std::max(worst, turn);
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(turn).count();
    ++histogram[std::min<size_t>(static_cast<size_t>(us), histogram.size() - 1)];
    ++turns;
  }
  result.worst_us = std::chrono::duration<double, std::micro>(worst).count();
  long seen = 0;
  for (size_t us = 0; us < histogram.size(); ++us) {
    seen += histogram[us];
    if (seen * 1000 >= turns * 999) {
      result.p999_us = static_cast<double>(us + 1);
      break;
    }
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  const auto length = std::chrono::milliseconds(static_cast<long>(seconds * 1000));
  BridgeRig rig;
  const Turns idle = TimeTurns(rig, length);

  rig.SetPrintDelay(length + std::chrono::milliseconds(200));
  rig.Call(PrintCall(kMaxTicketBytes));
  const Turns printing = TimeTurns(rig, length);
  const bool answered = rig.Complete(std::chrono::seconds(30));
  std::printf(
      "{\"seconds\": %.1f, \"worst_us_printing\": %.1f, \"worst_us_idle\": %.1f, "
      "\"p999_us_printing\": %.1f, \"p999_us_idle\": %.1f, \"worst_held_us_printing\": %.1f, "
      "\"worst_held_us_idle\": %.1f, \"print_answered\": %s}\n",
      seconds, printing.worst_us, idle.worst_us, printing.p999_us, idle.p999_us,
      printing.worst_held_us, idle.worst_held_us, answered ? "true" : "false");
  return answered ? 0 : 1;
}
