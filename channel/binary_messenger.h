// The byte-level messenger that channels are bound to, and the callables it deals in.
#ifndef QUENBREL_CHANNEL_BINARY_MESSENGER_H_
#define QUENBREL_CHANNEL_BINARY_MESSENGER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace flutter {

// Delivers the reply to one message: the bytes (null for the empty reply) and their count.
using ReplyCallback = std::function<void(const uint8_t* reply, size_t reply_size)>;

// Handles one incoming message; the handler owns the reply and answers through it at most once.
using ChannelMessageHandler =
    std::function<void(const uint8_t* message, size_t message_size, ReplyCallback reply)>;

// Sends messages to the application and routes incoming ones to per-channel handlers.
// Used only on the thread that runs the window's message loop.
class BinaryMessenger {
 public:
  virtual ~BinaryMessenger() = default;

  // Sends a message on |channel|; a non-empty |reply| is called once with the application's answer.
  virtual void Send(const std::string& channel, const uint8_t* message, size_t message_size,
                    ReplyCallback reply = nullptr) const = 0;

  // Installs, replaces or (with an empty handler) removes the handler of |channel|.
  virtual void SetMessageHandler(const std::string& channel, ChannelMessageHandler handler) = 0;
};

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_BINARY_MESSENGER_H_
