#include "host/flutter_engine.h"

#include <iostream>
#include <utility>
#include <vector>

#include "channel/log_line.h"

namespace flutter {

FlutterEngine::FlutterEngine(const EngineProject& project) {
  std::vector<const char*> arguments;
  arguments.reserve(project.entry_point_arguments().size());
  for (const std::string& argument : project.entry_point_arguments()) {
    arguments.push_back(argument.c_str());
  }

  FlutterDesktopEngineProperties properties{};
  properties.assets_path = project.assets_path().c_str();
  properties.icu_data_path = project.icu_data_path().c_str();
  properties.aot_library_path = project.aot_library_path().c_str();
  properties.dart_entrypoint = project.entry_point().c_str();
  properties.dart_entrypoint_argc = static_cast<int>(arguments.size());
  properties.dart_entrypoint_argv = arguments.empty() ? nullptr : arguments.data();
  properties.option_word_1 = project.option_word_1();
  properties.option_word_2 = project.option_word_2();

  engine_handle_ = FlutterDesktopEngineCreate(&properties);
  // Without an engine there is no messenger to ask for; the view controller reports the failure.
  FlutterDesktopMessengerRef messenger_handle =
      engine_handle_ != nullptr ? FlutterDesktopEngineGetMessenger(engine_handle_) : nullptr;
  messenger_ = std::make_unique<BinaryMessengerImpl>(messenger_handle);
}

FlutterEngine::~FlutterEngine() {
  if (engine_handle_ != nullptr && owns_engine_) {
    FlutterDesktopEngineDestroy(engine_handle_);
  }
  engine_handle_ = nullptr;
  next_frame_callback_ = nullptr;
  messenger_.reset();
}

BinaryMessenger* FlutterEngine::GetMessenger() { return messenger_.get(); }

FlutterDesktopEngineRef FlutterEngine::HandOverEngine() {
  owns_engine_ = false;
  return engine_handle_;
}

FlutterDesktopPluginRegistrarRef FlutterEngine::GetPluginRegistrar(const std::string& plugin_name) {
  if (engine_handle_ == nullptr) {
    std::cerr << "Cannot get plugin registrar on an engine that isn't running; call Run first."
              << std::endl;
    return nullptr;
  }
  return FlutterDesktopEngineGetPluginRegistrar(engine_handle_, plugin_name.c_str());
}

void FlutterEngine::ReloadSystemFonts() { FlutterDesktopEngineReloadSystemFonts(engine_handle_); }

void FlutterEngine::SetNextFrameCallback(std::function<void()> callback) {
  next_frame_callback_ = std::move(callback);
  FlutterDesktopEngineSetNextFrameCallback(engine_handle_, &FlutterEngine::OnNextFrame, this);
}

void FlutterEngine::OnNextFrame(void* user_data) {
  auto* engine = static_cast<FlutterEngine*>(user_data);
  // Taken out before it runs, so that it runs once and a callable registered from inside it is
  // kept for the next frame.
  std::function<void()> callback = std::move(engine->next_frame_callback_);
  engine->next_frame_callback_ = nullptr;
  // Nothing may unwind into the engine.
  try {
    if (callback) callback();
  } catch (...) {
    LogLine("The next-frame callback failed.");
  }
}

}  // namespace flutter
