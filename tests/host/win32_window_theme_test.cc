// The title bar theme read from the user's setting, with the current user's registry redirected
// to a private volatile key for the test.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/win32_window.h"

namespace {

constexpr wchar_t kPersonalizeKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

struct DarkModeCall {
  HWND window;
  BOOL dark;
};
std::vector<DarkModeCall> calls;
void RecordDarkMode(HWND window, BOOL dark) { calls.push_back({window, dark}); }

// Stores the setting; keys below a volatile key must be volatile too.
LSTATUS SetLightTheme(DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, kPersonalizeKey, 0, nullptr,
                                   REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) {
    return status;
  }
  status = RegSetValueExW(key, L"AppsUseLightTheme", 0, type, static_cast<const BYTE*>(data), size);
  RegCloseKey(key);
  return status;
}

// Points HKEY_CURRENT_USER of this process at a fresh volatile key while it lives.
class PrivateCurrentUser {
 public:
  PrivateCurrentUser() {
    name_ = L"Software\\QuenbrelThemeTest" + std::to_wstring(GetCurrentProcessId());
    RegCreateKeyExW(HKEY_CURRENT_USER, name_.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                    KEY_ALL_ACCESS, nullptr, &root_, nullptr);
    RegOverridePredefKey(HKEY_CURRENT_USER, root_);
  }
  ~PrivateCurrentUser() {
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(root_);
    RegDeleteTreeW(HKEY_CURRENT_USER, name_.c_str());
  }
  bool ok() const { return root_ != nullptr; }

 private:
  std::wstring name_;
  HKEY root_ = nullptr;
};

TEST(Win32WindowThemeTest, FollowsAppsUseLightTheme) {
  struct Row {
    const char* name;
    DWORD type;  // 0: no value at all
    DWORD value;
    bool expect_call;
    BOOL expect_dark;
  } rows[] = {
      {"missing", 0, 0, false, FALSE},           {"dark", REG_DWORD, 0, true, TRUE},
      {"light", REG_DWORD, 1, true, FALSE},      {"other non-zero", REG_DWORD, 7, true, FALSE},
      {"not a number", REG_SZ, 0, false, FALSE},
  };
  const HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(0x1234));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PrivateCurrentUser user;
    ASSERT_TRUE(user.ok());
    if (row.type == REG_DWORD) {
      ASSERT_EQ(SetLightTheme(REG_DWORD, &row.value, sizeof(row.value)), ERROR_SUCCESS);
    } else if (row.type == REG_SZ) {
      const wchar_t text[] = L"0";
      ASSERT_EQ(SetLightTheme(REG_SZ, text, sizeof(text)), ERROR_SUCCESS);
    }
    calls.clear();
    Win32Window::ApplySystemTheme(window, &RecordDarkMode);
    ASSERT_EQ(calls.size(), row.expect_call ? 1u : 0u);
    if (row.expect_call) {
      EXPECT_EQ(calls[0].window, window);
      EXPECT_EQ(calls[0].dark, row.expect_dark);
    }
  }
}

}  // namespace
