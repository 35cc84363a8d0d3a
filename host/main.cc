// The program's entry: console, one program per session, the log, COM, the project and its
// arguments, the window, the message loop.
#include <windows.h>

#include <objbase.h>

#include <utility>

#include "channel/log_line.h"
#include "host/command_line.h"
#include "host/console.h"
#include "host/crash_handler.h"
#include "host/engine_project.h"
#include "host/flutter_window.h"
#include "host/log_file.h"
#include "host/single_program.h"
#include "printer/printer_work.h"

namespace {

constexpr wchar_t kBundleRoot[] = L"data";
constexpr wchar_t kWindowTitle[] = L"Quenbrel";
constexpr Win32Window::LogicalPoint kWindowOrigin{10, 10};
constexpr Win32Window::LogicalSize kWindowSize{1440, 900};
constexpr int kExitNormal = 0;
constexpr int kExitWindowNotCreated = 1;

// Runs the window's thread until the message loop ends; the exit code. The window, and with it the
// engine, is gone when this returns, however the loop ended (a plug-in may post the quit message).
int RunWindow() {
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
  return kExitNormal;
}

}  // namespace

int APIENTRY wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
  // A DLL loaded from now on comes from Windows' own folder or from the program's, where the
  // engine library lies; never from the current folder or the PATH.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  InstallCrashHandlers();
  bool has_console = true;
  if (AttachConsole(ATTACH_PARENT_PROCESS)) {
    UseParentConsole();
  } else if (IsDebuggerPresent()) {
    OpenDebugConsole();
  } else {
    has_console = false;
  }
  // A second start in this session hands over to the running program, saying so on its console if
  // it has one; it keeps no log and starts neither COM nor an engine. Its arguments are dropped.
  const SingleProgram program;
  if (program.AnotherRuns()) {
    flutter::LogLine("Quenbrel already runs in this session: its window is brought to the front.");
    SingleProgram::BringForward(Win32Window::kClassName, kWindowTitle);
    return kExitNormal;
  }
  if (!has_console && !Connected(stderr)) KeepLogFile();
  // COM ends after the window and the engine that may use it, and after any printer worker.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int exit_code = RunWindow();
  // A ticket still being sent when the window closed is finished, not cut off by the exit.
  if (!WaitForPrinterWork()) {
    flutter::LogLine("Exiting while a printer operation still runs.");
  }
  CoUninitialize();
  return exit_code;
}
