#include "tests/bridge/bridge_harness.h"

#include <algorithm>

#include "channel/method_call.h"
#include "channel/standard_method_codec.h"
#include "standins/engine/standin_engine_test_api.h"

BridgeHarness::BridgeHarness(PostRetry retry) {
  FlutterDesktopEngineProperties properties = {};
  properties.assets_path = L"data/flutter_assets";
  properties.icu_data_path = L"data/icudtl.dat";
  properties.aot_library_path = L"data/app.so";
  properties.dart_entrypoint = "";
  engine_ = FlutterDesktopEngineCreate(&properties);
  messenger_ =
      std::make_unique<flutter::BinaryMessengerImpl>(FlutterDesktopEngineGetMessenger(engine_));
  auto owned_shell = std::make_unique<FakeShell>();
  auto owned_threads = std::make_unique<FakeThreadStarter>();
  shell = owned_shell.get();
  threads = owned_threads.get();
  BridgePlatform platform{queue, std::move(owned_shell), std::move(owned_threads), devices, retry};
  bridge = std::make_unique<PrinterBridge>(messenger_.get(), kWindow, std::move(platform));
}

BridgeHarness::~BridgeHarness() {
  bridge.reset();
  messenger_.reset();
  FlutterDesktopEngineDestroy(engine_);
}

int64_t BridgeHarness::Call(const std::string& method) {
  return CallBytes(*flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(
      flutter::MethodCall(method, nullptr)));
}

int64_t BridgeHarness::Call(const std::string& method, const flutter::EncodableValue& arguments) {
  return CallBytes(*flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(
      flutter::MethodCall(method, std::make_unique<flutter::EncodableValue>(arguments))));
}

int64_t BridgeHarness::CallBytes(const Bytes& message) {
  return StandinEngineInjectMessage(engine_, "quenbrel/printer", message.data(), message.size());
}

std::optional<Bytes> BridgeHarness::Reply(int64_t id) {
  int64_t size = StandinEngineGetReply(engine_, id, nullptr, 0);
  if (size < 0) return std::nullopt;
  Bytes reply(static_cast<size_t>(size));
  StandinEngineGetReply(engine_, id, reply.data(), reply.size());
  return reply;
}

int BridgeHarness::Responses(int64_t id) { return StandinEngineResponseCalls(engine_, id); }

bool BridgeHarness::PumpUntilAnswered(int64_t id, std::chrono::milliseconds bound, bool nudge) {
  auto deadline = std::chrono::steady_clock::now() + bound;
  while (!Reply(id)) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    std::optional<unsigned int> message =
        queue->Take(nudge ? std::min(left, std::chrono::milliseconds(20)) : left);
    if (!message && nudge) message = 0x0113;  // WM_TIMER
    if (message && bridge) bridge->HandleWindowMessage(*message);
  }
  return true;
}

Bytes StringValue(const std::string& text) {
  Bytes bytes{0x07, static_cast<uint8_t>(text.size())};
  bytes.insert(bytes.end(), text.begin(), text.end());
  return bytes;
}

Bytes SuccessNull() { return {0x00, 0x00}; }

Bytes ErrorReply(const std::string& code, const std::string& message) {
  Bytes bytes{0x01};
  for (const Bytes& part : {StringValue(code), StringValue(message), Bytes{0x00}}) {
    bytes.insert(bytes.end(), part.begin(), part.end());
  }
  return bytes;
}

Bytes ListReply(const std::vector<PrinterDevice>& devices) {
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
