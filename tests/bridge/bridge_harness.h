// A printer bridge on a real method channel over the stand-in engine, with fakes underneath: the
// window queue and the devices (one fake machine, shared with workers), a shell, and a thread
// starter that holds each worker until the test runs it on a thread joined at once, so that every
// run is deterministic. The test's thread plays the window's thread.
#ifndef QUENBREL_TESTS_BRIDGE_BRIDGE_HARNESS_H_
#define QUENBREL_TESTS_BRIDGE_BRIDGE_HARNESS_H_

#include <atomic>
#include <deque>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "channel/binary_messenger_impl.h"
#include "channel/standard_method_codec.h"
#include "printer/printer_bridge.h"
#include "standins/driver/app_messages.h"
#include "standins/engine/standin_engine_handle.h"
#include "tests/test_util.h"

struct PrintRecord {
  std::string id;
  std::vector<uint8_t> bytes;
  bool serial;
  bool operator==(const PrintRecord& o) const {
    return id == o.id && bytes == o.bytes && serial == o.serial;
  }
};

// The window's queue and the devices. Workers use it one at a time; only |posts| and |refusals|
// may be touched while a worker runs on its own.
class FakeMachine : public WindowPoster, public PrinterServices {
 public:
  bool Post(WindowHandle window, unsigned int message) override {
    ++posts;
    if (refusals != 0) {
      if (refusals > 0) --refusals;
      return false;
    }
    queue.push_back(message);
    windows.push_back(window);
    return true;
  }
  std::vector<PrinterDevice> ListDevices() override {
    if (list_failure) throw std::runtime_error(*list_failure);
    return devices;
  }
  void PrintToSerialPort(const std::string& id, const std::vector<uint8_t>& bytes) override {
    Print(id, bytes, true);
  }
  void PrintToWindowsPrinter(const std::string& id, const std::vector<uint8_t>& bytes) override {
    Print(id, bytes, false);
  }

  std::vector<PrinterDevice> devices;
  std::optional<std::string> list_failure, print_failure;  // thrown with this text when set
  std::atomic<int> refusals{0};                            // posts to refuse next; -1: all
  std::atomic<int> posts{0};                               // attempted, refused ones included
  std::deque<unsigned int> queue;
  std::vector<WindowHandle> windows;  // of each accepted post
  std::vector<PrintRecord> printed;

 private:
  void Print(const std::string& id, const std::vector<uint8_t>& bytes, bool serial) {
    if (print_failure) throw std::runtime_error(*print_failure);
    printed.push_back({id, bytes, serial});
  }
};

class FakeShell : public Shell {
 public:
  std::intptr_t Execute(WindowHandle owner, const wchar_t* verb, const wchar_t* file) override {
    calls.emplace_back(owner, verb, file);
    if (fails) throw std::runtime_error("shell");
    return answer;
  }
  std::intptr_t answer = 42;
  bool fails = false;
  std::vector<std::tuple<WindowHandle, std::wstring, std::wstring>> calls;
};

class HeldThreads : public ThreadStarter {
 public:
  void StartDetached(std::function<void()> body) override {
    if (refuse)
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    held.push_back(std::move(body));
  }
  bool refuse = false;
  std::deque<std::function<void()>> held;
};

class BridgeHarness {
  StandinEngineHandle engine_;  // outlives the messenger, which outlives the bridge
  flutter::BinaryMessengerImpl messenger_{engine_.messenger()};

 public:
  explicit BridgeHarness(PostRetry retry = {3, std::chrono::milliseconds(0),
                                            std::chrono::milliseconds(0)}) {
    auto owned_shell = std::make_unique<FakeShell>();
    auto owned_threads = std::make_unique<HeldThreads>();
    shell = owned_shell.get();
    threads = owned_threads.get();
    bridge = std::make_unique<PrinterBridge>(
        &messenger_, kWindow,
        BridgePlatform{machine, std::move(owned_shell), std::move(owned_threads), machine, retry});
  }

  // Injects a call as the application would; its id.
  int64_t Call(const std::string& method, std::optional<flutter::EncodableValue> arguments = {}) {
    auto owned = arguments ? std::make_unique<flutter::EncodableValue>(std::move(*arguments))
                           : std::make_unique<flutter::EncodableValue>();
    return CallBytes(*flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(
        flutter::MethodCall(method, std::move(owned))));
  }
  int64_t CallBytes(const quenbrel_test::Bytes& message) {
    return ids.emplace_back(engine_.Inject("quenbrel/printer", message));
  }
  // The reply to |id| as text ("none" while there is none).
  std::string Reply(int64_t id) {
    const auto reply = engine_.Reply(id);
    return reply ? app::DescribeReply(*reply) : "none";
  }
  // Runs the oldest held worker on a thread of its own, joined at once.
  bool RunWorker() {
    if (threads->held.empty()) return false;
    std::thread(std::move(threads->held.front())).join();
    threads->held.pop_front();
    return true;
  }
  // Hands every posted message to the bridge, oldest first.
  void Pump() {
    for (; !machine->queue.empty(); machine->queue.pop_front()) {
      bridge->HandleWindowMessage(machine->queue.front());
    }
  }
  void Finish() {
    while (RunWorker()) {
    }
    Pump();
  }

  static inline const WindowHandle kWindow = reinterpret_cast<WindowHandle>(0x5A5A0);

  std::shared_ptr<FakeMachine> machine = std::make_shared<FakeMachine>();
  FakeShell* shell = nullptr;      // owned by the bridge
  HeldThreads* threads = nullptr;  // owned by the bridge
  std::unique_ptr<PrinterBridge> bridge;
  std::vector<int64_t> ids;  // of every call injected, in order
};

#endif  // QUENBREL_TESTS_BRIDGE_BRIDGE_HARNESS_H_
