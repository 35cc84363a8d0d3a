#include "channel/engine_method_result.h"

#include <utility>

namespace flutter {

EngineMethodResult::EngineMethodResult(ReplyCallback reply, const MethodCodec* codec)
    : reply_(std::make_unique<PendingReply>(std::move(reply))), codec_(codec) {}

EngineMethodResult::~EngineMethodResult() = default;

void EngineMethodResult::Success(const EncodableValue* result) {
  reply_->Send(codec_->EncodeSuccessEnvelope(result).get());
}

void EngineMethodResult::Error(const std::string& error_code, const std::string& error_message,
                               const EncodableValue* error_details) {
  reply_->Send(codec_->EncodeErrorEnvelope(error_code, error_message, error_details).get());
}

void EngineMethodResult::NotImplemented() { reply_->Send(nullptr); }

}  // namespace flutter
