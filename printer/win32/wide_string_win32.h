// UTF-16 strings between the logic (char16_t) and the Windows calls (wchar_t, 16 bits on Windows).
#ifndef QUENBREL_PRINTER_WIN32_WIDE_STRING_WIN32_H_
#define QUENBREL_PRINTER_WIN32_WIDE_STRING_WIN32_H_

#include <string>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 units");

inline std::wstring ToWide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

inline std::u16string FromWide(const wchar_t* text) {
  std::u16string out;
  for (; *text != L'\0'; ++text) out.push_back(static_cast<char16_t>(*text));
  return out;
}

#endif  // QUENBREL_PRINTER_WIN32_WIDE_STRING_WIN32_H_
