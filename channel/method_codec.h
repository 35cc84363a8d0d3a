// Lays method calls and their replies (envelopes) out as bytes.
//
// Codecs are long-lived and stateless; callers hold plain pointers to them. Any thread. Decoders
// read only inside the bytes given and never throw on bad input: they log one line and fall back.
#ifndef QUENBREL_CHANNEL_METHOD_CODEC_H_
#define QUENBREL_CHANNEL_METHOD_CODEC_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "channel/encodable_value.h"
#include "channel/method_call.h"
#include "channel/method_result.h"

namespace flutter {

class MethodCodec {
 public:
  virtual ~MethodCodec() = default;

  // The call in |message|, or null when the bytes are not a call.
  virtual std::unique_ptr<MethodCall> DecodeMethodCall(const uint8_t* message,
                                                       size_t message_size) const = 0;

  virtual std::unique_ptr<std::vector<uint8_t>> EncodeMethodCall(const MethodCall& call) const = 0;

  // |result| may be null (answers null).
  virtual std::unique_ptr<std::vector<uint8_t>> EncodeSuccessEnvelope(
      const EncodableValue* result) const = 0;

  // |error_details| may be null.
  virtual std::unique_ptr<std::vector<uint8_t>> EncodeErrorEnvelope(
      const std::string& error_code, const std::string& error_message,
      const EncodableValue* error_details) const = 0;

  // Answers |result| from the envelope in |response| and returns true; returns false, leaving
  // |result| unanswered, when the bytes are not an envelope.
  virtual bool DecodeResponseEnvelope(const uint8_t* response, size_t response_size,
                                      MethodResult* result) const = 0;
};

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_METHOD_CODEC_H_
