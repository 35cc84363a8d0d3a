#include "channel/method_channel.h"

#include <exception>
#include <utility>

#include "channel/engine_method_result.h"
#include "channel/log_line.h"

namespace flutter {

MethodChannel::MethodChannel(BinaryMessenger* messenger, const std::string& name,
                             const MethodCodec* codec)
    : messenger_(messenger), name_(name), codec_(codec) {}

void MethodChannel::SetMethodCallHandler(MethodCallHandler handler) const {
  if (!handler) {
    messenger_->SetMessageHandler(name_, nullptr);
    return;
  }
  messenger_->SetMessageHandler(
      name_, [handler = std::move(handler), codec = codec_, name = name_](
                 const uint8_t* message, size_t message_size, ReplyCallback reply) {
        auto result = std::make_unique<EngineMethodResult>(std::move(reply), codec);
        std::unique_ptr<MethodCall> call;
        try {
          call = codec->DecodeMethodCall(message, message_size);
        } catch (const std::exception&) {  // no memory for the call: as if it were not one
        }
        if (!call) {
          LogLine("Unable to construct method call from message on channel " + name);
          result->NotImplemented();  // the application gets the empty reply
          return;
        }
        handler(*call, std::move(result));
      });
}

}  // namespace flutter
