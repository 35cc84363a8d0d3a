#include "tests/channel/channel_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "channel/byte_buffer_streams.h"

namespace flutter {
void PrintTo(const EncodableValue& value, std::ostream* out) {
  *out << quenbrel_test::ToHex(quenbrel_test::EncodeAt(value));
}
}  // namespace flutter

namespace quenbrel_test {

const char kShortRead[] = "Invalid read in StandardCodecByteStreamReader";

Bytes Hex(const std::string& text) {
  Bytes bytes;
  std::istringstream in(text);
  unsigned byte = 0;
  while (in >> std::hex >> byte) bytes.push_back(static_cast<uint8_t>(byte));
  return bytes;
}

std::string ToHex(const Bytes& bytes) {
  std::string text;
  char digits[4];
  for (uint8_t byte : bytes) {
    std::snprintf(digits, sizeof(digits), " %02X", byte);
    text += digits;
  }
  return text.empty() ? text : text.substr(1);
}

Bytes EncodeAt(const flutter::EncodableValue& value, size_t offset,
               const StandardCodecSerializer& serializer) {
  Bytes bytes(offset, 0xAA);
  flutter::ByteBufferStreamWriter writer(&bytes);
  serializer.WriteValue(value, &writer);
  return bytes;
}

LogCapture::LogCapture() { ::testing::internal::CaptureStderr(); }
LogCapture::~LogCapture() { Take(); }

const Lines& LogCapture::Take() {
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

Decoded DecodeAt(const Bytes& bytes, size_t offset, const StandardCodecSerializer& serializer) {
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
