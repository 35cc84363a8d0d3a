// Helpers shared by the suites: bytes as hex, captured log lines, case tables read from data files,
// and values encoded or decoded at a position in a message.
#ifndef QUENBREL_TESTS_TEST_UTIL_H_
#define QUENBREL_TESTS_TEST_UTIL_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "channel/byte_buffer_streams.h"
#include "channel/standard_codec_serializer.h"

namespace quenbrel_test {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;
using flutter::EncodableValue;
using flutter::StandardCodecSerializer;

inline const char kShortRead[] = "Invalid read in StandardCodecByteStreamReader";

// "0C 02 00" -> {0x0C, 0x02, 0x00}; "3*AB" -> {0xAB, 0xAB, 0xAB}; "2*07FF" -> {7, 255, 7, 255}.
inline Bytes Hex(const std::string& text) {
  Bytes bytes;
  std::istringstream in(text);
  for (std::string word; in >> word;) {
    const size_t star = word.find('*');
    const size_t count = star == std::string::npos ? 1 : std::stoul(word.substr(0, star));
    Bytes group;
    for (size_t at = star + 1; at < word.size(); at += 2) {
      group.push_back(static_cast<uint8_t>(std::stoul(word.substr(at, 2), nullptr, 16)));
    }
    for (size_t i = 0; i < count; ++i) bytes.insert(bytes.end(), group.begin(), group.end());
  }
  return bytes;
}

inline std::string ToHex(const Bytes& bytes) {
  std::string text;
  for (uint8_t byte : bytes) {
    text += {' ', "0123456789ABCDEF"[byte >> 4], "0123456789ABCDEF"[byte & 15]};
  }
  return text.empty() ? text : text.substr(1);
}

// The rows of |kind| in the data file |name| (found in the test's working folder): the fields
// between '|', trimmed.
inline std::vector<Lines> Cases(const std::string& name, const std::string& kind) {
  std::vector<Lines> rows;
  std::ifstream file(name);
  for (std::string line; std::getline(file, line);) {
    if (line.compare(0, kind.size() + 1, kind + " ") != 0) continue;
    Lines fields;
    std::istringstream in(line.substr(kind.size()));
    for (std::string field; std::getline(in, field, '|');) {
      field.erase(0, field.find_first_not_of(' '));
      field.erase(field.find_last_not_of(' ') + 1);
      fields.push_back(field);
    }
    rows.push_back(fields);
  }
  EXPECT_FALSE(rows.empty()) << kind << " in " << name;
  return rows;
}

// A text field of a case table: \xHH stands for a byte, \uHHHH for a UTF-16 unit (in UTF-16
// fields, where everything else is ASCII); any other backslash is itself.
template <typename Char = char>
std::basic_string<Char> Unescaped(const std::string& text) {
  std::basic_string<Char> out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char kind = text[i] == '\\' && i + 1 < text.size() ? text[i + 1] : 0;
    const size_t digits = kind == 'x' ? 2 : kind == 'u' ? 4 : 0;
    out += static_cast<Char>(digits == 0 ? static_cast<unsigned char>(text[i])
                                         : std::stoul(text.substr(i + 2, digits), nullptr, 16));
    i += digits == 0 ? 0 : 1 + digits;
  }
  return out;
}

// The French texts of the printer's and the tool's tables ("message" rows) by short name, spelled
// out by their last field; "" for none.
inline const std::string& Message(const std::string& name) {
  static const std::map<std::string, std::string> messages = [] {
    std::map<std::string, std::string> m = {{"", ""}};
    for (const char* file : {"printer_cases.txt", "tool_cases.txt"}) {
      for (const Lines& row : Cases(file, "message")) m[row[0]] = Unescaped(row.back());
    }
    return m;
  }();
  return messages.at(name);
}

// The lines that |run| writes to standard error.
template <typename Run>
Lines Logged(Run run) {
  ::testing::internal::CaptureStderr();
  run();
  Lines lines;
  std::istringstream text(::testing::internal::GetCapturedStderr());
  for (std::string line; std::getline(text, line);) {
    lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));  // Windows line ends
  }
  return lines;
}

// The encoding of |value| after |offset| bytes of 0xAA, which stay in the result.
inline Bytes EncodeAt(
    const EncodableValue& value, size_t offset = 0,
    const StandardCodecSerializer& serializer = StandardCodecSerializer::GetInstance()) {
  Bytes bytes(offset, 0xAA);
  flutter::ByteBufferStreamWriter writer(&bytes);
  serializer.WriteValue(value, &writer);
  return bytes;
}

// The value that |bytes| hold; nothing is captured.
inline EncodableValue ValueOf(const Bytes& bytes) {
  flutter::ByteBufferStreamReader reader(bytes.data(), bytes.size());
  return StandardCodecSerializer::GetInstance().ReadValue(&reader);
}

// One value decoded from |bytes| after |offset| bytes, the lines logged and the bytes not read.
struct Decoded {
  EncodableValue value;
  Lines log;
  size_t bytes_left = 0;
};
inline Decoded DecodeAt(
    const Bytes& bytes, size_t offset = 0,
    const StandardCodecSerializer& serializer = StandardCodecSerializer::GetInstance()) {
  Decoded decoded;
  flutter::ByteBufferStreamReader reader(bytes.data(), bytes.size());
  decoded.log = Logged([&] {
    for (size_t i = 0; i < offset; ++i) reader.ReadByte();
    decoded.value = serializer.ReadValue(&reader);
  });
  decoded.bytes_left = reader.BytesRemaining();
  return decoded;
}

}  // namespace quenbrel_test

namespace flutter {
// Failure messages show a value as its encoding.
inline void PrintTo(const EncodableValue& value, std::ostream* out) {
  *out << quenbrel_test::ToHex(quenbrel_test::EncodeAt(value));
}
}  // namespace flutter

#endif  // QUENBREL_TESTS_TEST_UTIL_H_
