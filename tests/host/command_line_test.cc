#include "host/command_line.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;

TEST(CommandLineTest, ArgumentsAfterTheProgramNameAsUtf8) {
  struct Row {
    const wchar_t* command_line;
    Arguments expected;
  } rows[] = {
      {L"quenbrel.exe alpha \"beta gamma\"", {"alpha", "beta gamma"}},
      {L"quenbrel.exe", {}},
      {L"\"C:\\Program Files\\quenbrel.exe\" x", {"x"}},
      {L"quenbrel.exe \"\" last", {"", "last"}},
      {L"quenbrel.exe caf\u00e9 \u20ac", {"caf\xc3\xa9", "\xe2\x82\xac"}},
      // An unpaired surrogate empties its own argument only.
      {L"quenbrel.exe one a\xd800z three", {"one", "", "three"}},
      {L"quenbrel.exe \xdc00", {""}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
    EXPECT_EQ(CommandLineToUtf8Arguments(row.command_line), row.expected);
  }
}

TEST(CommandLineTest, ArgumentToUtf8) {
  const wchar_t pair[] = {0xd83d, 0xde00, 0};      // U+1F600 as a surrogate pair
  const wchar_t reversed[] = {0xde00, 0xd83d, 0};  // the same units in the wrong order
  const wchar_t trailing_high[] = {L'a', 0xd83d, 0};
  struct Row {
    const wchar_t* text;
    std::string expected;
  } rows[] = {
      {nullptr, ""},
      {L"", ""},
      {L"a", "a"},
      {L"beta gamma", "beta gamma"},
      {pair, "\xf0\x9f\x98\x80"},
      {reversed, ""},
      {trailing_high, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
    EXPECT_EQ(ArgumentToUtf8(row.text), row.expected);
  }
}

}  // namespace
