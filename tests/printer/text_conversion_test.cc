// The conversions against fixed vectors; under Windows, WideCharToMultiByte and
// MultiByteToWideChar (CP_UTF8) give the same.
#include "printer/text_conversion.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

#include "tests/printer/expected_messages.h"

#ifdef _WIN32
#include <windows.h>

namespace {

std::string WindowsToUtf8(const std::u16string& text) {
  const std::wstring wide(text.begin(), text.end());
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n,
                          nullptr, nullptr);
  }
  return out;
}

// nullopt where Windows refuses the input.
std::optional<std::u16string> WindowsToUtf16(const std::string& text) {
  const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                                      static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                        &out[0], n);
  return std::u16string(out.begin(), out.end());
}

}  // namespace
#endif

// UTF-16 to UTF-8 is lenient (an unpaired surrogate becomes U+FFFD, EF BF BD); the rows marked
// |back| also convert back.
TEST(TextConversion, Vectors) {
  const struct {
    const char* row;
    std::u16string utf16;
    std::string utf8;
    bool back;
  } rows[] = {
      {"accented name", u"Caisse \u00E9t\u00E9 \u20AC", "Caisse \xC3\xA9t\xC3\xA9 \xE2\x82\xAC",
       true},
      {"U+007F and U+0080", u"\u007F\u0080", "\x7F\xC2\x80", true},
      {"U+07FF and U+0800", u"\u07FF\u0800", "\xDF\xBF\xE0\xA0\x80", true},
      {"U+D7FF and U+E000", u"\uD7FF\uE000", "\xED\x9F\xBF\xEE\x80\x80", true},
      {"U+FFFF", u"\uFFFF", "\xEF\xBF\xBF", true},
      {"U+10000 (surrogate pair)", u"\U00010000", "\xF0\x90\x80\x80", true},
      {"U+10FFFF", u"\U0010FFFF", "\xF4\x8F\xBF\xBF", true},
      {"embedded NUL", std::u16string(u"a\0b", 3), std::string("a\0b", 3), true},
      {"empty", u"", "", false},
      {"lone high at end", u"A\xD800", "A\xEF\xBF\xBD", false},
      {"lone low", u"\xDC00Z", "\xEF\xBF\xBDZ", false},
      {"high then non-low", u"\xD83D\x0041", "\xEF\xBF\xBD\x41", false},
      {"two highs then low", u"\xD800\xD800\xDC00", "\xEF\xBF\xBD\xF0\x90\x80\x80", false},
  };
  for (const auto& v : rows) {
    SCOPED_TRACE(v.row);
    EXPECT_EQ(Utf16ToUtf8(v.utf16), v.utf8);
    if (v.back) {
      EXPECT_EQ(Utf8ToUtf16(v.utf8), v.utf16);
    }
#ifdef _WIN32
    EXPECT_EQ(WindowsToUtf8(v.utf16), v.utf8);
    if (v.back) {
      EXPECT_EQ(WindowsToUtf16(v.utf8), v.utf16);
    }
#endif
  }
}

// Refused as an invalid name (and by Windows).
TEST(TextConversion, IllFormedUtf8) {
  // clang-format off
  const char* const rows[] = {
      "", "COM\x80", "Caisse \xC3", "\xE2\x82", "\xF0\x90\x80",  // lone continuation, truncated
      "\xC0\xAF", "\xC1\xBF", "\xE0\x80\xAF", "\xF0\x80\x80\xAF",  // overlong
      "\xED\xA0\x80", "\xED\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "a\xFF",
      "\xC3" "A",  // lead followed by ASCII
  };
  // clang-format on
  for (const std::string v : rows) {
    SCOPED_TRACE(testing::PrintToString(v));
    try {
      Utf8ToUtf16(v);
      ADD_FAILURE() << "accepted";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), kExpectInvalidName);
    }
#ifdef _WIN32
    EXPECT_EQ(WindowsToUtf16(v), std::nullopt);
#endif
  }
}
