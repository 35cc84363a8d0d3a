// A printer bridge on a real method channel over the stand-in engine, with fakes underneath. The
// test's thread plays the window's thread: it injects calls (delivered on it at once) and pumps
// the fake window queue into the bridge.
#ifndef QUENBREL_TESTS_BRIDGE_BRIDGE_HARNESS_H_
#define QUENBREL_TESTS_BRIDGE_BRIDGE_HARNESS_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "channel/binary_messenger_impl.h"
#include "channel/encodable_value.h"
#include "host/flutter_windows.h"
#include "printer/printer_bridge.h"
#include "tests/bridge/bridge_fakes.h"

using Bytes = std::vector<uint8_t>;

class BridgeHarness {
 public:
  explicit BridgeHarness(PostRetry retry = PostRetry{});
  ~BridgeHarness();

  // Injects a call as the application would; returns its id for Reply.
  int64_t Call(const std::string& method);
  int64_t Call(const std::string& method, const flutter::EncodableValue& arguments);
  int64_t CallBytes(const Bytes& message);

  // The reply the application got for |id|, or nothing while it has none.
  std::optional<Bytes> Reply(int64_t id);
  // How many responses the host sent for |id|.
  int Responses(int64_t id);

  // Hands posted messages to the bridge until |id| has a reply, waiting at most |bound| in all.
  // With |nudge|, a quiet queue is offered some other window message, as a real window gets.
  // False if |id| still has no reply.
  bool PumpUntilAnswered(int64_t id, std::chrono::milliseconds bound = std::chrono::seconds(10),
                         bool nudge = false);

  void DestroyBridge() { bridge.reset(); }

  static inline const WindowHandle kWindow = reinterpret_cast<WindowHandle>(0x5A5A0);

  std::shared_ptr<FakeWindowQueue> queue = std::make_shared<FakeWindowQueue>();
  std::shared_ptr<FakePrinterServices> devices = std::make_shared<FakePrinterServices>();
  FakeShell* shell = nullptr;            // owned by the bridge
  FakeThreadStarter* threads = nullptr;  // owned by the bridge
  std::unique_ptr<PrinterBridge> bridge;

 private:
  FlutterDesktopEngineRef engine_ = nullptr;
  std::unique_ptr<flutter::BinaryMessengerImpl> messenger_;
};

// Expected reply envelopes, spelled out byte by byte (every text here is under 254 bytes).
Bytes StringValue(const std::string& text);
Bytes SuccessNull();
Bytes ErrorReply(const std::string& code, const std::string& message);
Bytes ListReply(const std::vector<PrinterDevice>& devices);

#endif  // QUENBREL_TESTS_BRIDGE_BRIDGE_HARNESS_H_
