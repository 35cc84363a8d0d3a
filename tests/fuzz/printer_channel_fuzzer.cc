// Feeds random sequences of channel messages, worker runs and window messages into the
// "quenbrel/printer" channel of a printer bridge, over the real method channel and messenger on
// the stand-in engine, with fake devices and a fake window queue pumped on this thread. Workers run
// when the input says so, on this thread or on a thread joined at once, so every run is
// deterministic. A finding: a crash, a sanitizer report, a message answered twice, or a message
// still unanswered once everything has been pumped.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "channel/encodable_value.h"
#include "printer/printer_bridge.h"
#include "tests/bridge/bridge_harness.h"

namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;

constexpr unsigned int kTimerMessage = 0x0113;  // WM_TIMER: some other window message
constexpr int kMaxSteps = 96;

// The input, read front to back a byte at a time (zeros once it is used up), so that seeds are
// easy to write by hand: each step is an operation byte and its operands.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  bool Bool() { return Byte() & 1; }
  size_t left() const { return size_ - at_; }
  std::vector<uint8_t> Bytes(size_t count) {
    count = std::min(count, left());
    std::vector<uint8_t> bytes(data_ + at_, data_ + at_ + count);
    at_ += count;
    return bytes;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

[[noreturn]] void Finding(const char* what, int64_t id) {
  std::fprintf(stdout, "FINDING: %s (message %lld)\n", what, static_cast<long long>(id));
  std::fflush(stdout);
  std::abort();
}

// The arguments of a "print" call: device and bytes present or not, valid or not.
EncodableValue PrintArguments(Input& input) {
  static const char* const kDevices[] = {"serial:COM5", "printer:Caisse 1", "usb:1", "", "serial:"};
  static const size_t kSizes[] = {0, 1, 3, 512, kMaxTicketBytes, kMaxTicketBytes + 1};
  EncodableMap arguments;
  uint8_t shape = input.Byte();
  if (shape & 1) {
    arguments[EncodableValue("device")] = EncodableValue(std::string(kDevices[(shape >> 1) % 5]));
  }
  if (shape & 16) {
    size_t size = kSizes[input.Byte() % 6];
    arguments[EncodableValue("bytes")] = EncodableValue(std::vector<uint8_t>(size, 0x1B));
  }
  if (shape & 32) arguments[EncodableValue("bytes")] = EncodableValue("not bytes");
  if (shape & 64) return EncodableValue(int32_t{7});
  return EncodableValue(std::move(arguments));
}

// The bridge harness with workers held until the input runs them, and no waiting between refused
// posts: the input decides how many are refused.
class Session : public BridgeHarness {
 public:
  Session() : BridgeHarness(PostRetry{2, milliseconds(0), milliseconds(0)}) {
    devices->SetDevices({{"printer:Caisse 1", "Caisse 1"}, {"serial:COM5", "COM5"}});
    threads->hold = true;
  }

  void PumpOne() {
    if (std::optional<unsigned int> message = queue->Take(milliseconds(0))) {
      bridge->HandleWindowMessage(*message);
    }
  }

  void CheckNoneTwice() {
    for (int64_t id : ids) {
      if (Responses(id) > 1) Finding("answered twice", id);
    }
  }

  // Lets every worker finish and every posted or undelivered outcome reach the bridge, then
  // checks that each message has exactly one answer. Bounded: one worker at most per call.
  void Drain() {
    queue->RefuseNext(0);
    threads->refuse = false;
    for (size_t round = 0; round <= ids.size() + 2; ++round) {
      threads->RunOne(false);
      while (queue->queued() > 0) PumpOne();
      bridge->HandleWindowMessage(kTimerMessage);
    }
    CheckNoneTwice();
    for (int64_t id : ids) {
      if (Responses(id) == 0 || !Reply(id)) Finding("never answered", id);
    }
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input input(data, size);
  Session session;
  for (int step = 0; step < kMaxSteps && input.left() > 0; ++step) {
    switch (input.Byte() % 13) {
      case 0:
        session.Call("list");
        break;
      case 1:
        session.Call("print", PrintArguments(input));
        break;
      case 2:
        session.Call("settings");
        break;
      case 3: {  // any method name, "list" and "print" included
        std::vector<uint8_t> name = input.Bytes(input.Byte() % 17);
        session.Call(std::string(name.begin(), name.end()));
        break;
      }
      case 4:  // anything at all, malformed or not
        session.CallBytes(input.Bytes(input.Byte() % 65));
        break;
      case 5:
        session.threads->RunOne(input.Bool());
        break;
      case 6:
        session.PumpOne();
        break;
      case 7:
        session.bridge->HandleWindowMessage(kTimerMessage);
        break;
      case 8:
        session.devices->FailListing(input.Bool() ? "Liste impossible." : "");
        break;
      case 9:
        session.devices->FailPrinting(input.Bool() ? "Impression impossible." : "");
        break;
      case 10:
        session.queue->RefuseNext(input.Byte() % 5 - 1);
        break;
      case 11:
        session.threads->refuse = input.Bool();
        break;
      case 12:
        session.threads->immediate = input.Bool();
        session.shell->answer = input.Bool() ? 42 : 2;
        break;
    }
    session.CheckNoneTwice();
  }
  session.Drain();
  return 0;
}
