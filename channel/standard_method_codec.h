// The method codec of every channel in this system: calls and envelopes as standard-codec values.
//
//   call:    method name (string value), then the arguments (one value; null when absent)
//   success: 0x00, then the result (null when absent)
//   error:   0x01, then code (string), message (string; null when empty), details (null if absent)
//
// One codec per serializer, created on first request and never destroyed, so callers may keep
// plain pointers to it. Any thread. Never throws on bad input; logs one line and falls back.
#ifndef QUENBREL_CHANNEL_STANDARD_METHOD_CODEC_H_
#define QUENBREL_CHANNEL_STANDARD_METHOD_CODEC_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "channel/method_codec.h"
#include "channel/standard_codec_serializer.h"

namespace flutter {

class StandardMethodCodec : public MethodCodec {
 public:
  // The codec of |serializer|, or of the shared standard serializer when it is null. The
  // serializer must outlive every use of its codec.
  static const StandardMethodCodec& GetInstance(
      const StandardCodecSerializer* serializer = nullptr);

  StandardMethodCodec(const StandardMethodCodec&) = delete;
  StandardMethodCodec& operator=(const StandardMethodCodec&) = delete;

  std::unique_ptr<MethodCall> DecodeMethodCall(const uint8_t* message,
                                               size_t message_size) const override;
  std::unique_ptr<std::vector<uint8_t>> EncodeMethodCall(const MethodCall& call) const override;
  std::unique_ptr<std::vector<uint8_t>> EncodeSuccessEnvelope(
      const EncodableValue* result) const override;
  std::unique_ptr<std::vector<uint8_t>> EncodeErrorEnvelope(
      const std::string& error_code, const std::string& error_message,
      const EncodableValue* error_details) const override;
  // An error envelope whose code or message is not a string is not recognised (logged).
  bool DecodeResponseEnvelope(const uint8_t* response, size_t response_size,
                              MethodResult* result) const override;

 private:
  // Only GetInstance makes codecs.
  struct Key {
    explicit Key() = default;
  };

 public:
  StandardMethodCodec(Key key, const StandardCodecSerializer* serializer);

 private:
  const StandardCodecSerializer* serializer_;
};

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_STANDARD_METHOD_CODEC_H_
