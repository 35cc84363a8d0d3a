// The codec against readers that do not know their end, short typed lists and NaN keys.
#include <algorithm>
#include <limits>
#include <stdexcept>

#include "tests/test_util.h"

namespace {

using flutter::EncodableValue;
using namespace quenbrel_test;  // NOLINT: test helpers

// Keeps the default BytesRemaining (no known end) and throws once its bytes are used up, so a
// decoder that makes room for an announced size before the contents arrive fails first.
class EndlessReader : public flutter::ByteStreamReader {
 public:
  explicit EndlessReader(Bytes bytes) : bytes_(std::move(bytes)) {}
  uint8_t ReadByte() override { return *Take(1); }
  void ReadBytes(uint8_t* out, size_t n) override { std::copy_n(Take(n), n, out); }
  void ReadAlignment(uint8_t a) override { at_ += (a - at_ % a) % a; }

 private:
  const uint8_t* Take(size_t n) {
    if (at_ + n > bytes_.size()) throw std::out_of_range("end of the bytes");
    return bytes_.data() + (at_ += n) - n;
  }
  Bytes bytes_;
  size_t at_ = 0;
};

TEST(CodecHardening, ReaderWithoutAnEndGetsNoRoomAhead) {
  const auto& serializer = StandardCodecSerializer::GetInstance();
  for (const char* hex : {"0C FF FF FF FF FF", "0B FF FF FF FF FF"}) {
    EndlessReader reader(Hex(hex));
    EXPECT_THROW(serializer.ReadValue(&reader), std::out_of_range) << hex;
  }
  const EncodableValue big(
      flutter::EncodableList{std::vector<int64_t>(20000, -3), std::string(70000, 'q')});
  EndlessReader reader(EncodeAt(big));
  EXPECT_EQ(serializer.ReadValue(&reader), big);  // read in parts, assembled whole
}

// As for lists, missing elements of a typed list are filled in up to kMaxFilledIn elements.
TEST(CodecHardening, ShortTypedListsAreFilledInByElementCount) {
  const std::pair<const char*, EncodableValue> rows[] = {
      {"09 05", std::vector<int32_t>(5)},
      {"0A 10 00 00 00 00 00 00 01", std::vector<int64_t>(16)},
      {"0A 11", std::vector<int64_t>()}};
  for (const auto& [in, out] : rows) {
    Decoded decoded = DecodeAt(Hex(in));
    EXPECT_EQ(decoded.value, out) << in;
    EXPECT_EQ(decoded.log, Lines{kShortRead}) << in;
  }
}

// Takes the codec's general path: every byte and nested value through the virtual interfaces.
struct DerivedSerializer : StandardCodecSerializer {};

// NaN orders after every number and is equivalent only to NaN: no key is lost, and the first NaN
// pair stays, as for any duplicate key.
TEST(CodecHardening, NaNKeysOrderAfterEveryNumber) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const flutter::EncodableMap map{{nan, "nan"}, {1.0, "one"}, {0.0, "zero"}, {-nan, "again"}};
  ASSERT_EQ(map.size(), 3u);
  EXPECT_EQ(map.at(1.0), EncodableValue("one"));
  EXPECT_EQ(map.rbegin()->second, EncodableValue("nan"));
  const Bytes bytes = EncodeAt(map, 5, DerivedSerializer());  // the first double needs no padding
  EXPECT_EQ(bytes, EncodeAt(map, 5));
  EXPECT_EQ(EncodeAt(DecodeAt(bytes, 5, DerivedSerializer()).value, 5), bytes);
  EXPECT_LT(EncodableValue(std::vector<double>{0, 2}), EncodableValue(std::vector<double>{0, nan}));
  EXPECT_LT(EncodableValue(std::vector<float>{1}),
            EncodableValue(std::vector<float>{static_cast<float>(nan)}));
}

}  // namespace
