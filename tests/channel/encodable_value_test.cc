#include "channel/encodable_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "tests/channel/channel_test_util.h"

namespace {

using flutter::CustomEncodableValue;
using flutter::EncodableList;
using flutter::EncodableMap;
using flutter::EncodableValue;

TEST(EncodableValue, AlternativesInIndexOrder) {
  struct Row {
    const char* name;
    EncodableValue value;
    size_t index;
  };
  const Row rows[] = {
      {"default", EncodableValue(), 0},
      {"bool", EncodableValue(true), 1},
      {"int32", EncodableValue(int32_t{1}), 2},
      {"int64", EncodableValue(int64_t{1}), 3},
      {"double", EncodableValue(1.0), 4},
      {"character string", EncodableValue("text"), 5},
      {"assigned character string",
       [] {
         EncodableValue value(true);
         value = "text";
         return value;
       }(),
       5},
      {"std::string", EncodableValue(std::string("text")), 5},
      {"bytes", EncodableValue(std::vector<uint8_t>{}), 6},
      {"int32 list", EncodableValue(std::vector<int32_t>{}), 7},
      {"int64 list", EncodableValue(std::vector<int64_t>{}), 8},
      {"double list", EncodableValue(std::vector<double>{}), 9},
      {"list", EncodableValue(EncodableList{}), 10},
      {"map", EncodableValue(EncodableMap{}), 11},
      {"custom", EncodableValue(CustomEncodableValue(1)), 12},
      {"float list", EncodableValue(std::vector<float>{}), 13},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.value.index(), row.index) << row.name;
  }
}

TEST(EncodableValue, CopiesDeeplyAndMoves) {
  EncodableValue original(EncodableList{EncodableMap{{"bytes", std::vector<uint8_t>{1, 2}}}});
  EncodableValue copy = original;
  auto& bytes = std::get<std::vector<uint8_t>>(
      std::get<EncodableMap>(std::get<EncodableList>(copy)[0]).begin()->second);
  bytes.push_back(3);
  EXPECT_NE(copy, original);
  EXPECT_EQ(
      std::get<EncodableMap>(std::get<EncodableList>(original)[0]).at(EncodableValue("bytes")),
      EncodableValue(std::vector<uint8_t>{1, 2}));

  EncodableValue moved = std::move(copy);
  EXPECT_EQ(std::get<EncodableList>(moved).size(), 1u);

  EncodableValue custom(CustomEncodableValue(std::string("payload")));
  EncodableValue custom_copy = custom;
  EXPECT_EQ(std::any_cast<std::string>(std::get<CustomEncodableValue>(custom_copy).value()),
            "payload");
}

// Pairs (a, b) with whether a < b and whether b < a.
TEST(EncodableValue, Ordering) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Row {
    const char* name;
    EncodableValue a;
    EncodableValue b;
    bool a_less;
    bool b_less;
  };
  const Row rows[] = {
      {"index before content", EncodableValue(std::numeric_limits<int32_t>::max()),
       EncodableValue(""), true, false},
      {"null before false", EncodableValue(), EncodableValue(false), true, false},
      {"nulls equivalent", EncodableValue(), EncodableValue(), false, false},
      {"false before true", EncodableValue(false), EncodableValue(true), true, false},
      {"int32 signed", EncodableValue(int32_t{-1}), EncodableValue(int32_t{1}), true, false},
      {"int64 signed", EncodableValue(int64_t{-5}), EncodableValue(int64_t{0}), true, false},
      {"int32 before int64", EncodableValue(int32_t{9}), EncodableValue(int64_t{1}), true, false},
      {"double", EncodableValue(-0.5), EncodableValue(0.25), true, false},
      {"NaN against a number", EncodableValue(nan), EncodableValue(1.0), false, false},
      {"string bytes unsigned", EncodableValue("\x7F"), EncodableValue("\x80"), true, false},
      {"string prefix first", EncodableValue("ab"), EncodableValue("abc"), true, false},
      {"bytes unsigned", EncodableValue(std::vector<uint8_t>{0x7F}),
       EncodableValue(std::vector<uint8_t>{0x80}), true, false},
      {"int32 list signed", EncodableValue(std::vector<int32_t>{-1}),
       EncodableValue(std::vector<int32_t>{0}), true, false},
      {"int64 list prefix", EncodableValue(std::vector<int64_t>{1}),
       EncodableValue(std::vector<int64_t>{1, 0}), true, false},
      {"double list", EncodableValue(std::vector<double>{1.0, -2.0}),
       EncodableValue(std::vector<double>{1.0, -1.0}), true, false},
      {"float list", EncodableValue(std::vector<float>{-1.0f}),
       EncodableValue(std::vector<float>{-0.5f}), true, false},
      {"list by element order", EncodableValue(EncodableList{1, "b"}),
       EncodableValue(EncodableList{1, "c"}), true, false},
      {"list element by index", EncodableValue(EncodableList{"a"}),
       EncodableValue(EncodableList{int32_t{5}}), false, true},
      {"list prefix", EncodableValue(EncodableList{1}), EncodableValue(EncodableList{1, {}}), true,
       false},
      {"map key first", EncodableValue(EncodableMap{{1, "z"}}),
       EncodableValue(EncodableMap{{2, "a"}}), true, false},
      {"map then value", EncodableValue(EncodableMap{{1, "a"}}),
       EncodableValue(EncodableMap{{1, "b"}}), true, false},
      {"map entries in key order", EncodableValue(EncodableMap{{"b", 0}, {"a", 9}}),
       EncodableValue(EncodableMap{{"a", 10}}), true, false},
      {"empty map first", EncodableValue(EncodableMap{}), EncodableValue(EncodableMap{{{}, {}}}),
       true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.a < row.b, row.a_less);
    EXPECT_EQ(row.b < row.a, row.b_less);
  }
}

TEST(EncodableValue, CustomValuesOrderByAddress) {
  EncodableList values{CustomEncodableValue(1), CustomEncodableValue(1)};
  values.push_back(values[0]);  // a copy is a distinct value
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_FALSE(values[i] < values[i]);
    for (size_t j = i + 1; j < values.size(); ++j) {
      EXPECT_NE(values[i] < values[j], values[j] < values[i]) << i << " " << j;
      EXPECT_EQ(values[i] < values[j], &values[i] < &values[j]) << i << " " << j;
    }
  }
  EncodableMap map;
  map.emplace(values[0], 1);
  map.emplace(values[1], 2);
  EXPECT_EQ(map.size(), 2u);
}

TEST(EncodableValue, TypedAccessToTheWrongAlternative) {
  EncodableValue value(int32_t{5});
  EXPECT_EQ(flutter::Get<int32_t>(value), 5);
  try {
    flutter::Get<std::string>(value);
    ADD_FAILURE() << "no error";
  } catch (const std::bad_variant_access& error) {
    EXPECT_STREQ(error.what(), "bad variant access");
  }
  const EncodableValue& constant = value;
  EXPECT_THROW(flutter::Get<EncodableMap>(constant), flutter::BadVariantAccess);
}

}  // namespace
