// The messenger functions of the stand-in engine library: channel registrations, the host's sends
// (kept for tests), responses (recorded against the message they answer) and counted references.
#include <utility>

#include "standins/engine/standin_engine.h"

void FlutterDesktopMessengerSetCallback(FlutterDesktopMessengerRef messenger, const char* channel,
                                        FlutterDesktopMessageCallback callback, void* user_data) {
  FlutterDesktopEngine* engine = messenger ? messenger->engine.load() : nullptr;
  if (!engine || !channel) return;
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  if (callback) {
    engine->registrations[channel] = {callback, user_data, std::this_thread::get_id()};
  } else {
    engine->registrations.erase(channel);
  }
}

bool FlutterDesktopMessengerSendWithReply(FlutterDesktopMessengerRef messenger, const char* channel,
                                          const uint8_t* message, size_t message_size,
                                          FlutterDesktopBinaryReply reply, void* user_data) {
  FlutterDesktopEngine* engine = messenger ? messenger->engine.load() : nullptr;
  if (!engine || !channel || (!message && message_size > 0)) return false;
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  if (engine->shut_down || engine->refuse_sends) return false;
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
  FlutterDesktopEngine* engine = messenger ? messenger->engine.load() : nullptr;
  if (!engine) {
    standin::Globals& globals = standin::GetGlobals();
    std::lock_guard<std::mutex> lock(globals.mutex);
    ++globals.counters.responses_without_engine;
    return;
  }
  if (messenger->lock_holder.load() != std::this_thread::get_id()) {
    standin::Globals& globals = standin::GetGlobals();
    std::lock_guard<std::mutex> lock(globals.mutex);
    ++globals.counters.responses_without_lock;
  }
  if (!handle) return;
  std::function<void(int64_t, const std::vector<uint8_t>&)> notify;
  std::vector<uint8_t> bytes;
  {
    std::lock_guard<std::mutex> lock(engine->state_mutex);
    auto found = engine->replies.find(handle->id);
    if (found == engine->replies.end()) return;
    standin::ReplyRecord& record = found->second;
    ++record.responses;
    if (record.answered) return;  // the first response stands
    record.answered = true;
    notify = engine->on_response;
    // With a driver link the bytes go to the driver and are not kept: a long run through the
    // driver would otherwise grow the host's memory by every reply it ever sent.
    std::vector<uint8_t>& kept = notify ? bytes : record.bytes;
    if (data && data_length > 0) kept.assign(data, data + data_length);
  }
  if (notify) notify(handle->id, bytes);
}

FlutterDesktopMessengerRef FlutterDesktopMessengerAddRef(FlutterDesktopMessengerRef messenger) {
  if (messenger) messenger->references.fetch_add(1);
  return messenger;
}

void FlutterDesktopMessengerRelease(FlutterDesktopMessengerRef messenger) {
  if (messenger && messenger->references.fetch_sub(1) == 1) {
    std::unique_ptr<FlutterDesktopMessenger> last(messenger);  // the last reference frees it
  }
}

bool FlutterDesktopMessengerIsAvailable(FlutterDesktopMessengerRef messenger) {
  return messenger && messenger->engine.load() != nullptr;
}

FlutterDesktopMessengerRef FlutterDesktopMessengerLock(FlutterDesktopMessengerRef messenger) {
  if (!messenger) return nullptr;
  messenger->lock.lock();
  messenger->lock_holder = std::this_thread::get_id();
  return messenger;
}

void FlutterDesktopMessengerUnlock(FlutterDesktopMessengerRef messenger) {
  if (!messenger) return;
  messenger->lock_holder = std::thread::id();
  messenger->lock.unlock();
}
