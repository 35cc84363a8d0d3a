// Engine handles of the stand-in engine library: creation, ending, registrars, the next-frame
// callback and the process services.
#include <utility>

#include "standins/engine/standin_engine.h"

namespace standin {

Globals::~Globals() {
  std::vector<std::unique_ptr<FlutterDesktopEngine>> engines = std::move(refused_engines);
  for (std::unique_ptr<FlutterDesktopEngine>& engine : engines) Destroy(std::move(engine));
}

Globals& GetGlobals() {
  static Globals globals;
  return globals;
}

namespace {

void CopyCreation(const FlutterDesktopEngineProperties& properties, Creation* creation) {
  auto wide = [](const wchar_t* text) { return text ? std::wstring(text) : std::wstring(); };
  creation->assets_path = wide(properties.assets_path);
  creation->icu_data_path = wide(properties.icu_data_path);
  creation->aot_library_path = wide(properties.aot_library_path);
  if (properties.dart_entrypoint) creation->dart_entrypoint = properties.dart_entrypoint;
  for (int i = 0; properties.dart_entrypoint_argv && i < properties.dart_entrypoint_argc; ++i) {
    creation->arguments.emplace_back(properties.dart_entrypoint_argv[i]);
  }
  for (const std::string& argument : creation->arguments) {
    creation->argument_pointers.push_back(argument.c_str());
  }
  StandinEngineCreation& view = creation->view;
  view.assets_path = creation->assets_path.c_str();
  view.icu_data_path = creation->icu_data_path.c_str();
  view.aot_library_path = creation->aot_library_path.c_str();
  view.dart_entrypoint = creation->dart_entrypoint.c_str();
  view.dart_entrypoint_was_null = properties.dart_entrypoint == nullptr;
  view.dart_entrypoint_argc = properties.dart_entrypoint_argc;
  view.dart_entrypoint_argv = creation->argument_pointers.data();
  view.dart_entrypoint_argv_was_null = properties.dart_entrypoint_argv == nullptr;
  view.option_word_1 = properties.option_word_1;
  view.option_word_2 = properties.option_word_2;
}

}  // namespace

void ShutDown(FlutterDesktopEngine* engine) {
  {
    std::lock_guard<std::mutex> lock(engine->messenger->lock);
    engine->messenger->engine = nullptr;
  }
  std::deque<SentMessage> awaiting;
  {
    std::lock_guard<std::mutex> lock(engine->state_mutex);
    if (engine->shut_down) return;
    engine->shut_down = true;
    engine->registrations.clear();
    engine->queue.clear();
    engine->next_frame_callback = nullptr;
    for (SentMessage& sent : engine->sent) {
      if (sent.reply && !sent.answered) {
        sent.answered = true;
        awaiting.push_back(sent);
      }
    }
  }
  for (const SentMessage& sent : awaiting) sent.reply(nullptr, 0, sent.user_data);
}

void Destroy(std::unique_ptr<FlutterDesktopEngine> engine) {
  ShutDown(engine.get());
  FlutterDesktopMessengerRelease(engine->messenger);
  engine->messenger = nullptr;
  Globals& globals = GetGlobals();
  std::lock_guard<std::mutex> lock(globals.mutex);
  if (globals.last_created == engine.get()) globals.last_created = nullptr;
}

}  // namespace standin

FlutterDesktopEngineRef FlutterDesktopEngineCreate(
    const FlutterDesktopEngineProperties* engine_properties) {
  if (!engine_properties) return nullptr;
  auto engine = std::make_unique<FlutterDesktopEngine>();
  standin::CopyCreation(*engine_properties, &engine->creation);
  engine->messenger = std::make_unique<FlutterDesktopMessenger>().release();  // freed by Release
  engine->messenger->engine = engine.get();
  standin::Globals& globals = standin::GetGlobals();
  std::lock_guard<std::mutex> lock(globals.mutex);
  ++globals.counters.engines_created;
  globals.last_created = engine.get();
  return engine.release();  // owned by the caller until FlutterDesktopEngineDestroy
}

bool FlutterDesktopEngineDestroy(FlutterDesktopEngineRef engine) {
  {
    standin::Globals& globals = standin::GetGlobals();
    std::lock_guard<std::mutex> lock(globals.mutex);
    ++globals.counters.engine_destroy_calls;
  }
  if (!engine) return false;
  standin::Destroy(std::unique_ptr<FlutterDesktopEngine>(engine));
  return true;
}

FlutterDesktopMessengerRef FlutterDesktopEngineGetMessenger(FlutterDesktopEngineRef engine) {
  return engine ? engine->messenger : nullptr;
}

FlutterDesktopPluginRegistrarRef FlutterDesktopEngineGetPluginRegistrar(
    FlutterDesktopEngineRef engine, const char* plugin_name) {
  if (!engine || !plugin_name) return nullptr;
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  std::unique_ptr<FlutterDesktopPluginRegistrar>& registrar = engine->registrars[plugin_name];
  if (!registrar) {
    registrar = std::make_unique<FlutterDesktopPluginRegistrar>();
    registrar->engine = engine;
    registrar->plugin_name = plugin_name;
  }
  return registrar.get();
}

void FlutterDesktopEngineReloadSystemFonts(FlutterDesktopEngineRef engine) {
  if (!engine) return;
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  ++engine->reload_system_fonts_calls;
}

void FlutterDesktopEngineSetNextFrameCallback(FlutterDesktopEngineRef engine,
                                              FlutterDesktopOnNextFrameCallback callback,
                                              void* user_data) {
  if (!engine) return;
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  engine->next_frame_callback = callback;
  engine->next_frame_user_data = user_data;
}

void FlutterDesktopResyncOutputStreams(void) {
  standin::Globals& globals = standin::GetGlobals();
  std::lock_guard<std::mutex> lock(globals.mutex);
  ++globals.counters.resync_output_streams_calls;
}
