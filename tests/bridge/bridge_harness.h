// A printer bridge on a real method channel over the stand-in engine, with fakes underneath: a
// window queue the test pumps, a shell, a thread starter that can refuse, and devices whose listing
// and printing can fail, wait or be slow. The test's thread plays the window's thread: it injects
// calls (delivered on it at once) and pumps the fake window queue into the bridge.
#ifndef QUENBREL_TESTS_BRIDGE_BRIDGE_HARNESS_H_
#define QUENBREL_TESTS_BRIDGE_BRIDGE_HARNESS_H_

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "channel/binary_messenger_impl.h"
#include "channel/encodable_value.h"
#include "channel/method_call.h"
#include "channel/standard_method_codec.h"
#include "host/flutter_windows.h"
#include "printer/printer_bridge.h"
#include "standins/engine/standin_engine_test_api.h"
#include "tests/messenger/standin_engine_handle.h"

using std::chrono::milliseconds;

// Reply envelopes spelled out byte by byte (every text here is under 254 bytes: one size byte).
inline Bytes StringValue(const std::string& text) {
  // Sized first: GCC 12 at -O3 misreads an insert after a braced initialiser as out of bounds.
  Bytes bytes(2 + text.size());
  bytes[0] = 0x07;
  bytes[1] = static_cast<uint8_t>(text.size());
  std::copy(text.begin(), text.end(), bytes.begin() + 2);
  return bytes;
}
inline Bytes SuccessNull() { return {0x00, 0x00}; }
inline Bytes ErrorReply(const std::string& code, const std::string& message) {
  Bytes bytes{0x01};
  for (const Bytes& part : {StringValue(code), StringValue(message), Bytes{0x00}}) {
    bytes.insert(bytes.end(), part.begin(), part.end());
  }
  return bytes;
}
inline Bytes ListReply(const std::vector<PrinterDevice>& devices) {
  Bytes bytes{0x00, 0x0C, static_cast<uint8_t>(devices.size())};
  for (const PrinterDevice& device : devices) {
    bytes.insert(bytes.end(), {0x0D, 0x03});
    for (const std::string& text : {std::string("id"), device.id, std::string("name"), device.name,
                                    std::string("transport"), std::string("windows")}) {
      Bytes value = StringValue(text);
      bytes.insert(bytes.end(), value.begin(), value.end());
    }
  }
  return bytes;
}

// The window's message queue. Workers post into it; the test thread takes messages out.
class FakeWindowQueue : public WindowPoster {
 public:
  bool Post(WindowHandle window, unsigned int message) override {
    std::lock_guard<std::mutex> lock(mutex_);
    ++attempts_;
    changed_.notify_all();
    if (refuse_ != 0) {
      if (refuse_ > 0) --refuse_;
      return false;
    }
    queue_.push_back(message);
    windows_.push_back(window);
    return true;
  }
  // Waits at most |bound| for a posted message and takes it.
  std::optional<unsigned int> Take(milliseconds bound) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!changed_.wait_for(lock, bound, [this] { return !queue_.empty(); })) return std::nullopt;
    unsigned int message = queue_.front();
    queue_.pop_front();
    return message;
  }
  // Waits at most |bound| until |count| posts have been attempted (refused ones included).
  bool WaitForAttempts(int count, milliseconds bound) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, bound, [&] { return attempts_ >= count; });
  }
  void RefuseNext(int count) {  // refuse the next |count| posts; -1: all
    std::lock_guard<std::mutex> lock(mutex_);
    refuse_ = count;
  }
  int attempts() {
    std::lock_guard<std::mutex> lock(mutex_);
    return attempts_;
  }
  size_t queued() {  // posted and not yet taken
    std::lock_guard<std::mutex> lock(mutex_);
    return queue_.size();
  }
  std::vector<WindowHandle> windows() {  // the window of each accepted post
    std::lock_guard<std::mutex> lock(mutex_);
    return windows_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<unsigned int> queue_;
  std::vector<WindowHandle> windows_;
  int refuse_ = 0;
  int attempts_ = 0;
};

using ShellCall = std::tuple<WindowHandle, std::wstring, std::wstring>;  // owner, verb, file

class FakeShell : public Shell {
 public:
  std::intptr_t Execute(WindowHandle owner, const wchar_t* verb, const wchar_t* file) override {
    calls.push_back({owner, verb, file});
    return answer;
  }
  std::intptr_t answer = 42;
  std::vector<ShellCall> calls;
};

// Real detached threads, unless told to refuse; with |hold|, each worker is kept until RunOne
// (or run inside StartDetached when |immediate|), so that a run is deterministic.
class FakeThreadStarter : public ThreadStarter {
 public:
  void StartDetached(std::function<void()> body) override {
    if (refuse)
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    ++started;
    if (!hold) {
      std::thread(std::move(body)).detach();
    } else if (immediate) {
      body();
    } else {
      waiting.push_back(std::move(body));
    }
  }
  // Runs the oldest held worker, here or on a thread joined before returning.
  bool RunOne(bool on_thread) {
    if (waiting.empty()) return false;
    std::function<void()> body = std::move(waiting.front());
    waiting.pop_front();
    on_thread ? std::thread(std::move(body)).join() : body();
    return true;
  }
  bool refuse = false, hold = false, immediate = false;  // window's thread only
  int started = 0;
  std::deque<std::function<void()>> waiting;
};

struct PrintRecord {
  std::string id;
  std::vector<uint8_t> bytes;
  bool serial;
  bool operator==(const PrintRecord& o) const {
    return id == o.id && bytes == o.bytes && serial == o.serial;
  }
};

// Devices whose behaviour the test sets. Thread-safe: workers call it while the test reads it.
class FakePrinterServices : public PrinterServices {
 public:
  std::vector<PrinterDevice> ListDevices() override {
    std::this_thread::sleep_for(Locked(delay_));
    std::lock_guard<std::mutex> lock(mutex_);
    if (!list_failure_.empty()) throw std::runtime_error(list_failure_);
    return devices_;
  }
  void PrintToSerialPort(const std::string& id, const std::vector<uint8_t>& bytes) override {
    Print(id, bytes, true);
  }
  void PrintToWindowsPrinter(const std::string& id, const std::vector<uint8_t>& bytes) override {
    Print(id, bytes, false);
  }

  void SetDevices(std::vector<PrinterDevice> devices) { Set(devices_, std::move(devices)); }
  void FailListing(std::string message) { Set(list_failure_, std::move(message)); }  // "": works
  void FailPrinting(std::string message) { Set(print_failure_, std::move(message)); }
  void SetDelay(milliseconds delay) { Set(delay_, delay); }
  void HoldPrints(bool hold) { Set(hold_, hold); }  // while held, a print waits (at most 10 s)
  // Waits at most |bound| until |count| prints have entered the transport.
  bool WaitForEntered(int count, milliseconds bound) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, bound, [&] { return entered_ >= count; });
  }
  std::vector<PrintRecord> printed() { return Locked(printed_); }

 private:
  void Print(const std::string& id, const std::vector<uint8_t>& bytes, bool serial) {
    std::unique_lock<std::mutex> lock(mutex_);
    ++entered_;
    changed_.notify_all();
    changed_.wait_for(lock, std::chrono::seconds(10), [this] { return !hold_; });
    if (!print_failure_.empty()) throw std::runtime_error(print_failure_);
    printed_.push_back({id, bytes, serial});
  }
  template <typename T>
  void Set(T& field, T value) {
    std::lock_guard<std::mutex> lock(mutex_);
    field = std::move(value);
    changed_.notify_all();
  }
  template <typename T>
  T Locked(const T& field) {
    std::lock_guard<std::mutex> lock(mutex_);
    return field;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<PrinterDevice> devices_;
  std::string list_failure_;
  std::string print_failure_;
  milliseconds delay_{0};
  bool hold_ = false;
  int entered_ = 0;
  std::vector<PrintRecord> printed_;
};

class BridgeHarness {
  StandinEngineHandle engine_;  // outlives the messenger, which outlives the bridge
  flutter::BinaryMessengerImpl messenger_{engine_.messenger()};

 public:
  explicit BridgeHarness(PostRetry retry = PostRetry{}) {
    auto owned_shell = std::make_unique<FakeShell>();
    auto owned_threads = std::make_unique<FakeThreadStarter>();
    shell = owned_shell.get();
    threads = owned_threads.get();
    bridge = std::make_unique<PrinterBridge>(
        &messenger_, kWindow,
        BridgePlatform{queue, std::move(owned_shell), std::move(owned_threads), devices, retry});
  }

  // Injects a call as the application would; returns its id for Reply.
  int64_t Call(const std::string& method,
               std::optional<flutter::EncodableValue> arguments = std::nullopt) {
    std::unique_ptr<flutter::EncodableValue> owned;
    if (arguments) owned = std::make_unique<flutter::EncodableValue>(std::move(*arguments));
    return CallBytes(*flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(
        flutter::MethodCall(method, std::move(owned))));
  }
  int64_t CallBytes(const Bytes& message) {
    return ids.emplace_back(engine_.Inject("quenbrel/printer", message));
  }
  // The reply the application got for |id|, or nothing while it has none.
  std::optional<Bytes> Reply(int64_t id) { return engine_.Reply(id); }
  // How many responses the host sent for |id|.
  int Responses(int64_t id) { return StandinEngineResponseCalls(engine_.engine(), id); }

  // Hands posted messages to the bridge until |id| has a reply, waiting at most |bound| in all.
  // With |nudge|, a quiet queue is offered some other window message, as a real window gets.
  bool PumpUntilAnswered(int64_t id, milliseconds bound = milliseconds(10000), bool nudge = false) {
    auto deadline = std::chrono::steady_clock::now() + bound;
    while (!Reply(id)) {
      auto left =
          std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      std::optional<unsigned int> message =
          queue->Take(nudge ? std::min(left, milliseconds(20)) : left);
      if (!message && nudge) message = 0x0113;  // WM_TIMER
      if (message && bridge) bridge->HandleWindowMessage(*message);
    }
    return true;
  }

  static inline const WindowHandle kWindow = reinterpret_cast<WindowHandle>(0x5A5A0);

  std::shared_ptr<FakeWindowQueue> queue = std::make_shared<FakeWindowQueue>();
  std::shared_ptr<FakePrinterServices> devices = std::make_shared<FakePrinterServices>();
  FakeShell* shell = nullptr;            // owned by the bridge
  FakeThreadStarter* threads = nullptr;  // owned by the bridge
  std::unique_ptr<PrinterBridge> bridge;
  std::vector<int64_t> ids;  // of every call injected, in order
};

#endif  // QUENBREL_TESTS_BRIDGE_BRIDGE_HARNESS_H_
