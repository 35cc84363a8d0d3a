// Internal records of the stand-in engine library. Shared by its own source files only (and by the
// Windows-only parts that extend it); tests use standin_engine_test_api.h instead.
//
// The stand-in holds the host to the engine library's contract: every breach writes one line to
// standard error and ends the process at once (exit code 86), so that any test or run in which the
// host breaks the contract fails without asking. Breaches: a handle used after it ended, a second
// response for one message, a response for a message never delivered or after the engine ended, a
// registration, send or response from a thread other than the engine's (the window's) thread, a
// channel still registered when its engine ends, an engine or view controller never ended.
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
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "outside/flutter_windows.h"
#include "standins/engine/standin_engine_test_api.h"

// Counted: the engine holds one reference until it ends; AddRef/Release add more. The object
// outlives its engine while references exist; |engine| is null from the moment the engine ends.
struct FlutterDesktopMessenger {
  std::mutex lock;  // what FlutterDesktopMessengerLock takes
  std::atomic<std::thread::id> lock_holder{};
  std::atomic<int> references{1};
  std::atomic<FlutterDesktopEngine*> engine{nullptr};
  // Set by a test: Lock gives null and responses may come from any thread, as from an engine
  // whose messenger has no lock to offer.
  std::atomic<bool> lockless{false};
};

struct FlutterDesktopPluginRegistrar {
  FlutterDesktopEngine* engine;
  std::string plugin_name;
};

namespace standin {

// Writes "[stand-in engine] contract breach: |what|" to standard error and ends the process.
[[noreturn]] void Breach(const std::string& what);

// While alive, the code running on this thread is the host's (|host| true) or the engine's own; see
// StandinEngineInHostCode.
class HostCode {
 public:
  explicit HostCode(bool host);
  ~HostCode();
  HostCode(const HostCode&) = delete;
  HostCode& operator=(const HostCode&) = delete;
  static bool Current();

 private:
  bool saved_;
};

// Runs |call|, a call of one of the host's callbacks (|what|), as the host's code. The engine
// library is C: an exception unwinding into it is a breach.
template <typename Call>
void CallHost(const char* what, Call&& call) {
  HostCode host(true);
  try {
    call();
  } catch (...) {
    Breach(std::string("an exception unwound into the engine from its ") + what + " callback");
  }
}

struct Registration {
  FlutterDesktopMessageCallback callback;
  void* user_data;
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

// The creation record an engine was made from, as the host passed it.
struct CreationView {
  const wchar_t* assets_path;
  const wchar_t* icu_data_path;
  const wchar_t* aot_library_path;
  const char* dart_entrypoint;  // empty when the host passed null
  bool dart_entrypoint_was_null;
  int dart_entrypoint_argc;
  const char* const* dart_entrypoint_argv;  // copies of the texts, in order
  bool dart_entrypoint_argv_was_null;
  int32_t option_word_1;
  int32_t option_word_2;
};

// Copies of the creation record, kept for the engine's lifetime.
struct Creation {
  std::wstring assets_path;
  std::wstring icu_data_path;
  std::wstring aot_library_path;
  std::string dart_entrypoint;
  std::vector<std::string> arguments;
  std::vector<const char*> argument_pointers;
  CreationView view;  // points into the fields above
};

// The response handle of message |id|: a tagged number, never dereferenced, so that nothing needs
// to be kept for a message once it is answered.
const FlutterDesktopMessageResponseHandle* HandleFor(int64_t id);
int64_t IdOf(const FlutterDesktopMessageResponseHandle* handle);  // 0 when not one of ours

}  // namespace standin

struct FlutterDesktopEngine {
  standin::Creation creation;
  std::thread::id thread = std::this_thread::get_id();  // the window's thread: its creator's
  FlutterDesktopMessenger* messenger = nullptr;  // one reference, given back when the engine ends
  bool taken_over = false;                       // by a view controller, which ends it

  std::mutex state_mutex;  // guards everything below
  bool shut_down = false;
  bool refuse_sends = false;
  int64_t next_message_id = 1;
  std::map<std::string, standin::Registration> registrations;
  std::set<int64_t> awaiting;                       // delivered to the host, not yet answered
  std::map<int64_t, std::vector<uint8_t>> replies;  // kept for tests when no driver takes them
  std::deque<standin::QueuedMessage> queue;         // for the engine's thread
  std::deque<standin::SentMessage> sent;            // deque: element addresses stay valid for tests
  std::map<std::string, std::unique_ptr<FlutterDesktopPluginRegistrar>> registrars;
  FlutterDesktopOnNextFrameCallback next_frame_callback = nullptr;
  void* next_frame_user_data = nullptr;

  // Called (without locks) after a message was queued for the engine's thread; a Windows view sets
  // it to wake its message loop, which then calls StandinEnginePumpMessages.
  std::function<void()> wake_delivery;
  // Called (without locks) with the id and bytes of the host's response to each message; a Windows
  // view with a driver link sets it to forward replies, which are then not kept here.
  std::function<void(int64_t id, const std::vector<uint8_t>& bytes)> on_response;
  // Called (without locks) with what the engine was asked to do that a driver may want to know.
  std::function<void(const std::string& text)> on_event;
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

// Process-wide bookkeeping: every handle alive, so that one used after its end is a breach.
struct Globals {
  ~Globals();  // at process exit: an engine or view controller still alive is a breach
  std::mutex mutex;
  FlutterDesktopEngine* last_created = nullptr;
  std::map<const void*, const char*> alive;  // every live handle and its kind
  // Engines taken over by a refused view-controller creation; they end with the process.
  std::vector<std::unique_ptr<FlutterDesktopEngine>> refused_engines;
};
Globals& GetGlobals();

// |kind| names the handle's kind: "engine", "view controller", "view", "messenger", "registrar".
void AddAlive(const void* handle, const char* kind);
void RemoveAlive(const void* handle);
// Breach unless |handle| is an alive handle of |kind|.
void CheckAlive(const void* handle, const char* kind);
// Breach unless called on |engine|'s thread (any thread for a lockless messenger); |what| names
// the call.
void CheckThread(const FlutterDesktopEngine* engine, const char* what);

// Ends the engine: the messenger becomes unavailable, queued messages are dropped, and replies
// still awaited by the host's sends are answered empty so their owners can let go. When the host
// ends it (|by_host|), a channel still registered is a breach. Idempotent. The handle stays valid.
void ShutDown(FlutterDesktopEngine* engine, bool by_host);

// Ends the engine and frees it, giving back its messenger reference.
void Destroy(std::unique_ptr<FlutterDesktopEngine> engine);

// A new message on |channel| for the host: its id (0 when the engine has ended) and whether a
// callback is registered; when none is, the engine answers it empty itself (no handle is given).
int64_t NewMessage(FlutterDesktopEngine* engine, const std::string& channel, bool* registered);

// Hands one message to the channel's registered callback on the calling thread (the engine's).
void Deliver(FlutterDesktopEngine* engine, QueuedMessage message);

}  // namespace standin

#endif  // QUENBREL_STANDINS_ENGINE_STANDIN_ENGINE_H_
