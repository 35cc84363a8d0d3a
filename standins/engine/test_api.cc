// The test side of the stand-in engine library: playing the application, reading what the host
// passed in, and ending an engine.
#include <algorithm>
#include <cstring>
#include <utility>

#include "standins/engine/standin_engine.h"

namespace standin {

int64_t NewMessage(FlutterDesktopEngine* engine, const std::string& channel, bool* registered) {
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  if (engine->shut_down) return 0;
  *registered = engine->registrations.count(channel) > 0;
  const int64_t id = engine->next_message_id++;
  if (!*registered && !engine->on_response) engine->replies[id] = {};  // answered empty at once
  return id;
}

void Deliver(FlutterDesktopEngine* engine, QueuedMessage message) {
  Registration registration{};
  {
    std::lock_guard<std::mutex> lock(engine->state_mutex);
    if (engine->shut_down) return;
    auto found = engine->registrations.find(message.channel);
    if (found == engine->registrations.end()) {
      if (!engine->on_response) engine->replies[message.id] = {};  // nobody listens any more
      return;
    }
    registration = found->second;
    engine->awaiting.insert(message.id);
  }
  FlutterDesktopMessage record{};
  record.struct_size = sizeof(record);
  record.channel = message.channel.c_str();
  record.message = message.bytes.empty() ? nullptr : message.bytes.data();
  record.message_size = message.bytes.size();
  record.response_handle = HandleFor(message.id);
  CallHost("channel message",
           [&] { registration.callback(engine->messenger, &record, registration.user_data); });
}

}  // namespace standin

FlutterDesktopEngineRef StandinEngineLastCreated(void) {
  standin::Globals& globals = standin::GetGlobals();
  std::lock_guard<std::mutex> lock(globals.mutex);
  return globals.last_created;
}

const char* StandinEngineRegistrarPluginName(FlutterDesktopPluginRegistrarRef registrar) {
  standin::Globals& globals = standin::GetGlobals();
  std::lock_guard<std::mutex> lock(globals.mutex);
  auto found = globals.alive.find(registrar);
  if (found == globals.alive.end() || std::string(found->second) != "registrar") return nullptr;
  return registrar->plugin_name.c_str();
}

int64_t StandinEngineInjectMessage(FlutterDesktopEngineRef engine, const char* channel,
                                   const uint8_t* message, size_t message_size) {
  bool registered = false;
  standin::QueuedMessage queued{standin::NewMessage(engine, channel, &registered), channel, {}};
  if (queued.id == 0 || !registered) return queued.id;
  if (message_size > 0) queued.bytes.assign(message, message + message_size);
  if (std::this_thread::get_id() == engine->thread) {
    const int64_t id = queued.id;
    standin::Deliver(engine, std::move(queued));
    return id;
  }
  std::function<void()> wake;
  {
    std::lock_guard<std::mutex> lock(engine->state_mutex);
    engine->queue.push_back(queued);
    wake = engine->wake_delivery;
  }
  if (wake) wake();
  return queued.id;
}

int StandinEnginePumpMessages(FlutterDesktopEngineRef engine) {
  if (std::this_thread::get_id() != engine->thread) return 0;
  std::deque<standin::QueuedMessage> mine;
  {
    std::lock_guard<std::mutex> lock(engine->state_mutex);
    mine.swap(engine->queue);
  }
  for (standin::QueuedMessage& queued : mine) standin::Deliver(engine, std::move(queued));
  return static_cast<int>(mine.size());
}

int64_t StandinEngineGetReply(FlutterDesktopEngineRef engine, int64_t id, uint8_t* buffer,
                              size_t capacity) {
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  auto found = engine->replies.find(id);
  if (found == engine->replies.end()) return -1;
  const std::vector<uint8_t>& bytes = found->second;
  if (buffer) std::copy_n(bytes.begin(), std::min(capacity, bytes.size()), buffer);
  return static_cast<int64_t>(bytes.size());
}

bool StandinEngineGetRegistration(FlutterDesktopEngineRef engine, const char* channel,
                                  void** user_data) {
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  auto found = engine->registrations.find(channel);
  if (found == engine->registrations.end()) return false;
  if (user_data) *user_data = found->second.user_data;
  return true;
}

size_t StandinEngineSentCount(FlutterDesktopEngineRef engine) {
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  return engine->sent.size();
}

bool StandinEngineGetSent(FlutterDesktopEngineRef engine, size_t index, const char** channel,
                          const uint8_t** message, size_t* message_size, bool* wants_reply) {
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  if (index >= engine->sent.size()) return false;
  const standin::SentMessage& sent = engine->sent[index];
  if (channel) *channel = sent.channel.c_str();
  if (message) *message = sent.bytes.empty() ? nullptr : sent.bytes.data();
  if (message_size) *message_size = sent.bytes.size();
  if (wants_reply) *wants_reply = sent.reply != nullptr;
  return true;
}

bool StandinEngineAnswerSent(FlutterDesktopEngineRef engine, size_t index, const uint8_t* reply,
                             size_t reply_size) {
  FlutterDesktopBinaryReply function = nullptr;
  void* user_data = nullptr;
  {
    std::lock_guard<std::mutex> lock(engine->state_mutex);
    if (index >= engine->sent.size()) return false;
    standin::SentMessage& sent = engine->sent[index];
    if (!sent.reply || sent.answered) return false;
    sent.answered = true;
    function = sent.reply;
    user_data = sent.user_data;
  }
  standin::CallHost("send reply", [&] { function(reply, reply_size, user_data); });
  return true;
}

void StandinEngineSetRefuseSends(FlutterDesktopEngineRef engine, bool refuse) {
  std::lock_guard<std::mutex> lock(engine->state_mutex);
  engine->refuse_sends = refuse;
}

void StandinEngineSetLockless(FlutterDesktopEngineRef engine, bool lockless) {
  engine->messenger->lockless = lockless;
}

bool StandinEngineFireNextFrame(FlutterDesktopEngineRef engine) {
  FlutterDesktopOnNextFrameCallback callback = nullptr;
  void* user_data = nullptr;
  {
    std::lock_guard<std::mutex> lock(engine->state_mutex);
    std::swap(callback, engine->next_frame_callback);
    std::swap(user_data, engine->next_frame_user_data);
  }
  if (!callback) return false;
  standin::CallHost("next-frame", [&] { callback(user_data); });
  return true;
}

void StandinEngineShutDown(FlutterDesktopEngineRef engine) { standin::ShutDown(engine, false); }

bool StandinEngineInHostCode(void) { return standin::HostCode::Current(); }

int StandinEngineMessengerReferences(FlutterDesktopMessengerRef messenger) {
  return messenger->references.load();
}
