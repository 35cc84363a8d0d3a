#include "standins/driver/app_messages.h"

#include <cstdio>
#include <memory>
#include <sstream>
#include <variant>

#include "channel/encodable_value.h"
#include "channel/method_call.h"
#include "channel/method_result.h"
#include "channel/standard_method_codec.h"

namespace app {

namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

template <typename T>
std::string NumberList(const std::vector<T>& items) {
  std::ostringstream out;
  out << '[';
  for (size_t i = 0; i < items.size(); ++i) out << (i ? ", " : "") << items[i];
  out << ']';
  return out.str();
}

std::string Describe(const EncodableValue& value) {
  if (value.IsNull()) return "null";
  if (const auto* b = std::get_if<bool>(&value)) return *b ? "true" : "false";
  if (const auto* i = std::get_if<int32_t>(&value)) return std::to_string(*i);
  if (const auto* l = std::get_if<int64_t>(&value)) return std::to_string(*l);
  if (const auto* d = std::get_if<double>(&value)) {
    std::ostringstream out;
    out << *d;
    return out.str();
  }
  if (const auto* s = std::get_if<std::string>(&value)) return JsonString(*s);
  if (const auto* bytes = std::get_if<std::vector<uint8_t>>(&value)) {
    return "bytes(" + std::to_string(bytes->size()) + "):" + Hex(*bytes);
  }
  if (const auto* v = std::get_if<std::vector<int32_t>>(&value)) return NumberList(*v);
  if (const auto* v = std::get_if<std::vector<int64_t>>(&value)) return NumberList(*v);
  if (const auto* v = std::get_if<std::vector<double>>(&value)) return NumberList(*v);
  if (const auto* v = std::get_if<std::vector<float>>(&value)) return NumberList(*v);
  if (const auto* list = std::get_if<EncodableList>(&value)) {
    std::string out = "[";
    for (size_t i = 0; i < list->size(); ++i) out += (i ? ", " : "") + Describe((*list)[i]);
    return out + "]";
  }
  if (const auto* map = std::get_if<EncodableMap>(&value)) {
    std::string out = "{";
    bool first = true;
    for (const auto& entry : *map) {
      out += (first ? "" : ", ") + Describe(entry.first) + ": " + Describe(entry.second);
      first = false;
    }
    return out + "}";
  }
  return "custom";
}

// Keeps the one answer that decoding a reply envelope gives.
class DescribingResult : public flutter::MethodResult {
 public:
  void Success(const EncodableValue* result) override {
    text = "success " + (result ? Describe(*result) : std::string("null"));
  }
  void Error(const std::string& code, const std::string& message,
             const EncodableValue* details) override {
    text = "error " + code + " " + (message.empty() ? std::string("null") : JsonString(message)) +
           " " + (details ? Describe(*details) : std::string("null"));
  }
  void NotImplemented() override { text = "empty"; }

  std::string text;
};

std::vector<uint8_t> Encode(const std::string& method, std::unique_ptr<EncodableValue> arguments) {
  flutter::MethodCall call(method, std::move(arguments));
  std::unique_ptr<std::vector<uint8_t>> bytes =
      flutter::StandardMethodCodec::GetInstance().EncodeMethodCall(call);
  return bytes ? *bytes : std::vector<uint8_t>();
}

}  // namespace

std::vector<uint8_t> EncodeCall(const std::string& method) {
  return Encode(method, std::make_unique<EncodableValue>());
}

std::vector<uint8_t> EncodePrintCall(const std::string& device, const std::vector<uint8_t>& bytes) {
  EncodableMap arguments;
  arguments[EncodableValue(std::string("device"))] = EncodableValue(device);
  arguments[EncodableValue(std::string("bytes"))] = EncodableValue(bytes);
  return Encode("print", std::make_unique<EncodableValue>(std::move(arguments)));
}

std::string DescribeReply(const std::vector<uint8_t>& reply) {
  if (reply.empty()) return "empty";
  DescribingResult result;
  if (!flutter::StandardMethodCodec::GetInstance().DecodeResponseEnvelope(reply.data(),
                                                                          reply.size(), &result) ||
      result.text.empty()) {
    return "undecodable " + Hex(reply);
  }
  return result.text;
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (const uint8_t byte : bytes) {
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
  }
  return out;
}

bool ParseHex(const std::string& text, std::vector<uint8_t>* bytes) {
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  if (text.size() % 2 != 0) return false;
  bytes->clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    const int high = digit(text[i]);
    const int low = digit(text[i + 1]);
    if (high < 0 || low < 0) return false;
    bytes->push_back(static_cast<uint8_t>(high * 16 + low));
  }
  return true;
}

}  // namespace app
