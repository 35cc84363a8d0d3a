#include "tests/channel/channel_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <type_traits>

#include "channel/byte_buffer_streams.h"

namespace flutter {

void PrintTo(const EncodableValue& value, std::ostream* out) {
  std::visit(
      [out](const auto& content) {
        using T = std::decay_t<decltype(content)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          *out << "null";
        } else if constexpr (std::is_same_v<T, bool>) {
          *out << (content ? "true" : "false");
        } else if constexpr (std::is_same_v<T, std::string>) {
          *out << '"' << ::testing::PrintToString(content) << '"';
        } else if constexpr (std::is_same_v<T, EncodableList>) {
          *out << '[';
          for (const EncodableValue& element : content) {
            PrintTo(element, out);
            *out << ',';
          }
          *out << ']';
        } else if constexpr (std::is_same_v<T, EncodableMap>) {
          *out << '{';
          for (const auto& entry : content) {
            PrintTo(entry.first, out);
            *out << ':';
            PrintTo(entry.second, out);
            *out << ',';
          }
          *out << '}';
        } else if constexpr (std::is_same_v<T, CustomEncodableValue>) {
          *out << "custom";
        } else {
          *out << ::testing::PrintToString(content);
        }
      },
      static_cast<const EncodableVariant&>(value));
}

}  // namespace flutter

namespace quenbrel_test {

const char kShortRead[] = "Invalid read in StandardCodecByteStreamReader";

Bytes Hex(const std::string& text) {
  Bytes bytes;
  std::string digits;
  for (char c : text) {
    if (c != ' ') digits.push_back(c);
  }
  for (size_t i = 0; i + 1 < digits.size(); i += 2) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

std::string ToHex(const Bytes& bytes) {
  std::string text;
  char digits[4];
  for (uint8_t byte : bytes) {
    std::snprintf(digits, sizeof(digits), "%02X ", byte);
    text += digits;
  }
  if (!text.empty()) text.pop_back();
  return text;
}

Bytes EncodeAt(const flutter::EncodableValue& value, size_t offset,
               const flutter::StandardCodecSerializer& serializer) {
  Bytes bytes(offset, 0xAA);
  flutter::ByteBufferStreamWriter writer(&bytes);
  serializer.WriteValue(value, &writer);
  return bytes;
}

LogCapture::LogCapture() { ::testing::internal::CaptureStderr(); }

LogCapture::~LogCapture() { Lines(); }

const std::vector<std::string>& LogCapture::Lines() {
  if (capturing_) {
    capturing_ = false;
    std::istringstream text(::testing::internal::GetCapturedStderr());
    std::string line;
    while (std::getline(text, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines_.push_back(line);
    }
  }
  return lines_;
}

Decoded DecodeAt(const Bytes& bytes, size_t offset,
                 const flutter::StandardCodecSerializer& serializer) {
  Decoded decoded;
  LogCapture capture;
  flutter::ByteBufferStreamReader reader(bytes.data(), bytes.size());
  for (size_t i = 0; i < offset; ++i) reader.ReadByte();
  decoded.value = serializer.ReadValue(&reader);
  decoded.bytes_left = reader.BytesRemaining();
  decoded.log = capture.Lines();
  return decoded;
}

}  // namespace quenbrel_test
