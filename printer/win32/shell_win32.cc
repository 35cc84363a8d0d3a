#include "printer/win32/shell_win32.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

std::intptr_t Win32Shell::Execute(WindowHandle owner, const wchar_t* verb, const wchar_t* file) {
  HINSTANCE instance =
      ShellExecuteW(static_cast<HWND>(owner), verb, file, nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<std::intptr_t>(instance);
}
