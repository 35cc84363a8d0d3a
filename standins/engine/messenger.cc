// The messenger functions of the stand-in engine library: channel registrations, the host's sends
// (kept for tests), responses (each message answered at most once, on the engine's thread) and
// counted references.
#include <utility>

#include "standins/engine/standin_engine.h"

namespace standin {

namespace {

constexpr uintptr_t kHandleTag = 0x5;  // low bits of every handle: never a real address

// The engine behind |messenger|, checking that the messenger is alive and the engine has not
// ended; |what| names the call for the breach line.
FlutterDesktopEngine* LiveEngine(FlutterDesktopMessengerRef messenger, const char* what) {
  CheckAlive(messenger, "messenger");
  FlutterDesktopEngine* engine = messenger->engine.load();
  if (engine == nullptr) Breach(std::string(what) + " after the engine ended");
  CheckThread(engine, what);
  return engine;
}

}  // namespace

const FlutterDesktopMessageResponseHandle* HandleFor(int64_t id) {
  return reinterpret_cast<const FlutterDesktopMessageResponseHandle*>(
      (static_cast<uintptr_t>(id) << 4) | kHandleTag);
}

int64_t IdOf(const FlutterDesktopMessageResponseHandle* handle) {
  const auto bits = reinterpret_cast<uintptr_t>(handle);
  return (bits & 0xF) == kHandleTag ? static_cast<int64_t>(bits >> 4) : 0;
}

}  // namespace standin

void FlutterDesktopMessengerSetCallback(FlutterDesktopMessengerRef messenger, const char* channel,
                                        FlutterDesktopMessageCallback callback, void* user_data) {
  standin::HostCode engine_code(false);
  FlutterDesktopEngine* engine = standin::LiveEngine(messenger, "a channel registration");
  if (!channel) standin::Breach("a channel registration without a channel name");
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  if (callback) {
    engine->registrations[channel] = {callback, user_data};
  } else {
    engine->registrations.erase(channel);
  }
}

bool FlutterDesktopMessengerSendWithReply(FlutterDesktopMessengerRef messenger, const char* channel,
                                          const uint8_t* message, size_t message_size,
                                          FlutterDesktopBinaryReply reply, void* user_data) {
  standin::HostCode engine_code(false);
  FlutterDesktopEngine* engine = standin::LiveEngine(messenger, "a send");
  if (!channel || (!message && message_size > 0)) standin::Breach("a send without its bytes");
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  if (engine->refuse_sends) return false;
  standin::SentMessage sent;
  sent.channel = channel;
  if (message_size > 0) sent.bytes.assign(message, message + message_size);
  sent.reply = reply;
  sent.user_data = reply ? user_data : nullptr;
  engine->sent.push_back(std::move(sent));
  return true;
}

bool FlutterDesktopMessengerSend(FlutterDesktopMessengerRef messenger, const char* channel,
                                 const uint8_t* message, size_t message_size) {
  return FlutterDesktopMessengerSendWithReply(messenger, channel, message, message_size, nullptr,
                                              nullptr);
}

void FlutterDesktopMessengerSendResponse(FlutterDesktopMessengerRef messenger,
                                         const FlutterDesktopMessageResponseHandle* handle,
                                         const uint8_t* data, size_t data_length) {
  standin::HostCode engine_code(false);
  FlutterDesktopEngine* engine = standin::LiveEngine(messenger, "a response");
  if (messenger->lock_holder.load() != std::this_thread::get_id() && !messenger->lockless) {
    standin::Breach("a response sent without holding the messenger's lock");
  }
  if (!data && data_length > 0) standin::Breach("a response without its bytes");
  const int64_t id = standin::IdOf(handle);
  std::function<void(int64_t, const std::vector<uint8_t>&)> notify;
  std::vector<uint8_t> bytes(data, data + data_length);
  {
    std::lock_guard<std::mutex> lock(engine->state_mutex);
    if (engine->awaiting.erase(id) == 0) {
      standin::Breach(id > 0 && id < engine->next_message_id
                          ? "a second response for one response handle"
                          : "a response for a handle that was never delivered");
    }
    notify = engine->on_response;
    if (!notify) engine->replies[id] = bytes;
  }
  if (notify) notify(id, bytes);
}

FlutterDesktopMessengerRef FlutterDesktopMessengerAddRef(FlutterDesktopMessengerRef messenger) {
  standin::CheckAlive(messenger, "messenger");
  messenger->references.fetch_add(1);
  return messenger;
}

void FlutterDesktopMessengerRelease(FlutterDesktopMessengerRef messenger) {
  standin::CheckAlive(messenger, "messenger");
  if (messenger->references.fetch_sub(1) == 1) {
    standin::RemoveAlive(messenger);
    std::unique_ptr<FlutterDesktopMessenger> last(messenger);  // the last reference frees it
  }
}

bool FlutterDesktopMessengerIsAvailable(FlutterDesktopMessengerRef messenger) {
  standin::CheckAlive(messenger, "messenger");
  return messenger->engine.load() != nullptr;
}

FlutterDesktopMessengerRef FlutterDesktopMessengerLock(FlutterDesktopMessengerRef messenger) {
  standin::CheckAlive(messenger, "messenger");
  if (messenger->lockless) return nullptr;
  messenger->lock.lock();
  messenger->lock_holder = std::this_thread::get_id();
  return messenger;
}

void FlutterDesktopMessengerUnlock(FlutterDesktopMessengerRef messenger) {
  standin::CheckAlive(messenger, "messenger");
  if (messenger->lock_holder.load() != std::this_thread::get_id()) {
    standin::Breach("the messenger unlocked by a thread that does not hold its lock");
  }
  messenger->lock_holder = std::thread::id();
  messenger->lock.unlock();
}
