// One stand-in engine for a test, ended when the test is done, with helpers that play the
// application's side of its channels.
#ifndef QUENBREL_TESTS_MESSENGER_STANDIN_ENGINE_HANDLE_H_
#define QUENBREL_TESTS_MESSENGER_STANDIN_ENGINE_HANDLE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/flutter_windows.h"
#include "standins/engine/standin_engine_test_api.h"

using Bytes = std::vector<uint8_t>;

class StandinEngineHandle {
 public:
  StandinEngineHandle() {
    FlutterDesktopEngineProperties properties{};
    properties.dart_entrypoint = "";
    engine_ = FlutterDesktopEngineCreate(&properties);
  }
  ~StandinEngineHandle() { Destroy(); }
  StandinEngineHandle(const StandinEngineHandle&) = delete;
  StandinEngineHandle& operator=(const StandinEngineHandle&) = delete;

  FlutterDesktopEngineRef engine() const { return engine_; }
  FlutterDesktopMessengerRef messenger() const { return FlutterDesktopEngineGetMessenger(engine_); }

  void Destroy() {
    if (engine_) FlutterDesktopEngineDestroy(engine_);
    engine_ = nullptr;
  }

  // Sends |message| on |channel| as the application; returns the id its reply is kept under.
  int64_t Inject(const std::string& channel, const Bytes& message) const {
    return StandinEngineInjectMessage(engine_, channel.c_str(), message.data(), message.size());
  }

  // The application's reply to message |id|; nothing while there is none.
  std::optional<Bytes> Reply(int64_t id) const {
    const int64_t size = StandinEngineGetReply(engine_, id, nullptr, 0);
    if (size < 0) return std::nullopt;
    Bytes bytes(static_cast<size_t>(size));
    StandinEngineGetReply(engine_, id, bytes.data(), bytes.size());
    return bytes;
  }

 private:
  FlutterDesktopEngineRef engine_ = nullptr;
};

#endif  // QUENBREL_TESTS_MESSENGER_STANDIN_ENGINE_HANDLE_H_
