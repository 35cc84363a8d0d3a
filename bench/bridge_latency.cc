// The worst delay that other window-thread work sees while a print runs on the worker: the window's
// thread keeps handling a call and a window message, and the longest such turn is kept. The same
// loop with the bridge idle is the baseline. Prints one JSON object. Usage: bridge_latency
// [SECONDS]
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
  double p999_us = 0;  // 99.9th percentile: the worst with the rare preemptions left out
};

// Runs turns for |length|: the longest and the 99.9th percentile, in microseconds.
Turns TimeTurns(BridgeRig& rig, std::chrono::milliseconds length) {
  const flutter::MethodCall call = PlainCall("beep");
  std::vector<long> histogram(100001);  // by whole microseconds; the last bucket takes the rest
  long turns = 0;
  Clock::duration worst{};
  const auto end = Clock::now() + length;
  while (Clock::now() < end) {
    const auto start = Clock::now();
    rig.Call(call);                           // answered NotImplemented, or "busy" while printing
    rig.bridge->HandleWindowMessage(0x0113);  // some other window message (WM_TIMER)
    const auto turn = Clock::now() - start;
    worst = std::max(worst, turn);
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(turn).count();
    ++histogram[std::min<size_t>(static_cast<size_t>(us), histogram.size() - 1)];
    ++turns;
  }
  Turns result;
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
      "\"p999_us_printing\": %.1f, \"p999_us_idle\": %.1f, \"print_answered\": %s}\n",
      seconds, printing.worst_us, idle.worst_us, printing.p999_us, idle.p999_us,
      answered ? "true" : "false");
  return answered ? 0 : 1;
}
