#include "printer/text_conversion.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/printer/expected_messages.h"
#include "tests/printer/text_vectors.h"

TEST(TextConversion, WellFormedBothWays) {
  for (const auto& v : kWellFormed) {
    SCOPED_TRACE(v.row);
    EXPECT_EQ(Utf16ToUtf8(v.utf16), v.utf8);
    EXPECT_EQ(Utf8ToUtf16(v.utf8), v.utf16);
  }
}

TEST(TextConversion, EmptyUtf16GivesEmptyUtf8) { EXPECT_EQ(Utf16ToUtf8(u""), ""); }

TEST(TextConversion, UnpairedSurrogatesAreReplaced) {
  for (const auto& v : kUnpairedSurrogates) {
    SCOPED_TRACE(v.row);
    EXPECT_EQ(Utf16ToUtf8(v.utf16), v.utf8);
  }
}

TEST(TextConversion, IllFormedUtf8IsAnInvalidName) {
  for (const auto& v : kIllFormed) {
    SCOPED_TRACE(v.row);
    try {
      Utf8ToUtf16(v.utf8);
      ADD_FAILURE() << "accepted";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), kExpectInvalidName);
    }
  }
}
