// Feeds random sequences of channel messages, worker runs and window messages into the
// "quenbrel/printer" channel of a printer bridge on the bridge harness (real method channel and
// messenger, strict stand-in engine, fake devices, workers run when the input says so). A finding:
// a crash, a sanitizer report, a contract breach (a message answered twice, ...), or a message
// still unanswered once everything has been run and pumped.
#include <cstdio>
#include <cstdlib>

#include "tests/bridge/bridge_harness.h"

namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;

// The input, read front to back a byte at a time (zeros once it is used up), so that seeds are
// easy to write by hand: each step is an operation byte and its operands.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), end_(data + size) {}
  uint8_t Byte() { return data_ < end_ ? *data_++ : 0; }
  bool left() const { return data_ < end_; }
  std::vector<uint8_t> Bytes(size_t count) {
    count = std::min<size_t>(count, end_ - data_);
    data_ += count;
    return std::vector<uint8_t>(data_ - count, data_);
  }

 private:
  const uint8_t* data_;
  const uint8_t* end_;
};

// The arguments of a "print" call: device and bytes present or not, valid or not.
EncodableValue PrintArguments(Input& input) {
  static const char* const kDevices[] = {"serial:COM5", "printer:Caisse 1", "usb:1", "", "serial:"};
  static const size_t kSizes[] = {0, 1, 3, 512, kMaxTicketBytes, kMaxTicketBytes + 1};
  const uint8_t shape = input.Byte();
  if (shape & 64) return EncodableValue(int32_t{7});
  EncodableMap arguments;
  if (shape & 1) arguments["device"] = std::string(kDevices[(shape >> 1) % 5]);
  if (shape & 16) arguments["bytes"] = std::vector<uint8_t>(kSizes[input.Byte() % 6], 0x1B);
  if (shape & 32) arguments["bytes"] = "not bytes";
  return EncodableValue(std::move(arguments));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input input(data, size);
  BridgeHarness h;
  h.machine->devices = {{"printer:Caisse 1", "Caisse 1"}, {"serial:COM5", "COM5"}};
  const std::string failure = "Impossible.";
  for (int step = 0; step < 96 && input.left(); ++step) {
    switch (input.Byte() % 12) {
      case 0:
        h.Call("list");
        break;
      case 1:
        h.Call("print", PrintArguments(input));
        break;
      case 2:
        h.Call("settings");
        break;
      case 3: {  // any method name, "list" and "print" included
        const std::vector<uint8_t> name = input.Bytes(input.Byte() % 17);
        h.Call(std::string(name.begin(), name.end()));
        break;
      }
      case 4:
        h.CallBytes(input.Bytes(input.Byte() % 65));
        break;  // anything, malformed or not
      case 5:
        h.RunWorker();
        break;
      case 6:
        if (!h.machine->queue.empty()) {
          h.bridge->HandleWindowMessage(h.machine->queue.front());
          h.machine->queue.pop_front();
        }
        break;
      case 7:
        h.bridge->HandleWindowMessage(0x0113);
        break;  // WM_TIMER: some other message
      case 8:
        h.machine->list_failure = input.Byte() & 1 ? std::optional(failure) : std::nullopt;
        break;
      case 9:
        h.machine->print_failure = input.Byte() & 1 ? std::optional(failure) : std::nullopt;
        break;
      case 10:
        h.machine->refusals = input.Byte() % 5 - 1;
        break;
      case 11:
        h.threads->refuse = input.Byte() & 1;
        h.shell->answer = input.Byte() & 1 ? 42 : 2;
        h.shell->fails = input.Byte() % 4 == 0;
        break;
    }
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
