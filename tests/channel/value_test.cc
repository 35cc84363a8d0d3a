#include "channel/encodable_value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "standins/driver/app_messages.h"
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
  for (const quenbrel_test::Lines& row : quenbrel_test::Cases("value_cases.txt", "order")) {
    SCOPED_TRACE(row[3]);
    EncodableValue a, b;
    ASSERT_TRUE(app::ParseValue(row[0], &a) && app::ParseValue(row[1], &b));
    EXPECT_EQ(a < b, row[2] == "<");
    EXPECT_EQ(b < a, row[2] == ">");
    EXPECT_TRUE(a.index() == b.index() || !(a == b));
  }
  // Work in proportion to the values, not doubling with each level.
  EXPECT_LT(Nested(200, 1), Nested(200, 2));
  EXPECT_LT(Nested(200, 1, true), Nested(200, 2, true));
  EXPECT_FALSE(Nested(200, -0.0) < Nested(200, 0.0) || Nested(200, 0.0) < Nested(200, -0.0));
}

// A custom value is equal only to itself, and orders by its address.
TEST(EncodableValue, CustomValuesOrderByAddress) {
  EncodableList values{CustomEncodableValue(1), CustomEncodableValue(1)};
  values.push_back(values[0]);  // a copy is a distinct value
  for (size_t i = 0; i < values.size(); ++i) {
    for (size_t j = 0; j < values.size(); ++j) {
      EXPECT_EQ(values[i] < values[j], i < j) << i << " " << j;  // at rising addresses
      EXPECT_EQ(values[i] == values[j], i == j) << i << " " << j;
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
