// The owning wrapper around one engine of the engine library: creates it from a project, owns its
// binary messenger, hands out plug-in registrars and carries the one-shot next-frame callable.
// Owner: shared, in practice held only by the view controller that takes the engine over. Thread:
// the window's thread. Never ends an engine it has handed over; that engine ends with its view
// controller.
#ifndef QUENBREL_HOST_FLUTTER_ENGINE_H_
#define QUENBREL_HOST_FLUTTER_ENGINE_H_

#include <functional>
#include <memory>
#include <string>

#include "channel/binary_messenger.h"
#include "channel/binary_messenger_impl.h"
#include "host/engine_project.h"
#include "host/plugin_registry.h"
#include "outside/flutter_windows.h"

namespace flutter {

class FlutterEngine : public PluginRegistry {
 public:
  // Creates the engine from |project|, which is not kept.
  explicit FlutterEngine(const EngineProject& project);
  // Ends the engine if it still owns it, then the next-frame callable, then the messenger.
  ~FlutterEngine() override;

  FlutterEngine(const FlutterEngine&) = delete;
  FlutterEngine& operator=(const FlutterEngine&) = delete;

  // The engine's messenger; lives as long as this wrapper.
  BinaryMessenger* GetMessenger();

  // Gives up ownership of the engine handle and returns it; the handle stays usable here.
  FlutterDesktopEngineRef HandOverEngine();

  // The registrar for |plugin_name|; null, with one line on standard error, when there is no
  // engine.
  FlutterDesktopPluginRegistrarRef GetPluginRegistrar(const std::string& plugin_name) override;

  // Makes the engine re-read the system fonts.
  void ReloadSystemFonts();

  // Runs |callback| once, when the engine has produced its next frame. Replaces any callable
  // registered before.
  void SetNextFrameCallback(std::function<void()> callback);

 private:
  // The engine library's next-frame callback; |user_data| is the wrapper.
  static void OnNextFrame(void* user_data);

  FlutterDesktopEngineRef engine_handle_ = nullptr;
  std::unique_ptr<BinaryMessengerImpl> messenger_;
  bool owns_engine_ = true;
  std::function<void()> next_frame_callback_;
};

}  // namespace flutter

#endif  // QUENBREL_HOST_FLUTTER_ENGINE_H_
