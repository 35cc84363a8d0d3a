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
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "channel/binary_messenger_impl.h"
#include "channel/encodable_value.h"
#include "channel/method_call.h"
#include "channel/standard_method_codec.h"
#include "printer/printer_bridge.h"
#include "standins/engine/standin_engine_test_api.h"
#include "tests/bridge/bridge_harness.h"

namespace {

using flutter::EncodableMap;
using flutter::EncodableValue;

constexpr unsigned int kTimerMessage = 0x0113;  // WM_TIMER: some other window message
constexpr int kMaxSteps = 96;

// Keeps each worker until the input runs it; or runs it inside StartDetached when |immediate|.
class SteppedThreadStarter : public ThreadStarter {
 public:
  void StartDetached(std::function<void()> body) override {
    if (refuse) throw std::runtime_error("no thread");
    if (immediate) {
      body();
    } else {
      waiting.push_back(std::move(body));
    }
  }
  // Runs the oldest waiting worker, here or on a thread joined before returning.
  bool RunOne(bool on_thread) {
    if (waiting.empty()) return false;
    std::function<void()> body = std::move(waiting.front());
    waiting.pop_front();
    if (on_thread) {
      std::thread(std::move(body)).join();
    } else {
      body();
    }
    return true;
  }
  bool refuse = false;
  bool immediate = false;
  std::deque<std::function<void()>> waiting;
};

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

std::vector<uint8_t> Encode(const std::string& method, std::unique_ptr<EncodableValue> arguments) {
  return *flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(
      flutter::MethodCall(method, std::move(arguments)));
}

std::vector<uint8_t> PrintMessage(Input& input) {
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
  if (shape & 64) return Encode("print", std::make_unique<EncodableValue>(int32_t{7}));
  return Encode("print", std::make_unique<EncodableValue>(std::move(arguments)));
}

class Session {
 public:
  Session() {
    engine_ = CreateTestEngine();
    messenger_ =
        std::make_unique<flutter::BinaryMessengerImpl>(FlutterDesktopEngineGetMessenger(engine_));
    devices->SetDevices({{"printer:Caisse 1", "Caisse 1"}, {"serial:COM5", "COM5"}});
    auto owned_shell = std::make_unique<FakeShell>();
    auto owned_threads = std::make_unique<SteppedThreadStarter>();
    shell = owned_shell.get();
    threads = owned_threads.get();
    // No waiting between refused posts: the input decides how many are refused.
    PostRetry retry{2, std::chrono::milliseconds(0), std::chrono::milliseconds(0)};
    BridgePlatform platform{queue, std::move(owned_shell), std::move(owned_threads), devices,
                            retry};
    bridge = std::make_unique<PrinterBridge>(messenger_.get(), reinterpret_cast<WindowHandle>(1),
                                             std::move(platform));
  }

  ~Session() {
    bridge.reset();
    messenger_.reset();
    FlutterDesktopEngineDestroy(engine_);
  }

  void Send(const std::vector<uint8_t>& message) {
    ids_.push_back(
        StandinEngineInjectMessage(engine_, "quenbrel/printer", message.data(), message.size()));
  }

  void PumpOne() {
    if (std::optional<unsigned int> message = queue->Take(std::chrono::milliseconds(0))) {
      bridge->HandleWindowMessage(*message);
    }
  }

  void CheckNoneTwice() {
    for (int64_t id : ids_) {
      if (StandinEngineResponseCalls(engine_, id) > 1) Finding("answered twice", id);
    }
  }

  // Lets every worker finish and every posted or undelivered outcome reach the bridge, then
  // checks that each message has exactly one answer. Bounded: one worker at most per call.
  void Drain() {
    queue->RefuseNext(0);
    threads->refuse = false;
    for (size_t round = 0; round <= ids_.size() + 2; ++round) {
      threads->RunOne(false);
      while (queue->queued() > 0) PumpOne();
      bridge->HandleWindowMessage(kTimerMessage);
    }
    for (int64_t id : ids_) {
      int responses = StandinEngineResponseCalls(engine_, id);
      if (responses > 1) Finding("answered twice", id);
      if (responses == 0 || StandinEngineGetReply(engine_, id, nullptr, 0) < 0) {
        Finding("never answered", id);
      }
    }
  }

  std::shared_ptr<FakeWindowQueue> queue = std::make_shared<FakeWindowQueue>();
  std::shared_ptr<FakePrinterServices> devices = std::make_shared<FakePrinterServices>();
  FakeShell* shell = nullptr;
  SteppedThreadStarter* threads = nullptr;
  std::unique_ptr<PrinterBridge> bridge;

 private:
  FlutterDesktopEngineRef engine_ = nullptr;
  std::unique_ptr<flutter::BinaryMessengerImpl> messenger_;
  std::vector<int64_t> ids_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Input input(data, size);
  Session session;
  for (int step = 0; step < kMaxSteps && input.left() > 0; ++step) {
    switch (input.Byte() % 13) {
      case 0:
        session.Send(Encode("list", nullptr));
        break;
      case 1:
        session.Send(PrintMessage(input));
        break;
      case 2:
        session.Send(Encode("settings", nullptr));
        break;
      case 3: {  // any method name, "list" and "print" included
        std::vector<uint8_t> name = input.Bytes(input.Byte() % 17);
        session.Send(Encode(std::string(name.begin(), name.end()), nullptr));
        break;
      }
      case 4:  // anything at all, malformed or not
        session.Send(input.Bytes(input.Byte() % 65));
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
