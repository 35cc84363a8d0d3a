// A printer bridge on a real method channel over the stand-in engine, on the stand-ins of its
// platform (standins/printer/bridge_platform.h): workers are held until the test runs them, so
// that every run is deterministic. The test's thread plays the window's thread.
#ifndef QUENBREL_TESTS_BRIDGE_BRIDGE_HARNESS_H_
#define QUENBREL_TESTS_BRIDGE_BRIDGE_HARNESS_H_

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "channel/binary_messenger_impl.h"
#include "channel/standard_method_codec.h"
#include "printer/printer_bridge.h"
#include "standins/driver/app_messages.h"
#include "standins/engine/standin_engine_handle.h"
#include "standins/printer/bridge_platform.h"
#include "tests/test_util.h"

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
  // Runs the oldest held worker on a thread of its own, joined at once (or on this thread).
  bool RunWorker(bool on_thread = true) {
    if (threads->held.empty()) return false;
    std::function<void()> worker = std::move(threads->held.front());
    threads->held.pop_front();
    on_thread ? std::thread(std::move(worker)).join() : worker();
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
