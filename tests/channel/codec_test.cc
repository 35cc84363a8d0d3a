// The standard codec against the byte tables in codec_cases.txt, and against hostile messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "channel/standard_codec_serializer.h"
#include "tests/test_util.h"

namespace {

using flutter::CustomEncodableValue;
using flutter::EncodableList;
using flutter::EncodableMap;
using namespace quenbrel_test;  // NOLINT: test helpers

// Each value also survives a trip at every position modulo 8, alone and nested in a list and a
// map: padding counts from the start of the message.
TEST(StandardCodec, Layout) {
  for (const Lines& row : Cases("codec_cases.txt", "same")) {
    SCOPED_TRACE(row[2]);
    const size_t offset = std::stoul(row[0]);
    const Decoded decoded = DecodeAt(Hex(row[1]), offset);
    EXPECT_EQ(decoded.log, Lines());
    EXPECT_EQ(decoded.bytes_left, 0u);
    EXPECT_EQ(ToHex(EncodeAt(decoded.value, offset)), ToHex(Hex(row[1])));
    const EncodableValue& v = decoded.value;
    for (const EncodableValue& value : {v, EncodableValue(EncodableList{true, v, v}),
                                        EncodableValue(EncodableMap{{v, v}, {"x", v}})}) {
      for (size_t at = 0; at < 8; ++at) {
        const Decoded again = DecodeAt(EncodeAt(value, at), at);
        EXPECT_EQ(again.value, value) << "at " << at;
        EXPECT_EQ(again.log, Lines()) << "at " << at;
      }
    }
  }
  Bytes largest;
  flutter::ByteBufferStreamWriter writer(&largest);
  StandardCodecSerializer::GetInstance().WriteSize(4294967295u, &writer);
  EXPECT_EQ(ToHex(largest), "FF FF FF FF FF");
}

// Carries custom values holding an int32_t as tag 128; the standard serializer writes them null.
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

// Keeps the default BytesRemaining (no known end). Past its bytes a read gives nothing and counts
// as a short read of the message, as every reader's does; after 4 x kFillInBudget bytes asked for
// there it throws, so that a decoder that goes on reading a dry reader fails at once.
class UnendedReader : public flutter::ByteStreamReader {
 public:
  explicit UnendedReader(Bytes bytes) : bytes_(std::move(bytes)) {}
  uint8_t ReadByte() override {
    uint8_t byte = 0;
    ReadBytes(&byte, 1);
    return byte;
  }
  void ReadBytes(uint8_t* out, size_t n) override {
    if (at_ + n <= bytes_.size()) {
      std::copy_n(bytes_.begin() + at_, n, out);
      at_ += n;
      return;
    }
    flutter::LogShortRead(decode_budget());
    if ((dry_ += n) > 4 * flutter::kFillInBudget) throw std::length_error("reads on past the end");
  }
  void ReadAlignment(uint8_t a) override { at_ += (a - at_ % a) % a; }

 private:
  Bytes bytes_;
  size_t at_ = 0, dry_ = 0;
};

// |bytes| decoded through |serializer| from an UnendedReader.
Decoded DecodeUnended(const Bytes& bytes, const StandardCodecSerializer& serializer) {
  UnendedReader reader(bytes);
  Decoded decoded;
  decoded.log = Logged([&] {
    try {
      decoded.value = serializer.ReadValue(&reader);
    } catch (const std::length_error& e) {
      ADD_FAILURE() << e.what();
    }
  });
  return decoded;
}

// Through the standard serializer, and through a derived one, which reads nested values through
// its own ReadValueOfType; each "unended" row from a reader that does not know its end.
TEST(StandardCodec, BadInput) {
  const IntCustomSerializer derived;
  const StandardCodecSerializer* serializers[] = {&StandardCodecSerializer::GetInstance(),
                                                  &derived};
  for (const std::string kind : {"read", "unended"}) {
    for (const Lines& row : Cases("codec_cases.txt", kind)) {
      for (const StandardCodecSerializer* serializer : serializers) {
        SCOPED_TRACE(row[4] + (serializer == &derived ? " (derived)" : ""));
        const Decoded decoded = kind == "read" ? DecodeAt(Hex(row[0]), 0, *serializer)
                                               : DecodeUnended(Hex(row[0]), *serializer);
        EXPECT_EQ(ToHex(EncodeAt(decoded.value)), ToHex(Hex(row[1])));
        Lines log(std::stoul(row[2]), kShortRead);
        if (!row[3].empty()) log.push_back(row[3]);
        EXPECT_EQ(decoded.log, log);
      }
    }
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

int Depth(const EncodableValue& value) {
  if (const auto* list = std::get_if<EncodableList>(&value)) {
    return 1 + (list->empty() ? 0 : Depth(list->front()));
  }
  if (const auto* map = std::get_if<EncodableMap>(&value)) {
    return 1 + (map->empty() ? 0 : Depth(map->begin()->second));
  }
  return 0;
}

// However large the sizes announced or deep the nesting, a message costs log lines, values and
// list room in proportion to its size, plus the fill-in budget; nesting stops at 128 levels.
TEST(StandardCodec, HostileMessages) {
  const std::string too_deep =
      "Nesting deeper than 128 in StandardCodecSerializer::ReadValueOfType; read as null.";
  for (const Lines& row : Cases("codec_cases.txt", "hostile")) {
    SCOPED_TRACE(row[5]);
    Bytes message = Hex(row[0]);
    const Bytes piece = Hex(row[1]);
    for (size_t i = std::stoul(row[2]); i > 0; --i) {
      message.insert(message.end(), piece.begin(), piece.end());
    }
    const Decoded decoded = DecodeAt(message);
    const size_t bound = message.size() + flutter::kFillInBudget + 128 * 33 + 2;
    EXPECT_LE(decoded.log.size(), bound);
    EXPECT_LE(ListRoom(decoded.value), 3 * bound);
    EXPECT_EQ(Depth(decoded.value), std::stoi(row[3]));
    EXPECT_EQ(std::count(decoded.log.begin(), decoded.log.end(), too_deep) > 0, row[4] == "yes");
  }
}

TEST(StandardCodec, CustomValues) {
  const EncodableValue value(
      EncodableList{EncodableMap{{"deep", EncodableList{CustomEncodableValue(int32_t{7})}}}, 1.5});
  Bytes encoded;
  EXPECT_EQ(Logged([&] { encoded = EncodeAt(value); }),
            Lines{"Unhandled custom type in StandardCodecSerializer::WriteValue. "
                  "Custom types require codec extensions."});
  EXPECT_EQ(encoded, Hex("0C 02 0D 01 07 04 64 65 65 70 0C 01 00 06 8*00 F8 3F"));
  IntCustomSerializer serializer;
  encoded = EncodeAt(value, 0, serializer);
  // Through the general path, where the buffer writer pads.
  EXPECT_EQ(encoded, Hex("0C 02 0D 01 07 04 64 65 65 70 0C 01 80 07 00 00 00 06 12*00 F8 3F"));
  const Decoded decoded = DecodeAt(encoded, 0, serializer);  // the custom value read back too
  EXPECT_EQ(decoded.log, Lines());
  EXPECT_EQ(EncodeAt(decoded.value, 0, serializer), encoded);
}

}  // namespace
