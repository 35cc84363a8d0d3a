// The portable conversions give what WideCharToMultiByte and MultiByteToWideChar (CP_UTF8) give.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

#include "printer/text_conversion.h"
#include "tests/printer/text_vectors.h"

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

TEST(TextConversionWin32, WellFormedAgreesWithWindows) {
  for (const auto& v : kWellFormed) {
    SCOPED_TRACE(v.row);
    EXPECT_EQ(Utf16ToUtf8(v.utf16), WindowsToUtf8(v.utf16));
    EXPECT_EQ(std::optional<std::u16string>(Utf8ToUtf16(v.utf8)), WindowsToUtf16(v.utf8));
  }
}

TEST(TextConversionWin32, UnpairedSurrogatesAgreeWithWindows) {
  for (const auto& v : kUnpairedSurrogates) {
    SCOPED_TRACE(v.row);
    EXPECT_EQ(Utf16ToUtf8(v.utf16), WindowsToUtf8(v.utf16));
  }
}

TEST(TextConversionWin32, WindowsRefusesTheSameIllFormedInput) {
  for (const auto& v : kIllFormed) {
    SCOPED_TRACE(v.row);
    EXPECT_EQ(WindowsToUtf16(v.utf8), std::nullopt);
  }
}

}  // namespace
