#include "channel/standard_method_codec.h"

#include <map>
#include <mutex>
#include <utility>

#include "channel/byte_buffer_streams.h"
#include "channel/log_line.h"

namespace flutter {

namespace {

constexpr uint8_t kSuccessEnvelope = 0;
constexpr uint8_t kErrorEnvelope = 1;
// Room reserved up front for a success reply, so that a reply of a few KiB such as a device list
// grows in a few steps rather than a dozen.
constexpr size_t kReplyCapacity = 1024;

// |value|, or null when there is none; by reference, so that a value is written without a copy.
const EncodableValue& ValueOrNull(const EncodableValue* value) {
  static const EncodableValue null_value;
  return value != nullptr ? *value : null_value;
}

struct CodecRegistry {
  std::mutex mutex;
  std::map<const StandardCodecSerializer*, std::unique_ptr<StandardMethodCodec>> codecs;
};

// Deliberately never destroyed: codecs must stay valid for callers that run during process exit.
CodecRegistry& Registry() {
  static CodecRegistry& registry = *std::make_unique<CodecRegistry>().release();
  return registry;
}

}  // namespace

const StandardMethodCodec& StandardMethodCodec::GetInstance(
    const StandardCodecSerializer* serializer) {
  if (serializer == nullptr) {
    serializer = &StandardCodecSerializer::GetInstance();
  }
  CodecRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  std::unique_ptr<StandardMethodCodec>& codec = registry.codecs[serializer];
  if (!codec) {
    codec = std::make_unique<StandardMethodCodec>(Key(), serializer);
  }
  return *codec;
}

StandardMethodCodec::StandardMethodCodec(Key, const StandardCodecSerializer* serializer)
    : serializer_(serializer) {}

std::unique_ptr<MethodCall> StandardMethodCodec::DecodeMethodCall(const uint8_t* message,
                                                                  size_t message_size) const {
  ByteBufferStreamReader reader(message, message_size);
  EncodableValue name = serializer_->ReadValue(&reader);
  const std::string* method_name = std::get_if<std::string>(&name);
  if (method_name == nullptr) {
    LogLine("Invalid method call; method name is not a string.");
    return nullptr;
  }
  // Bytes after the arguments are ignored.
  auto arguments = std::make_unique<EncodableValue>(serializer_->ReadValue(&reader));
  return std::make_unique<MethodCall>(*method_name, std::move(arguments));
}

std::unique_ptr<std::vector<uint8_t>> StandardMethodCodec::EncodeMethodCall(
    const MethodCall& call) const {
  auto message = std::make_unique<std::vector<uint8_t>>();
  ByteBufferStreamWriter writer(message.get());
  serializer_->WriteValue(EncodableValue(call.method_name()), &writer);
  serializer_->WriteValue(ValueOrNull(call.arguments()), &writer);
  return message;
}

std::unique_ptr<std::vector<uint8_t>> StandardMethodCodec::EncodeSuccessEnvelope(
    const EncodableValue* result) const {
  auto envelope = std::make_unique<std::vector<uint8_t>>();
  envelope->reserve(kReplyCapacity);
  ByteBufferStreamWriter writer(envelope.get());
  writer.WriteByte(kSuccessEnvelope);
  serializer_->WriteValue(ValueOrNull(result), &writer);
  return envelope;
}

std::unique_ptr<std::vector<uint8_t>> StandardMethodCodec::EncodeErrorEnvelope(
    const std::string& error_code, const std::string& error_message,
    const EncodableValue* error_details) const {
  auto envelope = std::make_unique<std::vector<uint8_t>>();
  ByteBufferStreamWriter writer(envelope.get());
  writer.WriteByte(kErrorEnvelope);
  serializer_->WriteValue(EncodableValue(error_code), &writer);
  serializer_->WriteValue(error_message.empty() ? EncodableValue() : EncodableValue(error_message),
                          &writer);
  serializer_->WriteValue(ValueOrNull(error_details), &writer);
  return envelope;
}

bool StandardMethodCodec::DecodeResponseEnvelope(const uint8_t* response, size_t response_size,
                                                 MethodResult* result) const {
  ByteBufferStreamReader reader(response, response_size);
  uint8_t status = reader.ReadByte();
  if (status == kSuccessEnvelope) {
    EncodableValue value = serializer_->ReadValue(&reader);
    result->Success(value.IsNull() ? nullptr : &value);
    return true;
  }
  if (status != kErrorEnvelope) {
    return false;
  }
  EncodableValue code = serializer_->ReadValue(&reader);
  EncodableValue message = serializer_->ReadValue(&reader);
  EncodableValue details = serializer_->ReadValue(&reader);
  const std::string* code_text = std::get_if<std::string>(&code);
  const std::string* message_text = std::get_if<std::string>(&message);
  if (code_text == nullptr || (message_text == nullptr && !message.IsNull())) {
    // Bad input from the application is not thrown at the caller.
    LogLine("Invalid error envelope; code or message is not a string.");
    return false;
  }
  result->Error(*code_text, message_text != nullptr ? *message_text : std::string(),
                details.IsNull() ? nullptr : &details);
  return true;
}

}  // namespace flutter
