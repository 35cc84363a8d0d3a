#include "channel/standard_codec_serializer.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "channel/byte_buffer_streams.h"
#include "tests/channel/channel_test_util.h"

namespace {

using flutter::CustomEncodableValue;
using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using namespace quenbrel_test;  // NOLINT: test helpers

Bytes Repeat(const std::string& hex, size_t count, const std::string& before = "") {
  Bytes bytes = Hex(before), piece = Hex(hex);
  for (size_t i = 0; i < count; ++i) bytes.insert(bytes.end(), piece.begin(), piece.end());
  return bytes;
}

// Each row's bytes (after |offset| 0xAA bytes) also decode back to its value, logging nothing.
TEST(StandardCodecSerializer, EncodesEdgeCases) {
  struct Row {
    const char* name;
    EncodableValue value;
    size_t offset;
    const char* hex;
  };
  // clang-format off
  const Row rows[] = {
      {"null", EncodableValue(), 0, "00"},
      {"true", true, 0, "01"},
      {"false", false, 0, "02"},
      {"int32 5, never padded", int32_t{5}, 1, "AA 03 05 00 00 00"},
      {"int64 -1", int64_t{-1}, 0, "04 FF FF FF FF FF FF FF FF"},
      {"double alone", 1.5, 0, "06 00 00 00 00 00 00 00 00 00 00 00 00 00 F8 3F"},
      {"double after one byte", 1.5, 1, "AA 06 00 00 00 00 00 00 00 00 00 00 00 00 F8 3F"},
      {"double already aligned", -2.0, 7, "AA AA AA AA AA AA AA 06 00 00 00 00 00 00 00 C0"},
      {"string abc", "abc", 0, "07 03 61 62 63"},
      {"empty string", "", 0, "07 00"},
      {"byte list, never padded", std::vector<uint8_t>{1, 2, 3}, 3, "AA AA AA 08 03 01 02 03"},
      {"int32 list [1]", std::vector<int32_t>{1}, 0, "09 01 00 00 01 00 00 00"},
      {"float list [1]", std::vector<float>{1.0f}, 1, "AA 0E 01 00 00 00 80 3F"},
      {"int64 list [2]", std::vector<int64_t>{2}, 0, "0A 01 00 00 00 00 00 00 02 00 00 00 00 00 00 00"},
      {"empty int32 list pads", std::vector<int32_t>{}, 0, "09 00 00 00"},
      {"empty int64 list pads", std::vector<int64_t>{}, 1, "AA 0A 00 00 00 00 00 00"},
      {"empty double list aligned", std::vector<double>{}, 6, "AA AA AA AA AA AA 0B 00"},
      {"empty int64 list then a value", EncodableList{std::vector<int64_t>{}, true}, 0, "0C 02 0A 00 00 00 00 00 01"},
      {"empty float list then a value", EncodableList{std::vector<float>{}, 7}, 1, "AA 0C 02 0E 00 00 00 00 03 07 00 00 00"},
      {"map id x", EncodableMap{{"id", "x"}}, 0, "0D 01 07 02 69 64 07 01 78"},
      {"map keys in order", EncodableMap{{"name", 1}, {"id", 2}, {"transport", 3}}, 0,
       "0D 03 07 02 69 64 03 02 00 00 00 07 04 6E 61 6D 65 03 01 00 00 00 07 09 74 72 61 6E 73 70 6F 72 74 03 03 00 00 00"},
      {"int key before string key", EncodableMap{{"a", true}, {2, false}}, 0, "0D 02 03 02 00 00 00 02 07 01 61 01"},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ToHex(EncodeAt(row.value, row.offset)), row.hex);
    Decoded decoded = DecodeAt(Hex(row.hex), row.offset);
    EXPECT_EQ(decoded.value, row.value);
    EXPECT_EQ(decoded.log, Lines());
    EXPECT_EQ(decoded.bytes_left, 0u);
  }
}

TEST(StandardCodecSerializer, Sizes) {
  const struct {
    size_t size;
    const char* hex;
  } rows[] = {{253, "FD"},
              {254, "FE FE 00"},
              {65535, "FE FF FF"},
              {65536, "FF 00 00 01 00"},
              {4294967295u, "FF FF FF FF FF"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.hex);
    Bytes written;
    flutter::ByteBufferStreamWriter writer(&written);
    StandardCodecSerializer::GetInstance().WriteSize(row.size, &writer);
    EXPECT_EQ(ToHex(written), row.hex);
    if (row.size <= 65536) {  // strings of that length start with the same size
      Bytes encoded = EncodeAt(std::string(row.size, 'q'));
      EXPECT_EQ(ToHex(Bytes(encoded.begin() + 1, encoded.begin() + 1 + written.size())), row.hex);
      EXPECT_EQ(DecodeAt(encoded).value, EncodableValue(std::string(row.size, 'q')));
    }
  }
  Bytes longer = Hex("FE 05 00");  // the reader does not insist on the shortest form
  flutter::ByteBufferStreamReader reader(longer.data(), longer.size());
  EXPECT_EQ(StandardCodecSerializer::GetInstance().ReadSize(&reader), 5u);
}

// Padding counts from the start of the message: every alternative, alone and nested, at every
// position modulo 8.
TEST(StandardCodecSerializer, RoundTripsEveryAlternativeAtEveryPosition) {
  const EncodableValue samples[] = {
      EncodableValue(),
      true,
      false,
      std::numeric_limits<int32_t>::min(),
      std::numeric_limits<int64_t>::max(),
      -0.25,
      std::string("caf\xC3\xA9\0x", 7),
      std::vector<uint8_t>{0, 0x80, 0xFF},
      std::vector<int32_t>{-1, 0, 1},
      std::vector<int64_t>{std::numeric_limits<int64_t>::min(), 3},
      std::vector<double>{1e300, -0.5},
      EncodableList{1, "two", 3.0, EncodableList{}},
      EncodableMap{{"k", EncodableMap{{int64_t{1}, std::vector<float>{2.5f}}}}},
      std::vector<float>{0.5f, -3.0f, 7.0f}};
  for (const EncodableValue& sample : samples) {
    for (const EncodableValue& value :
         {sample, EncodableValue(EncodableList{true, sample, sample}),
          EncodableValue(EncodableMap{{sample, sample}, {"x", EncodableList{sample}}})}) {
      for (size_t offset = 0; offset < 8; ++offset) {
        SCOPED_TRACE(::testing::PrintToString(value) + " at " + std::to_string(offset));
        Decoded decoded = DecodeAt(EncodeAt(value, offset), offset);
        EXPECT_EQ(decoded.value, value);
        EXPECT_EQ(decoded.log, Lines());
        EXPECT_EQ(decoded.bytes_left, 0u);
      }
    }
  }
}

// Bytes in; value (as its encoding), short-read lines and any other line out.
TEST(StandardCodecSerializer, DecodesEdgeCases) {
  struct Row {
    const char* name;
    const char* in;
    const char* out;
    size_t short_reads;
    const char* other_line;
  };
  // clang-format off
  const Row rows[] = {
      {"tag 5 reads as a string", "05 01 61", "07 01 61", 0, nullptr},
      {"unknown tag", "0F 01", "00", 0, "Unknown type in StandardCodecSerializer::ReadValueOfType: 15"},
      {"unknown tag, next value follows", "0C 02 FF 01", "0C 02 00 01", 0, "Unknown type in StandardCodecSerializer::ReadValueOfType: 255"},
      {"short string keeps its length", "07 05 61 62", "07 05 00 00 00 00 00", 1, nullptr},
      {"list missing an element", "0C 02 00", "0C 02 00 00", 1, nullptr},
      {"duplicate key keeps the first", "0D 02 07 01 61 03 01 00 00 00 07 01 61 03 02 00 00 00", "0D 01 07 01 61 03 01 00 00 00", 0, nullptr},
      {"empty message", "", "00", 1, nullptr},
      {"int32 cut short", "03 01 00", "03 00 00 00 00", 1, nullptr},
      {"double padding past the end", "06 00", "06 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00", 1, nullptr},
      {"missing size", "07", "07 00", 1, nullptr},
      {"two-byte size cut short", "07 FE 01", "07 00", 1, nullptr},
      {"short int32 list zero-filled", "09 02 00 00 01 00 00 00", "09 02 00 00 00 00 00 00 00 00 00 00", 1, nullptr},
      {"map missing its value", "0D 01 07 01 61", "0D 01 07 01 61 00", 1, nullptr},
      {"map missing entries", "0D 03", "0D 01 00 00", 6, nullptr},
      {"empty 64-bit list at the end", "0A 00", "0A 00 00 00 00 00 00 00", 0, nullptr},
      {"huge list in 6 bytes", "0C FF FF FF FF FF", "0C 00", 1, nullptr},
      {"huge list keeps what is there", "0C FF FF FF FF FF 01 02", "0C 02 01 02", 1, nullptr},
      {"huge map keeps what is there", "0D FF FF FF FF FF 01 02", "0D 01 01 02", 1, nullptr},
      {"huge string", "07 FF FF FF FF FF 61", "07 00", 1, nullptr},
      {"huge byte list", "08 FE FF FF", "08 00", 1, nullptr},
      {"huge int64 list", "0A FF FF FF FF FF", "0A 00 00 00 00 00 00 00", 1, nullptr},
      {"huge double list", "0B FF FF FF FF FF", "0B 00 00 00 00 00 00 00", 1, nullptr},
      {"huge float list", "0E FF FF FF FF FF", "0E 00 00 00", 1, nullptr},
      {"16 missing bytes are filled in", "08 10 01", "08 10 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00", 1, nullptr},
      {"17 missing bytes are not", "08 11 01", "08 00", 1, nullptr},
      {"huge string inside a list", "0C 03 07 FF FF FF FF FF 01 01", "0C 03 07 00 01 01", 1, nullptr},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Decoded decoded = DecodeAt(Hex(row.in));
    EXPECT_EQ(ToHex(EncodeAt(decoded.value)), row.out);
    Lines log(row.short_reads, kShortRead);
    if (row.other_line != nullptr) log.push_back(row.other_line);
    EXPECT_EQ(decoded.log, log);
  }
}

// Element slots that the lists in |value| hold or have reserved.
size_t ListRoom(const EncodableValue& value) {
  size_t room = 0;
  if (const auto* list = std::get_if<EncodableList>(&value)) {
    room += list->capacity();
    for (const EncodableValue& element : *list) room += ListRoom(element);
  }
  if (const auto* map = std::get_if<EncodableMap>(&value)) {
    for (const auto& entry : *map) room += ListRoom(entry.first) + ListRoom(entry.second);
  }
  return room;
}

// However large the announced sizes, a message costs log lines (and so values and time) and list
// room in proportion to its size, plus a constant.
TEST(StandardCodecSerializer, HostileSizesCostInProportionToTheMessage) {
  const size_t kConstant = flutter::kMaxNestingDepth * (2 * flutter::kMaxFilledIn + 1) + 2;
  const struct {
    const char* name;
    Bytes message;
  } rows[] = {
      {"huge list of huge strings", Repeat("07 FF FF FF FF FF", 2000, "0C FF FF FF FF FF")},
      {"chain of lists missing their elements", Repeat("0C 10", flutter::kMaxNestingDepth)},
      {"chain of maps missing their entries",
       Repeat("00 0D 10", flutter::kMaxNestingDepth, "0D 10")},
      {"chain of huge lists", Repeat("0C FF FF FF FF FF", 3000)},
      {"huge map of huge lists", Repeat("0A FF FF FF FF FF 0F", 1000, "0D FF FF FF FF FF")},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Decoded decoded = DecodeAt(row.message);
    EXPECT_GT(decoded.log.size(), 0u);
    EXPECT_LE(decoded.log.size(), row.message.size() + kConstant);
    // Reserved room fits in the message; growth while reading at most doubles what was read.
    EXPECT_LE(ListRoom(decoded.value), 3 * (row.message.size() + kConstant));
  }
}

int Depth(const EncodableValue& value) {
  if (const auto* list = std::get_if<EncodableList>(&value)) {
    return list->empty() ? 1 : 1 + Depth(list->front());
  }
  if (const auto* map = std::get_if<EncodableMap>(&value)) {
    return map->empty() ? 1 : 1 + Depth(map->begin()->second);
  }
  return 0;
}

TEST(StandardCodecSerializer, NestingIsLimited) {
  const int limit = flutter::kMaxNestingDepth;
  auto Nested = [](const char* container, size_t depth) {
    Bytes message = Repeat(container, depth);
    message.push_back(0);  // the innermost element
    return message;
  };
  const std::string too_deep = "Nesting deeper than " + std::to_string(limit) +
                               " in StandardCodecSerializer::ReadValueOfType; read as null.";
  const struct {
    const char* name;
    Bytes message;
    int depth;
    bool logged;
  } rows[] = {
      {"64 lists", Nested("0C 01", 64), 64, false},
      {"lists at the limit", Nested("0C 01", limit), limit, false},
      {"maps at the limit", Nested("0D 01 00", limit), limit, false},
      {"lists past the limit", Nested("0C 01", limit + 1), limit, true},
      {"maps past the limit", Nested("0D 01 00", limit + 1), limit, true},
      {"a million lists", Nested("0C 01", 1000000), limit, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    Decoded decoded = DecodeAt(row.message);
    EXPECT_EQ(Depth(decoded.value), row.depth);
    EXPECT_EQ(decoded.log, row.logged ? Lines{too_deep} : Lines());
  }
}

TEST(StandardCodecSerializer, CustomValueTravelsAsNull) {
  LogCapture capture;
  EXPECT_EQ(ToHex(EncodeAt(EncodableList{CustomEncodableValue(42)})), "0C 01 00");
  EXPECT_EQ(capture.Take(), Lines{"Unhandled custom type in StandardCodecSerializer::WriteValue. "
                                  "Custom types require codec extensions."});
}

// Carries custom values holding an int32_t as tag 128.
class IntCustomSerializer : public StandardCodecSerializer {
 public:
  void WriteValue(const EncodableValue& value, flutter::ByteStreamWriter* stream) const override {
    const auto* custom = std::get_if<CustomEncodableValue>(&value);
    if (custom == nullptr) return StandardCodecSerializer::WriteValue(value, stream);
    int32_t number = std::any_cast<int32_t>(custom->value());
    stream->WriteByte(128);
    stream->WriteBytes(reinterpret_cast<const uint8_t*>(&number), 4);
  }
  EncodableValue ReadValueOfType(uint8_t type, flutter::ByteStreamReader* stream) const override {
    if (type != 128) return StandardCodecSerializer::ReadValueOfType(type, stream);
    int32_t number = 0;
    stream->ReadBytes(reinterpret_cast<uint8_t*>(&number), 4);
    return CustomEncodableValue(number);
  }
};

TEST(StandardCodecSerializer, ExtensionPointsApplyAtEveryDepth) {
  IntCustomSerializer serializer;
  EncodableValue value(
      EncodableList{EncodableMap{{"deep", EncodableList{CustomEncodableValue(int32_t{7})}}}});
  Bytes encoded = EncodeAt(value, 0, serializer);
  EXPECT_EQ(ToHex(encoded), "0C 01 0D 01 07 04 64 65 65 70 0C 01 80 07 00 00 00");
  Decoded decoded = DecodeAt(encoded, 0, serializer);
  EXPECT_EQ(decoded.log, Lines());
  const auto& map = std::get<EncodableMap>(std::get<EncodableList>(decoded.value)[0]);
  const auto& inner = std::get<EncodableList>(map.at(EncodableValue("deep")));
  EXPECT_EQ(std::any_cast<int32_t>(std::get<CustomEncodableValue>(inner[0]).value()), 7);
}

}  // namespace
