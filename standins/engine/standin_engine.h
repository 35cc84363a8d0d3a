// Internal records of the stand-in engine library. Shared by its own source files only (and by the
// Windows-only parts that extend it); tests use standin_engine_test_api.h instead.
//
// Locks: each messenger has the mutex that FlutterDesktopMessengerLock takes; each engine has
// |state_mutex| for everything tests and the messenger functions touch. Order: messenger lock
// first, then the state mutex. No callback into the host is ever made with either held, except the
// messenger lock that the host itself took.
#ifndef QUENBREL_STANDINS_ENGINE_STANDIN_ENGINE_H_
#define QUENBREL_STANDINS_ENGINE_STANDIN_ENGINE_H_

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/flutter_windows.h"
#include "standins/engine/standin_engine_test_api.h"

// The response handle of one incoming message: names the reply record it answers.
struct FlutterDesktopMessageResponseHandle {
  int64_t id;
};

// Counted: the engine holds one reference until it ends; AddRef/Release add more. The object
// outlives its engine while references exist; |engine| is null from the moment the engine ends.
struct FlutterDesktopMessenger {
  std::mutex lock;  // what FlutterDesktopMessengerLock takes
  std::atomic<std::thread::id> lock_holder{};
  std::atomic<int> references{1};
  std::atomic<FlutterDesktopEngine*> engine{nullptr};
};

struct FlutterDesktopPluginRegistrar {
  FlutterDesktopEngine* engine;
  std::string plugin_name;
};

namespace standin {

struct Registration {
  FlutterDesktopMessageCallback callback;
  void* user_data;
  std::thread::id thread;  // the thread that registered: messages are delivered on it
};

// What the application got back for one injected message.
struct ReplyRecord {
  std::unique_ptr<FlutterDesktopMessageResponseHandle> handle;
  bool answered = false;
  int responses = 0;           // SendResponse calls naming this message
  std::vector<uint8_t> bytes;  // empty when a driver link took the reply
};

struct QueuedMessage {
  int64_t id;
  std::string channel;
  std::vector<uint8_t> bytes;
};

// A message the host sent to the application.
struct SentMessage {
  std::string channel;
  std::vector<uint8_t> bytes;
  FlutterDesktopBinaryReply reply;  // null when no answer is wanted
  void* user_data;
  bool answered = false;
};

// Copies of the creation record, kept so tests can read them for the engine's lifetime.
struct Creation {
  std::wstring assets_path;
  std::wstring icu_data_path;
  std::wstring aot_library_path;
  std::string dart_entrypoint;
  std::vector<std::string> arguments;
  std::vector<const char*> argument_pointers;
  StandinEngineCreation view;  // points into the fields above
};

}  // namespace standin

struct FlutterDesktopEngine {
  standin::Creation creation;
  FlutterDesktopMessenger* messenger = nullptr;  // one reference, given back when the engine ends

  std::mutex state_mutex;  // guards everything below
  bool shut_down = false;
  bool refuse_sends = false;
  int64_t next_message_id = 1;
  std::map<std::string, standin::Registration> registrations;
  std::map<int64_t, standin::ReplyRecord> replies;
  std::deque<standin::QueuedMessage> queue;
  std::deque<standin::SentMessage> sent;  // deque: element addresses stay valid for tests
  std::map<std::string, std::unique_ptr<FlutterDesktopPluginRegistrar>> registrars;
  FlutterDesktopOnNextFrameCallback next_frame_callback = nullptr;
  void* next_frame_user_data = nullptr;
  int reload_system_fonts_calls = 0;
  int force_redraw_calls = 0;

  // Called (without locks) after a message was queued for another thread; a Windows view can set it
  // to wake its message loop, which then calls StandinEnginePumpMessages.
  std::function<void()> wake_delivery;
  // Called (without locks) with the id and bytes of the host's first response to each message; a
  // Windows view with a driver link sets it to forward replies.
  std::function<void(int64_t id, const std::vector<uint8_t>& bytes)> on_response;
};

struct FlutterDesktopView {
  void* window = nullptr;  // the view's child window, where a Windows view makes one
};

struct FlutterDesktopViewController {
  std::unique_ptr<FlutterDesktopEngine> engine;
  std::unique_ptr<FlutterDesktopView> view;
  int width = 0;
  int height = 0;
};

namespace standin {

// Process-wide bookkeeping.
struct Globals {
  ~Globals();  // ends the refused engines
  std::mutex mutex;
  StandinEngineCounters counters{};
  FlutterDesktopEngine* last_created = nullptr;
  bool refuse_view_controllers = false;
  // Engines taken over by a refused view-controller creation; they end with the process.
  std::vector<std::unique_ptr<FlutterDesktopEngine>> refused_engines;
};
Globals& GetGlobals();

// Ends the engine: the messenger becomes unavailable, registrations and queued messages are
// dropped, and replies still awaited by the host's sends are answered empty so their owners can let
// go. Idempotent. The handle stays valid.
void ShutDown(FlutterDesktopEngine* engine);

// Ends the engine and frees it, giving back its messenger reference.
void Destroy(std::unique_ptr<FlutterDesktopEngine> engine);

// Hands one message to the channel's registered callback, or answers it empty when there is none.
void Deliver(FlutterDesktopEngine* engine, QueuedMessage message);

}  // namespace standin

#endif  // QUENBREL_STANDINS_ENGINE_STANDIN_ENGINE_H_
