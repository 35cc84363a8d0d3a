// Feeds random sequences of channel messages, worker runs and window messages into the
// "quenbrel/printer" channel of a printer bridge on the bridge harness (real method channel and
// messenger, strict stand-in engine, fake devices, workers run when the input says so). A finding:
// a crash, a sanitizer report, a contract breach (a message answered twice, ...), or a message
// still unanswered once everything has been run and pumped.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "tests/bridge/bridge_harness.h"

namespace {

// The arguments of a "print" call: device and bytes present or not, valid or not.
flutter::EncodableValue PrintArguments(FuzzedDataProvider& input) {
  static const char* const kDevices[] = {"serial:COM5", "printer:Caisse 1", "usb:1", "", "serial:"};
  static const size_t kSizes[] = {0, 1, 3, 512, kMaxTicketBytes, kMaxTicketBytes + 1};
  if (input.ConsumeBool()) return flutter::EncodableValue(int32_t{7});
  flutter::EncodableMap arguments;
  if (input.ConsumeBool()) arguments["device"] = std::string(input.PickValueInArray(kDevices));
  if (input.ConsumeBool()) {
    arguments["bytes"] = std::vector<uint8_t>(input.PickValueInArray(kSizes), 0x1B);
  } else if (input.ConsumeBool()) {
    arguments["bytes"] = "not bytes";
  }
  return flutter::EncodableValue(std::move(arguments));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  BridgeHarness h;
  h.machine->devices = {{"printer:Caisse 1", "Caisse 1"}, {"serial:COM5", "COM5"}};
  const auto failure = [&input] {
    return input.ConsumeBool() ? std::optional<std::string>("Impossible.") : std::nullopt;
  };
  const std::function<void()> steps[] = {
      [&] { h.Call("list"); },
      [&] { h.Call("print", PrintArguments(input)); },
      [&] { h.Call("settings"); },
      [&] { h.Call(input.ConsumeRandomLengthString(16)); },  // "list" and "print" included
      [&] { h.CallBytes(input.ConsumeBytes<uint8_t>(input.ConsumeIntegral<uint8_t>() % 65)); },
      [&] { h.RunWorker(); },
      [&] { h.Pump(); },
      [&] { h.bridge->HandleWindowMessage(0x0113); },  // WM_TIMER: some other message
      [&] { h.machine->list_failure = failure(); },
      [&] { h.machine->print_failure = failure(); },
      [&] { h.machine->refusals = input.ConsumeIntegralInRange(-1, 3); },
      [&] {
        h.threads->refuse = input.ConsumeBool();
        h.shell->answer = input.ConsumeBool() ? 42 : 2;
        h.shell->fails = input.ConsumeIntegralInRange(0, 3) == 0;
      },
  };
  for (int step = 0; step < 96 && input.remaining_bytes() > 0; ++step) {
    input.PickValueInArray(steps)();
  }
  // Every worker finishes and every outcome, posted or not, reaches the bridge.
  h.machine->refusals = 0;
  for (size_t round = 0; round <= h.ids.size(); ++round) {
    while (h.RunWorker(false)) {
    }
    h.Pump();
    h.bridge->HandleWindowMessage(0x0113);
  }
  for (int64_t id : h.ids) {
    if (h.Reply(id) == "none") {
      std::printf("FINDING: message %lld never answered\n", static_cast<long long>(id));
      std::abort();
    }
  }
  return 0;
}
