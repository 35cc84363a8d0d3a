// The method result handed with each incoming call: encodes the answer with the channel's codec
// and delivers it through the message's ReplyCallback, at most once.
//
// Owned through a std::unique_ptr by whoever must answer; used on one thread at a time (in this
// system the window's thread). The codec is not owned and must outlive the result. Never throws:
// duplicate answers and unanswered calls are logged (see PendingReply).
#ifndef QUENBREL_CHANNEL_ENGINE_METHOD_RESULT_H_
#define QUENBREL_CHANNEL_ENGINE_METHOD_RESULT_H_

#include <memory>
#include <string>

#include "channel/binary_messenger.h"
#include "channel/method_codec.h"
#include "channel/method_result.h"
#include "channel/pending_reply.h"

namespace flutter {

class EngineMethodResult : public MethodResult {
 public:
  EngineMethodResult(ReplyCallback reply, const MethodCodec* codec);
  ~EngineMethodResult() override;

  using MethodResult::Error;
  using MethodResult::Success;

  // A duplicate answer is still encoded before it is refused.
  void Success(const EncodableValue* result) override;
  void Error(const std::string& error_code, const std::string& error_message,
             const EncodableValue* error_details) override;
  void NotImplemented() override;

 private:
  std::unique_ptr<PendingReply> reply_;
  const MethodCodec* codec_;
};

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_ENGINE_METHOD_RESULT_H_
