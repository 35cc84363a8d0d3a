// The program's entry: console, COM, the project and its arguments, the window, the message loop.
#include <windows.h>

#include <objbase.h>

#include <utility>

#include "host/command_line.h"
#include "host/debug_console.h"
#include "host/engine_project.h"
#include "host/flutter_window.h"

namespace {

constexpr wchar_t kBundleRoot[] = L"data";
constexpr wchar_t kWindowTitle[] = L"Quenbrel";
constexpr Win32Window::LogicalPoint kWindowOrigin{10, 10};
constexpr Win32Window::LogicalSize kWindowSize{1440, 900};
constexpr int kExitNormal = 0;
constexpr int kExitWindowNotCreated = 1;

// Runs the window's thread until the window is destroyed; the exit code.
int Run() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  flutter::EngineProject project(kBundleRoot);
  project.set_entry_point_arguments(CommandLineToUtf8Arguments());

  FlutterWindow window(project);
  if (!window.Create(kWindowTitle, kWindowOrigin, kWindowSize)) {
    return kExitWindowNotCreated;
  }
  window.SetQuitOnDestroy(true);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }

  CoUninitialize();
  return kExitNormal;
}

}  // namespace

int APIENTRY wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  if (!AttachConsole(ATTACH_PARENT_PROCESS) && IsDebuggerPresent()) {
    OpenDebugConsole();
  }
  return Run();
}
