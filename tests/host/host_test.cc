// What the end-to-end suite cannot see of the host: the window class's lifetime, quitting only when
// asked, the title bar's theme, the command line's arguments, the next-frame callable and the
// session's end. Under Wine, with the stand-in engine.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "host/command_line.h"
#include "host/flutter_view_controller.h"
#include "host/session_end.h"
#include "host/win32_window.h"
#include "printer/live_worker.h"
#include "printer/printer_work.h"
#include "standins/engine/standin_engine_test_api.h"
#include "tests/test_util.h"

namespace {

using namespace quenbrel_test;  // NOLINT: test helpers

UINT dpi = 96;  // of every monitor

class RefusableWindow : public Win32Window {
 public:
  RefusableWindow() : Win32Window([](HMONITOR) { return dpi; }) {}
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

// Place and size scale with the monitor's DPI; a DPI no monitor reports is taken as 96 (0) or
// clamped to 480 (Windows' 500%).
TEST(Win32Window, ScalesByTheMonitorsDpiWithinBounds) {
  const std::pair<UINT, std::vector<LONG>> rows[] = {
      {120, {12, 12, 262, 137}}, {0, {10, 10, 210, 110}}, {100000, {50, 50, 1050, 550}}};
  for (const auto& [given, expected] : rows) {
    dpi = given;
    RefusableWindow window;
    ASSERT_TRUE(window.Create(L"dpi", {10, 10}, {200, 100}));
    RECT got;
    GetWindowRect(window.GetWindowHandle(), &got);
    EXPECT_EQ(std::vector<LONG>({got.left, got.top, got.right, got.bottom}), expected) << given;
  }
}

// The title bar's theme from the user's setting, with the current user's registry redirected to a
// private volatile key (keys below it must be volatile too).
TEST(Win32Window, ThemeFollowsAppsUseLightTheme) {
  static std::vector<std::pair<HWND, BOOL>> calls;
  const HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(0x1234));
  const std::wstring root_name = L"Software\\QuenbrelTest" + std::to_wstring(GetCurrentProcessId());
  for (const Lines& row : Cases("host_cases.txt", "theme")) {
    SCOPED_TRACE(row[3]);
    HKEY root = nullptr, key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, root_name.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &root, nullptr),
              ERROR_SUCCESS);
    RegOverridePredefKey(HKEY_CURRENT_USER, root);
    const DWORD type = row[0] == "dword" ? REG_DWORD : REG_SZ, value = std::stoul(row[1]);
    if (row[0] != "none") {
      RegCreateKeyExW(HKEY_CURRENT_USER,
                      L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0,
                      nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr);
      RegSetValueExW(key, L"AppsUseLightTheme", 0, type, reinterpret_cast<const BYTE*>(&value),
                     sizeof(value));
      RegCloseKey(key);
    }
    calls.clear();
    Win32Window::ApplySystemTheme(window, [](HWND w, BOOL dark) { calls.push_back({w, dark}); });
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(root);
    RegDeleteTreeW(HKEY_CURRENT_USER, root_name.c_str());
    using Calls = std::vector<std::pair<HWND, BOOL>>;
    EXPECT_EQ(calls, row[2] == "left" ? Calls() : Calls({{window, row[2] == "dark"}}));
  }
}

TEST(CommandLine, ArgumentsAfterTheProgramNameAsUtf8) {
  for (const Lines& row : Cases("host_cases.txt", "arguments")) {
    const std::u16string line = Unescaped<char16_t>(row[0]);
    std::vector<std::string> expected;
    std::istringstream in(Unescaped(row[1]));
    for (std::string argument; std::getline(in, argument, ';');) expected.push_back(argument);
    EXPECT_EQ(CommandLineToUtf8Arguments(std::wstring(line.begin(), line.end()).c_str()), expected)
        << row[2];
  }
  EXPECT_EQ(ArgumentToUtf8(nullptr), "");
}

// Once per registration; a callable registered from inside one is kept for the next frame; one
// that fails, with a std::exception or anything else, stops there (the stand-in ends the run if it
// unwinds into the engine).
TEST(FlutterEngine, NextFrameCallableRunsOncePerRegistration) {
  flutter::FlutterViewController controller(640, 480, flutter::EngineProject(L"data"));
  flutter::FlutterEngine* engine = controller.GetEngine();
  const FlutterDesktopEngineRef handle = StandinEngineLastCreated();
  int runs = 0;
  engine->SetNextFrameCallback([&runs, engine]() {
    runs += 1;
    engine->SetNextFrameCallback([&runs]() {
      runs += 10;
      throw std::bad_alloc();
    });
  });
  EXPECT_TRUE(StandinEngineFireNextFrame(handle));
  EXPECT_TRUE(StandinEngineFireNextFrame(handle));
  EXPECT_FALSE(StandinEngineFireNextFrame(handle));
  EXPECT_EQ(runs, 11);
  engine->SetNextFrameCallback([] { throw 7; });  // no std::exception
  EXPECT_TRUE(StandinEngineFireNextFrame(handle));
}

// The session ends or its end is cancelled, as Windows sends it, while a printer operation runs
// or not: the reason is given while one runs and withdrawn once it has finished (an end waits for
// it) or the end was cancelled (no wait); with none running, nothing happens.
TEST(SessionEnd, WaitsForTheRunningOperation) {
  using namespace std::chrono_literals;  // NOLINT: 500ms
  static const std::wstring given = L"Impression d\u2019un ticket en cours";
  static std::string calls;
  struct Reason : ShutdownBlockReason {
    void Give(const wchar_t* text) override { calls += text == given ? "G" : "?"; }
    void Withdraw() override { calls += "W"; }
  };
  // Whether an operation runs; q, e and c: WM_QUERYENDSESSION, WM_ENDSESSION ending or
  // cancelled; G and W: the reason given and withdrawn. "e" alone: a forced end, not asked first.
  const std::tuple<bool, std::string, std::string> rows[] = {
      {false, "qe", ""},  {false, "qc", ""}, {true, "qe", "GW"},
      {true, "qc", "GW"}, {true, "e", "GW"}, {true, "qqcqe", "GWGW"}};
  for (const auto& [running, steps, expected] : rows) {
    calls.clear();
    SessionEnd session_end(std::make_unique<Reason>());
    auto operation = running ? std::make_unique<LiveWorker>() : nullptr;
    for (const char step : steps) {
      if (step == 'q') {
        session_end.OnQuery();
        continue;
      }
      // The operation finishes half a second after the end begins, unless OnEnd has returned.
      const bool was_running = operation != nullptr, ending = step == 'e';
      std::promise<void> returned;
      std::thread finishing([&operation, done = returned.get_future()] {
        if (done.wait_for(500ms) != std::future_status::ready) operation.reset();
      });
      session_end.OnEnd(ending);
      const bool idle = !PrinterWorkRunning();
      returned.set_value();
      finishing.join();
      EXPECT_EQ(idle, ending || !was_running) << steps << ": an end waits, a cancelled one not";
    }
    EXPECT_EQ(calls, expected) << steps;
  }
}

}  // namespace
