#include "channel/encodable_value.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "tests/test_util.h"

namespace {

using flutter::CustomEncodableValue;
using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;

// |leaf| inside |depth| single-element lists, or single-entry maps under the key 0.
EncodableValue Nested(int depth, EncodableValue leaf, bool maps = false) {
  for (int i = 0; i < depth; ++i) {
    leaf = maps ? EncodableValue(EncodableMap{{0, std::move(leaf)}})
                : EncodableValue(EncodableList{std::move(leaf)});
  }
  return leaf;
}

// Index first, then content; within a container, element by element through the same ordering.
TEST(EncodableValue, Ordering) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Row {
    const char* name;
    EncodableValue a, b;
    bool a_less, b_less;
  };
  // clang-format off
  const Row rows[] = {
      {"index before content", std::numeric_limits<int32_t>::max(), "", true, false},
      {"null before false", EncodableValue(), false, true, false},
      {"nulls equivalent", EncodableValue(), EncodableValue(), false, false},
      {"int32 before int64", int32_t{9}, int64_t{1}, true, false},
      {"int64 signed", int64_t{-5}, int64_t{0}, true, false},
      {"NaN after a number", nan, 1.0, false, true},
      {"NaN after a number in a list", std::vector<double>{0, 2}, std::vector<double>{0, nan},
       true, false},
      {"NaN after a number in a float list", std::vector<float>{1.0f},
       std::vector<float>{static_cast<float>(nan)}, true, false},
      {"string bytes unsigned", "\x7F", "\x80", true, false},
      {"string prefix first", "ab", "abc", true, false},
      {"bytes unsigned", std::vector<uint8_t>{0x7F}, std::vector<uint8_t>{0x80}, true, false},
      {"float list", std::vector<float>{-1.0f}, std::vector<float>{-0.5f}, true, false},
      {"list element index", EncodableList{"a"}, EncodableList{5}, false, true},
      {"list prefix", EncodableList{1}, EncodableList{1, {}}, true, false},
      {"map key first", EncodableMap{{1, "z"}}, EncodableMap{{2, "a"}}, true, false},
      {"map then value", EncodableMap{{1, "a"}}, EncodableMap{{1, "b"}}, true, false},
      {"map in key order", EncodableMap{{"b", 0}, {"a", 9}}, EncodableMap{{"a", 10}}, true, false},
      {"empty map first", EncodableMap{}, EncodableMap{{{}, {}}}, true, false},
      // Work in proportion to the values, not doubling with each level.
      {"deep lists", Nested(200, 1), Nested(200, 2), true, false},
      {"deep maps", Nested(200, 2, true), Nested(200, 1, true), false, true},
      {"deep equivalent", Nested(200, -0.0), Nested(200, 0.0), false, false},
  };
  // clang-format on
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.a < row.b, row.a_less);
    EXPECT_EQ(row.b < row.a, row.b_less);
    if (row.a.index() != row.b.index()) {
      EXPECT_FALSE(row.a == row.b);
    }
  }
}

// A custom value is equal only to itself, and orders by its address.
TEST(EncodableValue, CustomValuesOrderByAddress) {
  EncodableList values{CustomEncodableValue(1), CustomEncodableValue(1)};
  values.push_back(values[0]);  // a copy is a distinct value
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_FALSE(values[i] < values[i]);
    EXPECT_TRUE(values[i] == values[i]);
    for (size_t j = i + 1; j < values.size(); ++j) {
      EXPECT_TRUE(values[i] < values[j]) << i << " " << j;  // elements lie at rising addresses
      EXPECT_FALSE(values[j] < values[i]) << i << " " << j;
      EXPECT_FALSE(values[i] == values[j]) << i << " " << j;
    }
  }
  EXPECT_EQ((EncodableMap{{values[0], 1}, {values[1], 2}}).size(), 2u);
}

TEST(EncodableValue, Access) {
  EncodableValue value("text");  // a string, never a boolean
  EXPECT_EQ(value.index(), 5u);
  value = int32_t{5};
  EXPECT_EQ(flutter::Get<int32_t>(value), 5);
  try {
    flutter::Get<std::string>(static_cast<const EncodableValue&>(value));
    ADD_FAILURE() << "no error";
  } catch (const std::bad_variant_access& error) {
    EXPECT_STREQ(error.what(), "bad variant access");
  }
  value = "other";
  EXPECT_EQ(std::get<std::string>(value), "other");
}

}  // namespace
