// What the end-to-end suite cannot see of the host: the window class's lifetime, quitting only when
// asked, the title bar's theme, the command line's arguments and the next-frame callable. Under
// Wine, with the stand-in engine.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/command_line.h"
#include "host/flutter_view_controller.h"
#include "host/win32_window.h"
#include "standins/engine/standin_engine_test_api.h"

namespace {

UINT Dpi96(HMONITOR) { return 96; }

class RefusableWindow : public Win32Window {
 public:
  RefusableWindow() : Win32Window(&Dpi96) {}
  bool refuse = false;

 protected:
  bool OnCreated() override { return !refuse; }
};

bool ClassRegistered() {
  WNDCLASSW window_class;
  return GetClassInfoW(GetModuleHandleW(nullptr), L"FLUTTER_RUNNER_WIN32_WINDOW", &window_class);
}

bool QuitPosted() {
  MSG message;
  return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

TEST(Win32Window, ClassAndWindowLifetimes) {
  auto first = std::make_unique<RefusableWindow>();
  auto second = std::make_unique<RefusableWindow>();
  ASSERT_TRUE(first->Create(L"1", {10, 10}, {320, 200}) && second->Create(L"2", {10, 10}, {9, 9}));
  second->SetQuitOnDestroy(true);
  DestroyWindow(first->GetWindowHandle());  // as a close request does
  EXPECT_EQ(first->GetWindowHandle(), nullptr);
  EXPECT_FALSE(QuitPosted()) << "not asked to";
  DestroyWindow(second->GetWindowHandle());
  EXPECT_TRUE(QuitPosted());
  first.reset();
  EXPECT_TRUE(ClassRegistered()) << "a window object still lives";
  second.reset();
  EXPECT_FALSE(ClassRegistered());

  RefusableWindow third;  // registers the class again; a second Create replaces the window
  ASSERT_TRUE(third.Create(L"3", {10, 10}, {320, 200}));
  const HWND replaced = third.GetWindowHandle();
  third.refuse = true;
  EXPECT_FALSE(third.Create(L"3", {10, 10}, {320, 200}));
  EXPECT_FALSE(IsWindow(replaced));
  EXPECT_TRUE(IsWindow(third.GetWindowHandle())) << "kept until the object ends";
}

// The title bar's theme from the user's setting, with the current user's registry redirected to a
// private volatile key (keys below it must be volatile too).
TEST(Win32Window, ThemeFollowsAppsUseLightTheme) {
  const struct {
    DWORD type;  // 0: no value at all
    DWORD value;
    int dark;  // -1: the theme is left alone
  } rows[] = {{0, 0, -1},
              {REG_DWORD, 0, TRUE},
              {REG_DWORD, 1, FALSE},
              {REG_DWORD, 7, FALSE},
              {REG_SZ, L'0', -1}};
  static std::vector<std::pair<HWND, BOOL>> calls;
  const HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(0x1234));
  const std::wstring root_name = L"Software\\QuenbrelTest" + std::to_wstring(GetCurrentProcessId());
  for (const auto& row : rows) {
    SCOPED_TRACE(row.value);
    HKEY root = nullptr, key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, root_name.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &root, nullptr),
              ERROR_SUCCESS);
    RegOverridePredefKey(HKEY_CURRENT_USER, root);
    if (row.type != 0) {
      RegCreateKeyExW(HKEY_CURRENT_USER,
                      L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0,
                      nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
      RegSetValueExW(key, L"AppsUseLightTheme", 0, row.type,
                     reinterpret_cast<const BYTE*>(&row.value), sizeof(row.value));
      RegCloseKey(key);
    }
    calls.clear();
    Win32Window::ApplySystemTheme(window, [](HWND w, BOOL dark) { calls.push_back({w, dark}); });
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(root);
    RegDeleteTreeW(HKEY_CURRENT_USER, root_name.c_str());
    using Calls = std::vector<std::pair<HWND, BOOL>>;
    EXPECT_EQ(calls, row.dark < 0 ? Calls() : Calls({{window, row.dark}}));
  }
}

TEST(CommandLine, ArgumentsAfterTheProgramNameAsUtf8) {
  const struct {
    const wchar_t* command_line;
    std::vector<std::string> expected;
  } rows[] = {
      {L"quenbrel.exe alpha \"beta gamma\"", {"alpha", "beta gamma"}},
      {L"quenbrel.exe", {}},
      {L"\"C:\\Program Files\\quenbrel.exe\" x", {"x"}},
      {L"quenbrel.exe \"\" last", {"", "last"}},
      {L"q caf\u00e9 \u20ac \xd83d\xde00", {"caf\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80"}},
      // An unpaired or misordered surrogate empties its own argument only.
      {L"q one a\xd800z three \xdc00 \xde00\xd83d a\xd83d", {"one", "", "three", "", "", ""}},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(CommandLineToUtf8Arguments(row.command_line), row.expected) << &row - rows;
  }
  EXPECT_EQ(ArgumentToUtf8(nullptr), "");
}

// Once per registration; a callable registered from inside one is kept for the next frame.
TEST(FlutterEngine, NextFrameCallableRunsOncePerRegistration) {
  flutter::FlutterViewController controller(640, 480, flutter::EngineProject(L"data"));
  flutter::FlutterEngine* engine = controller.GetEngine();
  const FlutterDesktopEngineRef handle = StandinEngineLastCreated();
  int runs = 0;
  engine->SetNextFrameCallback([&runs, engine]() {
    runs += 1;
    engine->SetNextFrameCallback([&runs]() { runs += 10; });
  });
  EXPECT_TRUE(StandinEngineFireNextFrame(handle));
  EXPECT_TRUE(StandinEngineFireNextFrame(handle));
  EXPECT_FALSE(StandinEngineFireNextFrame(handle));
  EXPECT_EQ(runs, 11);
}

}  // namespace
