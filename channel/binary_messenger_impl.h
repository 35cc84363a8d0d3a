// The binary messenger over the engine library's messenger handle.
#ifndef QUENBREL_CHANNEL_BINARY_MESSENGER_IMPL_H_
#define QUENBREL_CHANNEL_BINARY_MESSENGER_IMPL_H_

#include <map>
#include <string>

#include "channel/binary_messenger.h"
#include "outside/flutter_windows.h"

namespace flutter {

// Keeps one handler per channel and registers each channel with the engine, passing the address
// of the channel's handler in |handlers_| as user data; entries never move while they exist.
//
// Owner: the engine wrapper; the engine's messenger handle is borrowed and must stay valid while
// this object is used. Thread: only the thread that runs the window's message loop, which is where
// the engine delivers messages. The replies it hands to handlers may be called from any thread:
// they take the engine messenger's lock around their send. Destruction does not clear the engine's
// registrations: every channel user removes its handler first. A handler may replace or remove its
// own channel's handler while it runs: a copy of it is what runs. Never throws on bad input.
class BinaryMessengerImpl : public BinaryMessenger {
 public:
  explicit BinaryMessengerImpl(FlutterDesktopMessengerRef core_messenger);
  ~BinaryMessengerImpl() override;

  BinaryMessengerImpl(const BinaryMessengerImpl&) = delete;
  BinaryMessengerImpl& operator=(const BinaryMessengerImpl&) = delete;

  // With an empty |reply| the result of the engine's send is not looked at. With a reply, a refused
  // send destroys the reply without calling it; otherwise it is called once with the answer.
  void Send(const std::string& channel, const uint8_t* message, size_t message_size,
            ReplyCallback reply = nullptr) const override;

  void SetMessageHandler(const std::string& channel, ChannelMessageHandler handler) override;

 private:
  FlutterDesktopMessengerRef messenger_;
  std::map<std::string, ChannelMessageHandler> handlers_;
};

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_BINARY_MESSENGER_IMPL_H_
