// Helpers for the channel tests: hex byte strings, encoding at an offset, captured log lines.
#ifndef QUENBREL_TESTS_CHANNEL_CHANNEL_TEST_UTIL_H_
#define QUENBREL_TESTS_CHANNEL_CHANNEL_TEST_UTIL_H_

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "channel/encodable_value.h"
#include "channel/standard_codec_serializer.h"

namespace flutter {
// Failure messages show a value as its encoding.
void PrintTo(const EncodableValue& value, std::ostream* out);
}  // namespace flutter

namespace quenbrel_test {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;
using flutter::StandardCodecSerializer;

extern const char kShortRead[];

Bytes Hex(const std::string& text);  // "0C 02 00" -> {0x0C, 0x02, 0x00}
std::string ToHex(const Bytes& bytes);

// The encoding of |value| after |offset| bytes of 0xAA, which stay in the result.
Bytes EncodeAt(const flutter::EncodableValue& value, size_t offset = 0,
               const StandardCodecSerializer& serializer = StandardCodecSerializer::GetInstance());

// Captures stderr from construction until Take() (or destruction).
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  const quenbrel_test::Lines& Take();

 private:
  bool capturing_ = true;
  quenbrel_test::Lines lines_;
};

// One value decoded from |bytes| after |offset| bytes, the lines logged and the bytes not read.
struct Decoded {
  flutter::EncodableValue value;
  Lines log;
  size_t bytes_left = 0;
};
Decoded DecodeAt(
    const Bytes& bytes, size_t offset = 0,
    const StandardCodecSerializer& serializer = StandardCodecSerializer::GetInstance());

}  // namespace quenbrel_test

#endif  // QUENBREL_TESTS_CHANNEL_CHANNEL_TEST_UTIL_H_
