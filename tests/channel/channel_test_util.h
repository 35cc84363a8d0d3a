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
// Lets GoogleTest show values in failure messages.
void PrintTo(const EncodableValue& value, std::ostream* out);
}  // namespace flutter

namespace quenbrel_test {

using Bytes = std::vector<uint8_t>;

// "0C 02 00" -> {0x0C, 0x02, 0x00}. Spaces are ignored.
Bytes Hex(const std::string& text);
std::string ToHex(const Bytes& bytes);

// The encoding of |value| written after |offset| bytes of 0xAA (which stay in the result).
Bytes EncodeAt(const flutter::EncodableValue& value, size_t offset = 0,
               const flutter::StandardCodecSerializer& serializer =
                   flutter::StandardCodecSerializer::GetInstance());

// Lines written to stderr between construction and Lines().
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Stops capturing (once) and returns the captured lines, without their newlines.
  const std::vector<std::string>& Lines();

 private:
  bool capturing_ = true;
  std::vector<std::string> lines_;
};

// The value decoded from |bytes| after skipping |offset| bytes, with the lines it logged.
struct Decoded {
  flutter::EncodableValue value;
  std::vector<std::string> log;
  size_t bytes_left = 0;
};
Decoded DecodeAt(const Bytes& bytes, size_t offset = 0,
                 const flutter::StandardCodecSerializer& serializer =
                     flutter::StandardCodecSerializer::GetInstance());

extern const char kShortRead[];

}  // namespace quenbrel_test

#endif  // QUENBREL_TESTS_CHANNEL_CHANNEL_TEST_UTIL_H_
