#include "printer/win32/dos_devices_win32.h"

#include <windows.h>

#include <algorithm>
#include <vector>

std::uint32_t Win32DosDevices::QueryDeviceNames(char16_t* buffer, std::uint32_t capacity) {
  std::vector<wchar_t> names(capacity);
  const DWORD stored = ::QueryDosDeviceW(nullptr, names.data(), capacity);
  std::transform(names.begin(), names.begin() + std::min<DWORD>(stored, capacity), buffer,
                 [](wchar_t unit) { return static_cast<char16_t>(unit); });
  return stored;
}
