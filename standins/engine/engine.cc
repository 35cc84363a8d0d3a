// Engine handles of the stand-in engine library: creation, ending, registrars, the next-frame
// callback, the process services, and the bookkeeping that turns misuse into a breach.
#include <cstdio>
#include <cstdlib>
#include <utility>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "standins/engine/standin_engine.h"

namespace standin {

namespace {

#if defined(_WIN32)
int Duplicate(int descriptor) { return _dup(descriptor); }
void WriteTo(int descriptor, const std::string& text) {
  _write(descriptor, text.data(), static_cast<unsigned>(text.size()));
}
#else
int Duplicate(int descriptor) { return dup(descriptor); }
void WriteTo(int descriptor, const std::string& text) {
  const auto written = write(descriptor, text.data(), text.size());
  static_cast<void>(written);
}
#endif

// Standard error as the process started with it, so that a breach is seen even while a test
// captures the stream.
const int breach_descriptor = Duplicate(2);

}  // namespace

void Breach(const std::string& what) {
  const std::string line = "[stand-in engine] contract breach: " + what + "\n";
  std::fflush(stderr);
  if (breach_descriptor >= 0) {
    WriteTo(breach_descriptor, line);
  } else {
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
  }
  std::_Exit(86);
}

namespace {
thread_local bool in_host_code = false;
}  // namespace

HostCode::HostCode(bool host) : saved_(in_host_code) { in_host_code = host; }
HostCode::~HostCode() { in_host_code = saved_; }
bool HostCode::Current() { return in_host_code; }

std::string Article(const std::string& kind) { return (kind[0] == 'e' ? "an " : "a ") + kind; }

Globals::~Globals() {
  std::vector<std::unique_ptr<FlutterDesktopEngine>> engines = std::move(refused_engines);
  for (std::unique_ptr<FlutterDesktopEngine>& engine : engines) Destroy(std::move(engine));
  std::lock_guard<std::mutex> lock(mutex);
  if (!alive.empty()) Breach(Article(alive.begin()->second) + " never ended");
}

Globals& GetGlobals() {
  static Globals globals;
  return globals;
}

void AddAlive(const void* handle, const char* kind) {
  Globals& globals = GetGlobals();
  std::lock_guard<std::mutex> lock(globals.mutex);
  globals.alive[handle] = kind;
}

void RemoveAlive(const void* handle) {
  Globals& globals = GetGlobals();
  std::lock_guard<std::mutex> lock(globals.mutex);
  globals.alive.erase(handle);
}

void CheckAlive(const void* handle, const char* kind) {
  Globals& globals = GetGlobals();
  std::lock_guard<std::mutex> lock(globals.mutex);
  auto found = globals.alive.find(handle);
  if (found == globals.alive.end() || std::string(found->second) != kind) {
    Breach(handle ? Article(kind) + " used after its end" : std::string("a null ") + kind);
  }
}

void CheckThread(const FlutterDesktopEngine* engine, const char* what) {
  if (std::this_thread::get_id() != engine->thread && !engine->messenger->lockless) {
    Breach(std::string(what) + " from a thread other than the window's thread");
  }
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
  CreationView& view = creation->view;
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

void ShutDown(FlutterDesktopEngine* engine, bool by_host) {
  {
    std::lock_guard<std::mutex> lock(engine->messenger->lock);
    engine->messenger->engine = nullptr;
  }
  std::deque<SentMessage> awaiting;
  {
    std::lock_guard<std::mutex> lock(engine->state_mutex);
    if (engine->shut_down) return;
    if (by_host && !engine->registrations.empty()) {
      Breach("the channel " + engine->registrations.begin()->first +
             " was still registered when its engine ended");
    }
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
  for (const SentMessage& sent : awaiting) {
    CallHost("send reply", [&] { sent.reply(nullptr, 0, sent.user_data); });
  }
}

void Destroy(std::unique_ptr<FlutterDesktopEngine> engine) {
  ShutDown(engine.get(), true);
  RemoveAlive(engine.get());
  for (const auto& registrar : engine->registrars) RemoveAlive(registrar.second.get());
  FlutterDesktopMessengerRelease(engine->messenger);
  engine->messenger = nullptr;
  Globals& globals = GetGlobals();
  std::lock_guard<std::mutex> lock(globals.mutex);
  if (globals.last_created == engine.get()) globals.last_created = nullptr;
}

}  // namespace standin

FlutterDesktopEngineRef FlutterDesktopEngineCreate(
    const FlutterDesktopEngineProperties* engine_properties) {
  if (!engine_properties) standin::Breach("an engine created without a creation record");
  auto engine = std::make_unique<FlutterDesktopEngine>();
  standin::CopyCreation(*engine_properties, &engine->creation);
  engine->messenger = std::make_unique<FlutterDesktopMessenger>().release();  // freed by Release
  engine->messenger->engine = engine.get();
  standin::AddAlive(engine.get(), "engine");
  standin::AddAlive(engine->messenger, "messenger");
  standin::Globals& globals = standin::GetGlobals();
  std::lock_guard<std::mutex> lock(globals.mutex);
  globals.last_created = engine.get();
  return engine.release();  // owned by the caller until FlutterDesktopEngineDestroy
}

bool FlutterDesktopEngineDestroy(FlutterDesktopEngineRef engine) {
  standin::CheckAlive(engine, "engine");
  if (engine->taken_over) standin::Breach("an engine destroyed after a view controller took it");
  standin::Destroy(std::unique_ptr<FlutterDesktopEngine>(engine));
  return true;
}

FlutterDesktopMessengerRef FlutterDesktopEngineGetMessenger(FlutterDesktopEngineRef engine) {
  standin::CheckAlive(engine, "engine");
  return engine->messenger;
}

FlutterDesktopPluginRegistrarRef FlutterDesktopEngineGetPluginRegistrar(
    FlutterDesktopEngineRef engine, const char* plugin_name) {
  standin::CheckAlive(engine, "engine");
  if (!plugin_name) standin::Breach("a registrar asked for without a plug-in name");
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  std::unique_ptr<FlutterDesktopPluginRegistrar>& registrar = engine->registrars[plugin_name];
  if (!registrar) {
    registrar = std::make_unique<FlutterDesktopPluginRegistrar>();
    registrar->engine = engine;
    registrar->plugin_name = plugin_name;
    standin::AddAlive(registrar.get(), "registrar");
  }
  return registrar.get();
}

void FlutterDesktopEngineReloadSystemFonts(FlutterDesktopEngineRef engine) {
  standin::CheckAlive(engine, "engine");
  std::function<void(const std::string&)> tell;
  {
    std::lock_guard<std::mutex> lock(engine->state_mutex);
    tell = engine->on_event;
  }
  if (tell) tell("fonts");
}

void FlutterDesktopEngineSetNextFrameCallback(FlutterDesktopEngineRef engine,
                                              FlutterDesktopOnNextFrameCallback callback,
                                              void* user_data) {
  standin::CheckAlive(engine, "engine");
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  engine->next_frame_callback = callback;
  engine->next_frame_user_data = user_data;
}

void FlutterDesktopResyncOutputStreams(void) {}
