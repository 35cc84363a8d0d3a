// A named channel of method calls on a binary messenger.
#ifndef QUENBREL_CHANNEL_METHOD_CHANNEL_H_
#define QUENBREL_CHANNEL_METHOD_CHANNEL_H_

#include <functional>
#include <memory>
#include <string>

#include "channel/binary_messenger.h"
#include "channel/method_call.h"
#include "channel/method_codec.h"
#include "channel/method_result.h"

namespace flutter {

// Handles one decoded call; it owns |result| and answers through it, now or later.
using MethodCallHandler =
    std::function<void(const MethodCall& call, std::unique_ptr<MethodResult> result)>;

// Binds a channel name to a messenger and a method codec; does nothing until a handler is set.
//
// Owner: the channel's user (the printer bridge), which removes its handler before the messenger
// goes. The messenger and the codec are borrowed and must outlive the channel and every handler it
// installed. Thread: the thread that runs the window's message loop. Never throws on bad input: a
// message that is not a call is logged and answered with the empty reply.
class MethodChannel {
 public:
  MethodChannel(BinaryMessenger* messenger, const std::string& name, const MethodCodec* codec);

  // A non-empty |handler| receives every call on the channel; an empty one removes the handler.
  void SetMethodCallHandler(MethodCallHandler handler) const;

 private:
  BinaryMessenger* messenger_;
  std::string name_;
  const MethodCodec* codec_;
};

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_METHOD_CHANNEL_H_
