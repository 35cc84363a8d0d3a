#include "channel/standard_codec_serializer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "channel/byte_buffer_streams.h"
#include "channel/log_line.h"
#include "tests/channel/channel_test_util.h"

namespace {

using flutter::CustomEncodableValue;
using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using flutter::StandardCodecSerializer;
using quenbrel_test::Bytes;
using quenbrel_test::DecodeAt;
using quenbrel_test::EncodeAt;
using quenbrel_test::Hex;
using quenbrel_test::kShortRead;
using quenbrel_test::LogCapture;
using quenbrel_test::ToHex;
using Lines = std::vector<std::string>;

const char kCustomLine[] =
    "Unhandled custom type in StandardCodecSerializer::WriteValue. Custom types require codec "
    "extensions.";

Bytes DoubleBytes(double number) {
  Bytes bytes(8);
  std::memcpy(bytes.data(), &number, 8);
  return bytes;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// |piece| |count| times.
Bytes Repeat(const Bytes& piece, size_t count) {
  Bytes bytes;
  for (size_t i = 0; i < count; ++i) bytes.insert(bytes.end(), piece.begin(), piece.end());
  return bytes;
}

// Encoding at a position: the expected bytes include the |offset| 0xAA bytes before the value.
// Every row also decodes back to its value without a log line.
TEST(StandardCodecSerializer, EncodesEdgeCases) {
  struct Row {
    const char* name;
    EncodableValue value;
    size_t offset;
    Bytes expected;
  };
  const Row rows[] = {
      {"null", EncodableValue(), 0, Hex("00")},
      {"true", EncodableValue(true), 0, Hex("01")},
      {"false", EncodableValue(false), 0, Hex("02")},
      {"int32 5", EncodableValue(int32_t{5}), 0, Hex("03 05 00 00 00")},
      {"int32 5 unaligned", EncodableValue(int32_t{5}), 1, Hex("AA 03 05 00 00 00")},
      {"int64 -1", EncodableValue(int64_t{-1}), 0, Hex("04 FF FF FF FF FF FF FF FF")},
      {"double whole message", EncodableValue(1.5), 0,
       Concat(Hex("06 00 00 00 00 00 00 00"), DoubleBytes(1.5))},
      {"double after one byte", EncodableValue(1.5), 1,
       Concat(Hex("AA 06 00 00 00 00 00 00"), DoubleBytes(1.5))},
      {"double already aligned", EncodableValue(-2.0), 7,
       Concat(Hex("AA AA AA AA AA AA AA 06"), DoubleBytes(-2.0))},
      {"string abc", EncodableValue("abc"), 0, Hex("07 03 61 62 63")},
      {"empty string", EncodableValue(""), 0, Hex("07 00")},
      {"byte list", EncodableValue(std::vector<uint8_t>{1, 2, 3}), 0, Hex("08 03 01 02 03")},
      {"byte list unaligned", EncodableValue(std::vector<uint8_t>{1, 2, 3}), 3,
       Hex("AA AA AA 08 03 01 02 03")},
      {"int32 list [1]", EncodableValue(std::vector<int32_t>{1}), 0,
       Hex("09 01 00 00 01 00 00 00")},
      {"float list [1]", EncodableValue(std::vector<float>{1.0f}), 1,
       Hex("AA 0E 01 00 00 00 80 3F")},
      {"int64 list [2]", EncodableValue(std::vector<int64_t>{2}), 0,
       Hex("0A 01 00 00 00 00 00 00 02 00 00 00 00 00 00 00")},
      {"empty int32 list still pads", EncodableValue(std::vector<int32_t>{}), 0,
       Hex("09 00 00 00")},
      {"empty int64 list still pads", EncodableValue(std::vector<int64_t>{}), 1,
       Hex("AA 0A 00 00 00 00 00 00")},
      {"empty double list aligned", EncodableValue(std::vector<double>{}), 6,
       Hex("AA AA AA AA AA AA 0B 00")},
      {"map id x", EncodableValue(EncodableMap{{"id", "x"}}), 0, Hex("0D 01 07 02 69 64 07 01 78")},
      {"map keys sorted", EncodableValue(EncodableMap{{"name", 1}, {"id", 2}, {"transport", 3}}), 0,
       Hex("0D 03 07 02 69 64 03 02 00 00 00 07 04 6E 61 6D 65 03 01 00 00 00"
           " 07 09 74 72 61 6E 73 70 6F 72 74 03 03 00 00 00")},
      {"int key before string key", EncodableValue(EncodableMap{{"a", true}, {2, false}}), 0,
       Hex("0D 02 03 02 00 00 00 02 07 01 61 01")},
      // The empty 64-bit list is followed by another value at an unaligned position.
      {"empty int64 list then value",
       EncodableValue(EncodableList{std::vector<int64_t>{}, EncodableValue(true)}), 0,
       Hex("0C 02 0A 00 00 00 00 00 01")},
      {"empty float list then value",
       EncodableValue(EncodableList{std::vector<float>{}, EncodableValue(int32_t{7})}), 1,
       Hex("AA 0C 02 0E 00 00 00 00 03 07 00 00 00")},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Bytes encoded = EncodeAt(row.value, row.offset);
    EXPECT_EQ(ToHex(encoded), ToHex(row.expected));
    quenbrel_test::Decoded decoded = DecodeAt(row.expected, row.offset);
    EXPECT_EQ(decoded.value, row.value);
    EXPECT_EQ(decoded.log, Lines());
    EXPECT_EQ(decoded.bytes_left, 0u);
  }
}

TEST(StandardCodecSerializer, LongStringsUseLongerSizes) {
  struct Row {
    size_t length;
    Bytes start;
  };
  const Row rows[] = {{253, Hex("07 FD")},
                      {254, Hex("07 FE FE 00")},
                      {65535, Hex("07 FE FF FF")},
                      {65536, Hex("07 FF 00 00 01 00")}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.length);
    EncodableValue value(std::string(row.length, 'q'));
    Bytes encoded = EncodeAt(value);
    ASSERT_EQ(encoded.size(), row.start.size() + row.length);
    EXPECT_EQ(ToHex(Bytes(encoded.begin(), encoded.begin() + row.start.size())), ToHex(row.start));
    EXPECT_EQ(DecodeAt(encoded).value, value);
  }
}

TEST(StandardCodecSerializer, SizeEncoding) {
  struct Row {
    size_t size;
    const char* bytes;
    bool canonical;  // WriteSize writes exactly these bytes
  };
  const Row rows[] = {
      {0, "00", true},
      {253, "FD", true},
      {254, "FE FE 00", true},
      {65535, "FE FF FF", true},
      {65536, "FF 00 00 01 00", true},
      {4294967295u, "FF FF FF FF FF", true},
      {5, "FE 05 00", false},
      {7, "FF 07 00 00 00", false},
  };
  const StandardCodecSerializer& serializer = StandardCodecSerializer::GetInstance();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.bytes);
    Bytes bytes = Hex(row.bytes);
    flutter::ByteBufferStreamReader reader(bytes.data(), bytes.size());
    EXPECT_EQ(serializer.ReadSize(&reader), row.size);
    EXPECT_EQ(reader.BytesRemaining(), 0u);
    if (row.canonical) {
      Bytes written;
      flutter::ByteBufferStreamWriter writer(&written);
      serializer.WriteSize(row.size, &writer);
      EXPECT_EQ(ToHex(written), ToHex(bytes));
    }
  }
}

// Every alternative survives a round trip at every position modulo 8, as a lone value and inside
// a list and a map, since padding counts from the start of the message.
TEST(StandardCodecSerializer, RoundTripsEveryAlternativeAtEveryPosition) {
  const EncodableValue samples[] = {
      EncodableValue(),
      EncodableValue(true),
      EncodableValue(false),
      EncodableValue(std::numeric_limits<int32_t>::min()),
      EncodableValue(std::numeric_limits<int64_t>::max()),
      EncodableValue(-0.25),
      EncodableValue(std::string("caf\xC3\xA9\0x", 7)),
      EncodableValue(std::vector<uint8_t>{0, 0x80, 0xFF}),
      EncodableValue(std::vector<int32_t>{-1, 0, 1}),
      EncodableValue(std::vector<int64_t>{std::numeric_limits<int64_t>::min(), 3}),
      EncodableValue(std::vector<double>{1e300, -0.5}),
      EncodableValue(EncodableList{1, "two", 3.0, EncodableList{}}),
      EncodableValue(EncodableMap{{"k", EncodableMap{{int64_t{1}, std::vector<float>{2.5f}}}}}),
      EncodableValue(std::vector<float>{0.5f, -3.0f, 7.0f}),
  };
  for (const EncodableValue& sample : samples) {
    const EncodableValue wrapped[] = {
        sample,
        EncodableValue(EncodableList{true, sample, sample}),
        EncodableValue(EncodableMap{{sample, sample}, {"x", EncodableList{sample}}}),
    };
    for (const EncodableValue& value : wrapped) {
      for (size_t offset = 0; offset < 8; ++offset) {
        SCOPED_TRACE(::testing::PrintToString(value) + " at " + std::to_string(offset));
        quenbrel_test::Decoded decoded = DecodeAt(EncodeAt(value, offset), offset);
        EXPECT_EQ(decoded.value, value);
        EXPECT_EQ(decoded.log, Lines());
        EXPECT_EQ(decoded.bytes_left, 0u);
      }
    }
  }
}

// Bytes in, value and log lines out; includes truncated and hostile input.
TEST(StandardCodecSerializer, DecodesEdgeCases) {
  struct Row {
    const char* name;
    const char* bytes;
    EncodableValue expected;
    Lines log;
  };
  const std::string hostile_string_line = kShortRead;
  const Row rows[] = {
      {"tag 5 reads as string", "05 01 61", EncodableValue("a"), {}},
      {"unknown tag",
       "0F 01",
       EncodableValue(),
       {"Unknown type in StandardCodecSerializer::ReadValueOfType: 15"}},
      {"unknown tag 255",
       "FF",
       EncodableValue(),
       {"Unknown type in StandardCodecSerializer::ReadValueOfType: 255"}},
      {"unknown tag in a list, next value follows",
       "0C 02 0F 01",
       EncodableValue(EncodableList{EncodableValue(), true}),
       {"Unknown type in StandardCodecSerializer::ReadValueOfType: 15"}},
      {"short string keeps its length",
       "07 05 61 62",
       EncodableValue(std::string(5, '\0')),
       {kShortRead}},
      {"list missing an element", "0C 02 00", EncodableValue(EncodableList{{}, {}}), {kShortRead}},
      {"duplicate key keeps the first",
       "0D 02 07 01 61 03 01 00 00 00 07 01 61 03 02 00 00 00",
       EncodableValue(EncodableMap{{"a", 1}}),
       {}},
      {"empty message", "", EncodableValue(), {kShortRead}},
      {"int32 cut short", "03 01 00", EncodableValue(int32_t{0}), {kShortRead}},
      {"int64 cut short", "04 01", EncodableValue(int64_t{0}), {kShortRead}},
      {"double padding past the end", "06 00", EncodableValue(0.0), {kShortRead}},
      {"missing size", "07", EncodableValue(""), {kShortRead}},
      {"two-byte size cut short", "07 FE 01", EncodableValue(""), {kShortRead}},
      {"short int32 list zero-filled",
       "09 02 00 00 01 00 00 00",
       EncodableValue(std::vector<int32_t>{0, 0}),
       {kShortRead}},
      {"map missing its value",
       "0D 01 07 01 61",
       EncodableValue(EncodableMap{{"a", {}}}),
       {kShortRead}},
      {"map missing entries",
       "0D 03",
       EncodableValue(EncodableMap{{{}, {}}}),
       {kShortRead, kShortRead, kShortRead, kShortRead, kShortRead, kShortRead}},
      {"empty 64-bit list without padding", "0A 00", EncodableValue(std::vector<int64_t>{}), {}},
      // Sizes the message cannot hold.
      {"huge list in 6 bytes", "0C FF FF FF FF FF", EncodableValue(EncodableList{}), {kShortRead}},
      {"huge list keeps what is there",
       "0C FF FF FF FF FF 01 02",
       EncodableValue(EncodableList{true, false}),
       {kShortRead}},
      {"huge map",
       "0D FF FF FF FF FF 01 02",
       EncodableValue(EncodableMap{{true, false}}),
       {kShortRead}},
      {"huge string", "07 FF FF FF FF FF 61", EncodableValue(""), {kShortRead}},
      {"huge byte list", "08 FE FF FF", EncodableValue(std::vector<uint8_t>{}), {kShortRead}},
      {"huge int64 list",
       "0A FF FF FF FF FF",
       EncodableValue(std::vector<int64_t>{}),
       {kShortRead}},
      {"huge double list",
       "0B FF FF FF FF FF",
       EncodableValue(std::vector<double>{}),
       {kShortRead}},
      {"huge float list", "0E FF FF FF FF FF", EncodableValue(std::vector<float>{}), {kShortRead}},
      {"17 bytes missing is too many",
       "08 11 01",
       EncodableValue(std::vector<uint8_t>{}),
       {kShortRead}},
      {"16 bytes missing are filled in",
       "08 10 01",
       EncodableValue(std::vector<uint8_t>(16, 0)),
       {kShortRead}},
      {"hostile string inside a list",
       "0C 03 07 FF FF FF FF FF 01 01",
       EncodableValue(EncodableList{"", true, true}),
       {kShortRead}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    quenbrel_test::Decoded decoded = DecodeAt(Hex(row.bytes));
    EXPECT_EQ(decoded.value, row.expected);
    EXPECT_EQ(decoded.log, row.log);
  }
}

// However large the announced sizes, decoding costs log lines (and with them values) in
// proportion to the message, plus a constant.
TEST(StandardCodecSerializer, HostileSizesCostInProportionToTheMessage) {
  const Bytes huge_string = Hex("07 FF FF FF FF FF");
  const Bytes huge_list = Hex("0C FF FF FF FF FF");
  const Bytes full_list = Hex("0C 10");  // 16 elements, filled in when missing
  struct Row {
    const char* name;
    Bytes message;
  };
  std::vector<Row> rows;
  rows.push_back({"huge list of huge strings", Concat(huge_list, Repeat(huge_string, 2000))});
  rows.push_back({"deepest chain of lists missing their elements",
                  Repeat(full_list, flutter::kMaxNestingDepth)});
  rows.push_back({"chain of huge lists", Repeat(huge_list, 3000)});
  rows.push_back({"huge map of huge lists",
                  Concat(Hex("0D FF FF FF FF FF"), Repeat(Hex("0A FF FF FF FF FF 0F"), 1000))});
  const size_t kConstant = flutter::kMaxNestingDepth * (2 * flutter::kMaxFilledIn + 1) + 2;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    quenbrel_test::Decoded decoded = DecodeAt(row.message);
    EXPECT_LE(decoded.log.size(), row.message.size() + kConstant);
    EXPECT_GT(decoded.log.size(), 0u);
  }
}

// A chain of lists (or maps) |depth| deep, innermost holding null.
Bytes Nested(int depth, const char* container) {
  Bytes message = Repeat(Hex(container), depth);
  message.push_back(0);
  return message;
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
  const std::string too_deep = "Nesting deeper than " + std::to_string(flutter::kMaxNestingDepth) +
                               " in StandardCodecSerializer::ReadValueOfType; read as null.";
  struct Row {
    const char* name;
    Bytes message;
    int depth;
    Lines log;
  };
  const int limit = flutter::kMaxNestingDepth;
  const Row rows[] = {
      {"64 lists", Nested(64, "0C 01"), 64, {}},
      {"lists at the limit", Nested(limit, "0C 01"), limit, {}},
      {"maps at the limit", Nested(limit, "0D 01 00"), limit, {}},
      {"lists past the limit", Nested(limit + 1, "0C 01"), limit, {too_deep}},
      {"maps past the limit", Nested(limit + 1, "0D 01 00"), limit, {too_deep}},
      {"a million lists", Nested(1000000, "0C 01"), limit, {too_deep}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    quenbrel_test::Decoded decoded = DecodeAt(row.message);
    EXPECT_EQ(Depth(decoded.value), row.depth);
    EXPECT_EQ(decoded.log, row.log);
  }
  // The limit is per message: the next decode on this thread starts from the top again.
  EXPECT_EQ(Depth(DecodeAt(Nested(limit, "0C 01")).value), limit);
}

TEST(StandardCodecSerializer, CustomValueTravelsAsNull) {
  LogCapture capture;
  EncodableValue list(EncodableList{CustomEncodableValue(42)});
  EXPECT_EQ(ToHex(EncodeAt(list)), "0C 01 00");
  EXPECT_EQ(capture.Lines(), Lines{kCustomLine});
}

// A serializer that carries custom values holding an int32_t as tag 128.
class IntCustomSerializer : public StandardCodecSerializer {
 public:
  void WriteValue(const EncodableValue& value, flutter::ByteStreamWriter* stream) const override {
    if (const auto* custom = std::get_if<CustomEncodableValue>(&value)) {
      stream->WriteByte(128);
      int32_t number = std::any_cast<int32_t>(custom->value());
      stream->WriteBytes(reinterpret_cast<const uint8_t*>(&number), 4);
      return;
    }
    StandardCodecSerializer::WriteValue(value, stream);
  }
  EncodableValue ReadValueOfType(uint8_t type, flutter::ByteStreamReader* stream) const override {
    if (type == 128) {
      int32_t number = 0;
      stream->ReadBytes(reinterpret_cast<uint8_t*>(&number), 4);
      return EncodableValue(CustomEncodableValue(number));
    }
    return StandardCodecSerializer::ReadValueOfType(type, stream);
  }
};

TEST(StandardCodecSerializer, ExtensionPointsApplyAtEveryDepth) {
  IntCustomSerializer serializer;
  EncodableValue value(
      EncodableList{EncodableMap{{"deep", EncodableList{CustomEncodableValue(int32_t{7})}}}});
  Bytes encoded = EncodeAt(value, 0, serializer);
  EXPECT_EQ(ToHex(encoded), "0C 01 0D 01 07 04 64 65 65 70 0C 01 80 07 00 00 00");
  quenbrel_test::Decoded decoded = DecodeAt(encoded, 0, serializer);
  EXPECT_EQ(decoded.log, Lines());
  const auto& map = std::get<EncodableMap>(std::get<EncodableList>(decoded.value)[0]);
  const auto& inner = std::get<EncodableList>(map.at(EncodableValue("deep")));
  EXPECT_EQ(std::any_cast<int32_t>(std::get<CustomEncodableValue>(inner[0]).value()), 7);
}

TEST(StandardCodecSerializer, SharedInstance) {
  EXPECT_EQ(&StandardCodecSerializer::GetInstance(), &StandardCodecSerializer::GetInstance());
}

}  // namespace
