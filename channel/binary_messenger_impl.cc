#include "channel/binary_messenger_impl.h"

#include <memory>
#include <mutex>
#include <utility>

#include "channel/log_line.h"

namespace flutter {

namespace {

// The answer side of one incoming message, shared by every copy of its ReplyCallback: the last
// copy gives the messenger reference back, and a response sent through any copy counts for all.
class EngineReply {
 public:
  EngineReply(FlutterDesktopMessengerRef messenger,
              const FlutterDesktopMessageResponseHandle* response_handle)
      : messenger_(FlutterDesktopMessengerAddRef(messenger)), response_handle_(response_handle) {}
  ~EngineReply() { FlutterDesktopMessengerRelease(messenger_); }

  EngineReply(const EngineReply&) = delete;
  EngineReply& operator=(const EngineReply&) = delete;

  // Sends the response unless the engine is gone (dropped silently) or one was sent already
  // (logged, unless |only_if_unanswered|). The availability test and the hand-over of
  // |response_handle_| happen under the messenger's lock and under |mutex_|, which keeps them
  // atomic when the engine offers no lock.
  void Respond(const uint8_t* reply, size_t reply_size, bool only_if_unanswered = false) {
    FlutterDesktopMessengerRef locked = FlutterDesktopMessengerLock(messenger_);
    std::unique_lock<std::mutex> own(mutex_);
    if (FlutterDesktopMessengerIsAvailable(messenger_)) {
      if (response_handle_) {
        FlutterDesktopMessengerSendResponse(messenger_, response_handle_, reply, reply_size);
        response_handle_ = nullptr;
      } else if (!only_if_unanswered) {
        LogLine("Error: Response can be set only once. Ignoring duplicate response.");
      }
    }
    own.unlock();
    if (locked) FlutterDesktopMessengerUnlock(locked);
  }

 private:
  FlutterDesktopMessengerRef messenger_;
  std::mutex mutex_;
  const FlutterDesktopMessageResponseHandle* response_handle_;
};

// The engine's callback for every registered channel; |user_data| is the channel's handler. Nothing
// may unwind into the engine: a failure (no memory, say) is logged and, if the message has no
// response yet, answered with the empty reply.
void DispatchIncomingMessage(FlutterDesktopMessengerRef messenger,
                             const FlutterDesktopMessage* message, void* user_data) {
  std::shared_ptr<EngineReply> reply_state;
  try {
    reply_state = std::make_shared<EngineReply>(messenger, message->response_handle);
    ReplyCallback reply = [reply_state](const uint8_t* bytes, size_t size) {
      reply_state->Respond(bytes, size);
    };
    // A copy runs, so that a handler may replace or remove its own channel's entry while it runs.
    const ChannelMessageHandler handler = *static_cast<ChannelMessageHandler*>(user_data);
    handler(message->message, message->message_size, std::move(reply));
  } catch (...) {
    LogLine("Failed to handle a channel message; answering it with the empty reply.");
    if (reply_state) {
      reply_state->Respond(nullptr, 0, true);
    } else {
      EngineReply(messenger, message->response_handle).Respond(nullptr, 0);
    }
  }
}

// The engine's answer to a Send with a reply; |user_data| is the reply copy that Send handed over.
void DeliverSendReply(const uint8_t* data, size_t data_size, void* user_data) {
  std::unique_ptr<ReplyCallback> reply(static_cast<ReplyCallback*>(user_data));
  try {
    (*reply)(data, data_size);
  } catch (...) {
    LogLine("A reply handler failed; its failure stops here.");
  }
}

}  // namespace

BinaryMessengerImpl::BinaryMessengerImpl(FlutterDesktopMessengerRef core_messenger)
    : messenger_(core_messenger) {}

BinaryMessengerImpl::~BinaryMessengerImpl() = default;

void BinaryMessengerImpl::Send(const std::string& channel, const uint8_t* message,
                               size_t message_size, ReplyCallback reply) const {
  if (!reply) {
    FlutterDesktopMessengerSend(messenger_, channel.c_str(), message, message_size);
    return;
  }
  auto copy = std::make_unique<ReplyCallback>(std::move(reply));
  if (FlutterDesktopMessengerSendWithReply(messenger_, channel.c_str(), message, message_size,
                                           DeliverSendReply, copy.get())) {
    static_cast<void>(copy.release());  // DeliverSendReply owns it now
  }
}

void BinaryMessengerImpl::SetMessageHandler(const std::string& channel,
                                            ChannelMessageHandler handler) {
  if (!handler) {
    handlers_.erase(channel);
    FlutterDesktopMessengerSetCallback(messenger_, channel.c_str(), nullptr, nullptr);
    return;
  }
  ChannelMessageHandler& stored = handlers_[channel];
  stored = std::move(handler);  // replacing keeps the entry, so the registered address stays valid
  FlutterDesktopMessengerSetCallback(messenger_, channel.c_str(), DispatchIncomingMessage, &stored);
}

}  // namespace flutter
