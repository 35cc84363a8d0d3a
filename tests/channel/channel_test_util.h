// Helpers for the channel tests: hex byte strings, encoding at an offset, captured log lines.
#ifndef QUENBREL_TESTS_CHANNEL_CHANNEL_TEST_UTIL_H_
#define QUENBREL_TESTS_CHANNEL_CHANNEL_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "channel/byte_buffer_streams.h"
#include "channel/encodable_value.h"
#include "channel/standard_codec_serializer.h"

namespace quenbrel_test {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;
using flutter::StandardCodecSerializer;

inline const char kShortRead[] = "Invalid read in StandardCodecByteStreamReader";

inline Bytes Hex(const std::string& text) {  // "0C 02 00" -> {0x0C, 0x02, 0x00}
  Bytes bytes;
  std::istringstream in(text);
  for (unsigned byte = 0; in >> std::hex >> byte;) bytes.push_back(static_cast<uint8_t>(byte));
  return bytes;
}

inline std::string ToHex(const Bytes& bytes) {
  std::string text;
  char digits[4];
  for (uint8_t byte : bytes) {
    std::snprintf(digits, sizeof(digits), " %02X", byte);
    text += digits;
  }
  return text.empty() ? text : text.substr(1);
}

// The encoding of |value| after |offset| bytes of 0xAA, which stay in the result.
inline Bytes EncodeAt(
    const flutter::EncodableValue& value, size_t offset = 0,
    const StandardCodecSerializer& serializer = StandardCodecSerializer::GetInstance()) {
  Bytes bytes(offset, 0xAA);
  flutter::ByteBufferStreamWriter writer(&bytes);
  serializer.WriteValue(value, &writer);
  return bytes;
}

// Captures stderr from construction until Take() (or destruction).
class LogCapture {
 public:
  LogCapture() { ::testing::internal::CaptureStderr(); }
  ~LogCapture() { Take(); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  const Lines& Take() {
    if (capturing_) {
      capturing_ = false;
      std::istringstream text(::testing::internal::GetCapturedStderr());
      for (std::string line; std::getline(text, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines_.push_back(line);
      }
    }
    return lines_;
  }

 private:
  bool capturing_ = true;
  Lines lines_;
};

// One value decoded from |bytes| after |offset| bytes, the lines logged and the bytes not read.
struct Decoded {
  flutter::EncodableValue value;
  Lines log;
  size_t bytes_left = 0;
};
inline Decoded DecodeAt(
    const Bytes& bytes, size_t offset = 0,
    const StandardCodecSerializer& serializer = StandardCodecSerializer::GetInstance()) {
  Decoded decoded;
  LogCapture capture;
  flutter::ByteBufferStreamReader reader(bytes.data(), bytes.size());
  for (size_t i = 0; i < offset; ++i) reader.ReadByte();
  decoded.value = serializer.ReadValue(&reader);
  decoded.bytes_left = reader.BytesRemaining();
  decoded.log = capture.Take();
  return decoded;
}

}  // namespace quenbrel_test

namespace flutter {
// Failure messages show a value as its encoding.
inline void PrintTo(const EncodableValue& value, std::ostream* out) {
  *out << quenbrel_test::ToHex(quenbrel_test::EncodeAt(value));
}
}  // namespace flutter

#endif  // QUENBREL_TESTS_CHANNEL_CHANNEL_TEST_UTIL_H_
