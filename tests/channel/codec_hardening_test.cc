// The codec against readers that do not know their end, short typed lists, NaN keys, and
// derived serializers at every depth.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/test_util.h"

namespace {

using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;
using namespace quenbrel_test;  // NOLINT: test helpers

// Keeps the default BytesRemaining (no known end) and throws once its bytes are used up, so a
// decoder that makes room for an announced size before the contents arrive fails first.
class EndlessReader : public flutter::ByteStreamReader {
 public:
  explicit EndlessReader(Bytes bytes) : bytes_(std::move(bytes)) {}
  uint8_t ReadByte() override {
    uint8_t byte;
    ReadBytes(&byte, 1);
    return byte;
  }
  void ReadBytes(uint8_t* buffer, size_t length) override {
    if (at_ + length > bytes_.size()) throw std::out_of_range("end of the bytes");
    std::copy_n(bytes_.begin() + at_, length, buffer);
    at_ += length;
  }
  void ReadAlignment(uint8_t alignment) override {
    at_ += (alignment - at_ % alignment) % alignment;
  }

 private:
  Bytes bytes_;
  size_t at_ = 0;
};

TEST(CodecHardening, ReaderWithoutAnEndGetsNoRoomAhead) {
  const auto& serializer = StandardCodecSerializer::GetInstance();
  for (const char* hex : {"0C FF FF FF FF FF", "0B FF FF FF FF FF"}) {
    EndlessReader reader(Hex(hex));
    EXPECT_THROW(serializer.ReadValue(&reader), std::out_of_range) << hex;
  }
  const EncodableValue big(EncodableList{std::vector<int64_t>(20000, -3), std::string(70000, 'q')});
  EndlessReader reader(EncodeAt(big, 3));
  for (int i = 0; i < 3; ++i) reader.ReadByte();
  EXPECT_EQ(serializer.ReadValue(&reader), big);  // read in parts, assembled whole
}

// As lists do, a short typed list is filled in with zeros up to kMaxFilledIn elements.
TEST(CodecHardening, ShortTypedListsAreFilledInByElementCount) {
  const struct {
    const char* in;
    EncodableValue out;
  } rows[] = {{"09 05", std::vector<int32_t>(5)},
              {"0A 10 00 00 00 00 00 00 01", std::vector<int64_t>(16)},
              {"0A 11", std::vector<int64_t>()},
              {"0E 03 00 00 00 00 80 3F", std::vector<float>(3)}};
  for (const auto& row : rows) {
    Decoded decoded = DecodeAt(Hex(row.in));
    EXPECT_EQ(decoded.value, row.out) << row.in;
    EXPECT_EQ(decoded.log, Lines{kShortRead}) << row.in;
  }
}

// NaN orders after every number and is equivalent only to NaN: no key is lost, and the first NaN
// pair read stays, as for any duplicate key.
TEST(CodecHardening, NaNKeysOrderAfterEveryNumber) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const EncodableMap map{{nan, "nan"}, {1.0, "one"}, {0.0, "zero"}, {-nan, "again"}};
  ASSERT_EQ(map.size(), 3u);
  EXPECT_EQ(map.at(0.0), EncodableValue("zero"));
  EXPECT_EQ(map.at(1.0), EncodableValue("one"));
  EXPECT_EQ(map.rbegin()->second, EncodableValue("nan"));
  EXPECT_EQ(EncodeAt(DecodeAt(EncodeAt(map)).value), EncodeAt(map));
  const EncodableValue numbers(std::vector<double>{0.0, 2.0}), nans(std::vector<double>{0.0, nan});
  EXPECT_TRUE(numbers < nans);
  EXPECT_FALSE(nans < numbers || nans < nans);
  EXPECT_TRUE(EncodableValue(std::vector<float>{1.0f}) < EncodableValue(std::vector<float>{NAN}));
}

}  // namespace
