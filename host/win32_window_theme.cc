// The title bar's light or dark theme, from the user's application theme setting.
#include "host/win32_window.h"

#include <dwmapi.h>

namespace {

constexpr wchar_t kPersonalizeKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr wchar_t kLightThemeValue[] = L"AppsUseLightTheme";
// DWMWA_USE_IMMERSIVE_DARK_MODE; older SDK headers do not name it.
constexpr DWORD kUseImmersiveDarkMode = 20;

}  // namespace

void Win32Window::ApplySystemTheme(HWND window, DarkModeSetter set_dark_mode) {
  DWORD light_theme = 0;
  DWORD size = sizeof(light_theme);
  const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, kPersonalizeKey, kLightThemeValue,
                                      RRF_RT_REG_DWORD, nullptr, &light_theme, &size);
  if (status != ERROR_SUCCESS) {
    return;
  }
  set_dark_mode(window, light_theme == 0 ? TRUE : FALSE);
}

void Win32Window::SetImmersiveDarkMode(HWND window, BOOL dark) {
  DwmSetWindowAttribute(window, kUseImmersiveDarkMode, &dark, sizeof(dark));
}
