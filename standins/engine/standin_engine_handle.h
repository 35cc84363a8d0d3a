// One stand-in engine for a test, destroyed with it, playing the application's side of its
// channels: the test API's C functions as one small C++ class. The engine holds the host to its
// contract by itself (a breach ends the run).
#ifndef QUENBREL_STANDINS_ENGINE_STANDIN_ENGINE_HANDLE_H_
#define QUENBREL_STANDINS_ENGINE_STANDIN_ENGINE_HANDLE_H_

#include <optional>
#include <string>

#include <cstdint>
#include <vector>
#include "standins/engine/standin_engine_test_api.h"

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

  // Sends |message| on |channel| as the application; the id its reply is kept under.
  int64_t Inject(const std::string& channel, const std::vector<uint8_t>& message) const {
    return StandinEngineInjectMessage(engine_, channel.c_str(), message.data(), message.size());
  }
  // The application's reply to message |id|; nothing while there is none.
  std::optional<std::vector<uint8_t>> Reply(int64_t id) const {
    const int64_t size = StandinEngineGetReply(engine_, id, nullptr, 0);
    if (size < 0) return std::nullopt;
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    StandinEngineGetReply(engine_, id, bytes.data(), bytes.size());
    return bytes;
  }

 private:
  FlutterDesktopEngineRef engine_ = nullptr;
};

#endif  // QUENBREL_STANDINS_ENGINE_STANDIN_ENGINE_HANDLE_H_
