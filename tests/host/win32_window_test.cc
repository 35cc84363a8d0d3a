// The top-level window base class, for real: native windows under the program's own class, and
// the title bar theme.
#include "host/win32_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr wchar_t kClassName[] = L"FLUTTER_RUNNER_WIN32_WINDOW";

UINT test_dpi = 96;
UINT TestDpi(HMONITOR) { return test_dpi; }

bool ClassRegistered() {
  WNDCLASSW window_class;
  return GetClassInfoW(GetModuleHandleW(nullptr), kClassName, &window_class) != 0;
}

// Records the messages that reach HandleMessage and the hook calls.
class RecordingWindow : public Win32Window {
 public:
  RecordingWindow() : Win32Window(&TestDpi) {}

  std::vector<UINT> handled;
  int destroyed_calls = 0;
  bool refuse_creation = false;

 protected:
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
    handled.push_back(message);
    return Win32Window::HandleMessage(window, message, wparam, lparam);
  }
  bool OnCreated() override { return !refuse_creation; }
  void OnDestroyed() override { ++destroyed_calls; }
};

bool CreateAt(Win32Window& window, Win32Window::LogicalPoint origin = {10, 10},
              Win32Window::LogicalSize size = {640, 480}) {
  return window.Create(L"Test", origin, size);
}

// What CreateWindowExW is asked for a window of our class (before the system clamps it to the
// screen), and every message then sent to it, in order.
HHOOK cbt_hook = nullptr;
HHOOK call_hook = nullptr;
RECT requested{};
std::vector<UINT> sent;
LRESULT CALLBACK RecordCreation(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTW* create = reinterpret_cast<CBT_CREATEWNDW*>(lparam)->lpcs;
    if (!IS_INTRESOURCE(create->lpszClass) && std::wstring(create->lpszClass) == kClassName) {
      requested = {create->x, create->y, create->cx, create->cy};
    }
  }
  return CallNextHookEx(cbt_hook, code, wparam, lparam);
}
LRESULT CALLBACK RecordSent(int code, WPARAM wparam, LPARAM lparam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
  wchar_t name[64] = {};
  if (code == HC_ACTION && GetClassNameW(call->hwnd, name, 64) &&
      std::wstring(name) == kClassName) {
    sent.push_back(call->message);
  }
  return CallNextHookEx(call_hook, code, wparam, lparam);
}

// Created at the origin and size scaled by the monitor's DPI, truncated; HandleMessage then sees
// exactly the messages after WM_NCCREATE.
TEST(Win32WindowTest, CreationScaledAndMessagesFromNonClientCreation) {
  struct Row {
    UINT dpi;
    Win32Window::LogicalPoint origin;
    RECT expected;  // x, y, width, height
  } rows[] = {
      {96, {10, 10}, {10, 10, 1440, 900}},
      {120, {10, 10}, {12, 12, 1800, 1125}},
      {168, {-10, 10}, {-17, 17, 2520, 1575}},  // toward zero, not down
  };
  cbt_hook = SetWindowsHookExW(WH_CBT, RecordCreation, nullptr, GetCurrentThreadId());
  call_hook = SetWindowsHookExW(WH_CALLWNDPROC, RecordSent, nullptr, GetCurrentThreadId());
  ASSERT_TRUE(cbt_hook && call_hook);
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "dpi " << row.dpi << " x " << row.origin.x);
    test_dpi = row.dpi;
    requested = {};
    sent.clear();
    RecordingWindow window;
    ASSERT_TRUE(window.Create(L"Test", row.origin, {1440, 900}));
    EXPECT_TRUE(EqualRect(&requested, &row.expected))
        << requested.left << " " << requested.top << " " << requested.right << " "
        << requested.bottom;
    auto nccreate = std::find(sent.begin(), sent.end(), WM_NCCREATE);
    ASSERT_NE(nccreate, sent.end()) << "WM_NCCREATE was never sent";
    ASSERT_NE(nccreate, sent.begin()) << "no message came before WM_NCCREATE; nothing to check";
    EXPECT_EQ(window.handled, std::vector<UINT>(nccreate + 1, sent.end()));
  }
  UnhookWindowsHookEx(cbt_hook);
  UnhookWindowsHookEx(call_hook);
  test_dpi = 96;
}

bool ChildCoversClientArea(HWND parent, HWND child) {
  RECT client;
  GetClientRect(parent, &client);
  RECT child_rect;
  GetWindowRect(child, &child_rect);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&child_rect), 2);
  return EqualRect(&client, &child_rect) != 0;
}

TEST(Win32WindowTest, ContentAlwaysCoversTheClientArea) {
  RecordingWindow window;
  ASSERT_TRUE(CreateAt(window));
  HWND parent = window.GetWindowHandle();
  // The content starts elsewhere, as a small child of its own, and is moved into the window.
  HWND content = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 3, 4, 20, 10, parent,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(content, nullptr);
  SetParent(content, nullptr);
  window.AttachContent(content);
  EXPECT_EQ(GetParent(content), parent);
  EXPECT_TRUE(ChildCoversClientArea(parent, content));
  EXPECT_EQ(GetFocus(), content);

  const SIZE sizes[] = {{800, 600}, {300, 200}, {901, 703}};
  for (const SIZE& size : sizes) {
    SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy);
    SetWindowPos(parent, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_TRUE(ChildCoversClientArea(parent, content));
  }
}

TEST(Win32WindowTest, DestructionPostsTheQuitMessageOnlyWhenAsked) {
  for (bool quit_on_destroy : {false, true}) {
    SCOPED_TRACE(quit_on_destroy);
    RecordingWindow window;
    ASSERT_TRUE(CreateAt(window));
    window.SetQuitOnDestroy(quit_on_destroy);
    HWND native = window.GetWindowHandle();
    const int destroyed_before = window.destroyed_calls;
    DestroyWindow(native);  // as the default handling of a close request does
    EXPECT_EQ(window.GetWindowHandle(), nullptr);
    EXPECT_FALSE(IsWindow(native));
    EXPECT_EQ(window.destroyed_calls, destroyed_before + 1);
    MSG message;
    EXPECT_EQ(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0, quit_on_destroy);
  }
}

TEST(Win32WindowTest, ClassStaysRegisteredWhileAnyWindowObjectLives) {
  auto first = std::make_unique<RecordingWindow>();
  auto second = std::make_unique<RecordingWindow>();
  ASSERT_TRUE(CreateAt(*first));
  ASSERT_TRUE(CreateAt(*second));
  EXPECT_TRUE(ClassRegistered());

  // Both closed by the user: the objects live on, and so does the class.
  DestroyWindow(first->GetWindowHandle());
  DestroyWindow(second->GetWindowHandle());
  EXPECT_TRUE(ClassRegistered());
  first.reset();
  EXPECT_TRUE(ClassRegistered());
  second.reset();
  EXPECT_FALSE(ClassRegistered());

  // The next window registers the class again; a second Create replaces the first window.
  RecordingWindow third;
  ASSERT_TRUE(CreateAt(third));
  EXPECT_TRUE(ClassRegistered());
  HWND replaced = third.GetWindowHandle();
  ASSERT_TRUE(CreateAt(third));
  EXPECT_FALSE(IsWindow(replaced));
  EXPECT_TRUE(IsWindow(third.GetWindowHandle()));

  // Refused by OnCreated: the window is kept until the object ends.
  auto refused = std::make_unique<RecordingWindow>();
  refused->refuse_creation = true;
  EXPECT_FALSE(CreateAt(*refused));
  HWND kept = refused->GetWindowHandle();
  EXPECT_TRUE(IsWindow(kept));
  refused.reset();
  EXPECT_FALSE(IsWindow(kept));
}

// The title bar theme from the user's setting, with the current user's registry redirected to a
// private volatile key (keys below it must be volatile too).
TEST(Win32WindowThemeTest, FollowsAppsUseLightTheme) {
  const DWORD zero_text = L'0';  // REG_SZ "0"
  const struct {
    const char* name;
    DWORD type;  // 0: no value at all
    DWORD value;
    int dark;  // -1: the theme is left alone
  } rows[] = {
      {"missing", 0, 0, -1},
      {"dark", REG_DWORD, 0, TRUE},
      {"light", REG_DWORD, 1, FALSE},
      {"other non-zero", REG_DWORD, 7, FALSE},
      {"not a number", REG_SZ, zero_text, -1},
  };
  static std::vector<std::pair<HWND, BOOL>> calls;
  const HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(0x1234));
  const std::wstring root_name =
      L"Software\\QuenbrelThemeTest" + std::to_wstring(GetCurrentProcessId());
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HKEY root = nullptr, key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, root_name.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &root, nullptr),
              ERROR_SUCCESS);
    RegOverridePredefKey(HKEY_CURRENT_USER, root);
    if (row.type != 0) {
      ASSERT_EQ(
          RegCreateKeyExW(HKEY_CURRENT_USER,
                          L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0,
                          nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
          ERROR_SUCCESS);
      RegSetValueExW(key, L"AppsUseLightTheme", 0, row.type,
                     reinterpret_cast<const BYTE*>(&row.value), sizeof(row.value));
      RegCloseKey(key);
    }
    calls.clear();
    Win32Window::ApplySystemTheme(window, [](HWND w, BOOL dark) { calls.push_back({w, dark}); });
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(root);
    RegDeleteTreeW(HKEY_CURRENT_USER, root_name.c_str());
    if (row.dark < 0) {
      EXPECT_TRUE(calls.empty());
    } else {
      EXPECT_EQ(calls, (std::vector<std::pair<HWND, BOOL>>{{window, row.dark}}));
    }
  }
}

}  // namespace
