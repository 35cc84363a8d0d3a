#include "standins/driver/app_messages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <type_traits>
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

// A double that reads back as one: with a point or an exponent.
std::string Real(double number) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.17g", number);
  const std::string out = text;
  return out.find_first_of(".en") == std::string::npos ? out + ".0" : out;
}

template <typename T>
std::string NumberList(const char* kind, const std::vector<T>& items) {
  std::string out = std::string(kind) + "[";
  for (size_t i = 0; i < items.size(); ++i) {
    out +=
        (i ? ", " : "") + (std::is_floating_point_v<T> ? Real(items[i]) : std::to_string(items[i]));
  }
  return out + "]";
}

}  // namespace

std::string Describe(const EncodableValue& value) {
  if (value.IsNull()) return "null";
  if (const auto* b = std::get_if<bool>(&value)) return *b ? "true" : "false";
  if (const auto* i = std::get_if<int32_t>(&value)) return std::to_string(*i);
  if (const auto* l = std::get_if<int64_t>(&value)) return std::to_string(*l) + "L";
  if (const auto* d = std::get_if<double>(&value)) return Real(*d);
  if (const auto* s = std::get_if<std::string>(&value)) return JsonString(*s);
  if (const auto* bytes = std::get_if<std::vector<uint8_t>>(&value)) {
    return "bytes(" + std::to_string(bytes->size()) + "):" + Hex(*bytes);
  }
  if (const auto* v = std::get_if<std::vector<int32_t>>(&value)) return NumberList("i32", *v);
  if (const auto* v = std::get_if<std::vector<int64_t>>(&value)) return NumberList("i64", *v);
  if (const auto* v = std::get_if<std::vector<double>>(&value)) return NumberList("f64", *v);
  if (const auto* v = std::get_if<std::vector<float>>(&value)) return NumberList("f32", *v);
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

namespace {

// Reads a value of Describe's text from |text| at |at|, moving |at| past it.
class ValueReader {
 public:
  explicit ValueReader(const std::string& text) : text_(text) {}

  bool Read(EncodableValue* value) {
    Skip();
    if (Word("null")) return (*value = EncodableValue(), true);
    if (Word("true")) return (*value = true, true);
    if (Word("false")) return (*value = false, true);
    if (Word("bytes(")) return Bytes(value);
    for (const char* kind : {"i32[", "i64[", "f64[", "f32["}) {
      if (Word(kind)) return Numbers(kind[0], kind[1], value);
    }
    if (At('"')) return String(value);
    if (Word("[")) {
      EncodableList list;
      return Items(']', [&] { return Read(&list.emplace_back()); }) &&
             (*value = std::move(list), true);
    }
    if (Word("{")) {
      EncodableMap map;
      return Items('}',
                   [&] {
                     EncodableValue key, entry;
                     if (!Read(&key) || (Skip(), !Word(":")) || !Read(&entry)) return false;
                     map.emplace(std::move(key), std::move(entry));
                     return true;
                   }) &&
             (*value = std::move(map), true);
    }
    return Number(value);
  }
  bool AtEnd() {
    Skip();
    return at_ == text_.size();
  }

 private:
  void Skip() {
    while (at_ < text_.size() && text_[at_] == ' ') ++at_;
  }
  bool At(char c) const { return at_ < text_.size() && text_[at_] == c; }
  bool Word(const std::string& word) {
    if (text_.compare(at_, word.size(), word) != 0) return false;
    at_ += word.size();
    return true;
  }
  // Items separated by commas up to |close|, each read by |item|.
  template <typename Item>
  bool Items(char close, Item item) {
    Skip();
    if (Word(std::string(1, close))) return true;
    do {
      if (!item()) return false;
      Skip();
    } while (Word(","));
    return Word(std::string(1, close));
  }
  bool Bytes(EncodableValue* value) {
    size_t used = 0;
    const size_t count = std::stoul(text_.substr(at_), &used);
    at_ += used;
    if (!Word(")")) return false;
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(i);
    if (Word(":")) {
      if (!ParseHex(text_.substr(at_, 2 * count), &bytes) || bytes.size() != count) return false;
      at_ += 2 * count;
    }
    *value = std::move(bytes);
    return true;
  }
  bool Numbers(char type, char size, EncodableValue* value) {
    std::vector<EncodableValue> items;
    if (!Items(']', [&] { return Read(&items.emplace_back()); })) return false;
    auto as = [&](auto zero) {
      std::vector<decltype(zero)> out;
      for (const EncodableValue& item : items) {
        std::visit(
            [&](const auto& n) {
              if constexpr (std::is_arithmetic_v<std::decay_t<decltype(n)>>) out.push_back(n);
            },
            static_cast<const flutter::EncodableVariant&>(item));
      }
      *value = out;
      return out.size() == items.size();
    };
    if (type == 'i') return size == '3' ? as(int32_t{}) : as(int64_t{});
    return size == '6' ? as(double{}) : as(float{});
  }
  bool String(EncodableValue* value) {
    std::string out;
    for (++at_; at_ < text_.size() && text_[at_] != '"'; ++at_) {
      if (text_[at_] == '\\' && ++at_ < text_.size() && text_[at_] == 'u') {
        out += static_cast<char>(std::stoul(text_.substr(at_ + 1, 4), nullptr, 16));
        at_ += 4;
      } else {
        out += text_[at_];
      }
    }
    *value = out;
    return Word("\"");
  }
  bool Number(EncodableValue* value) {
    for (const char* word : {"nan", "-nan", "inf", "-inf"}) {  // as Describe writes them
      if (Word(word)) return (*value = std::strtod(word, nullptr), true);
    }
    const size_t start = at_;
    while (at_ < text_.size() && std::strchr("+-.0123456789eE", text_[at_])) ++at_;
    const std::string number = text_.substr(start, at_ - start);
    if (number.empty()) return false;
    // Out of range: the nearest value, rather than an exception.
    if (number.find_first_of(".eE") != std::string::npos) {
      return (*value = std::strtod(number.c_str(), nullptr), true);
    }
    const long long whole = std::strtoll(number.c_str(), nullptr, 10);
    if (Word("L") || whole != static_cast<int32_t>(whole)) return (*value = int64_t{whole}, true);
    return (*value = static_cast<int32_t>(whole), true);
  }

  const std::string& text_;
  size_t at_ = 0;
};

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

std::vector<uint8_t> EncodeCall(const std::string& method, const EncodableValue& arguments) {
  return Encode(method, std::make_unique<EncodableValue>(arguments));
}

bool ParseValue(const std::string& text, EncodableValue* value) {
  ValueReader reader(text);
  try {
    return reader.Read(value) && reader.AtEnd();
  } catch (const std::exception&) {  // a number out of range, say
    return false;
  }
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
