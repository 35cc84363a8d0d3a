#include "host/command_line.h"

#include <windows.h>

#include <shellapi.h>

std::vector<std::string> CommandLineToUtf8Arguments() {
  return CommandLineToUtf8Arguments(GetCommandLineW());
}

std::vector<std::string> CommandLineToUtf8Arguments(const wchar_t* command_line) {
  int count = 0;
  wchar_t** entries = CommandLineToArgvW(command_line, &count);
  if (entries == nullptr) {
    return {};
  }
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i) {
    arguments.push_back(ArgumentToUtf8(entries[i]));
  }
  LocalFree(entries);
  return arguments;
}

std::string ArgumentToUtf8(const wchar_t* text) {
  if (text == nullptr) {
    return std::string();
  }
  const int needed =
      WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 1) {
    return std::string();
  }
  std::string utf8(static_cast<size_t>(needed - 1), '\0');
  const int written =
      WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text, static_cast<int>(wcslen(text)),
                          &utf8[0], static_cast<int>(utf8.size()), nullptr, nullptr);
  if (written == 0) {
    return std::string();
  }
  return utf8;
}
