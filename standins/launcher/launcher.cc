// Test equipment: starts a Windows program as the Start menu or a log-on entry leaves it, with no
// console and, "detached", no standard handles at all; or with this program's own streams
// ("inherit"). %LOCALAPPDATA% is set to the test's folder first. Waits for the program, at most
// 60 s (then ends it: 124), and exits with its exit code; 2 for a malformed command, 1 when the
// program cannot be started.
//   launcher detached|inherit LOCALAPPDATA PROGRAM [ARGUMENT...]   (no argument may hold a quote)
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 3 ? argv[1] : L"";
  if (mode != L"detached" && mode != L"inherit") {
    std::fprintf(stderr, "usage: launcher detached|inherit LOCALAPPDATA PROGRAM [ARGUMENT...]\n");
    return 2;
  }
  SetEnvironmentVariableW(L"LOCALAPPDATA", argv[2]);
  std::wstring command_line;
  for (int i = 3; i < argc; ++i)
    command_line += std::wstring(i > 3 ? L" \"" : L"\"") + argv[i] + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  const bool inherit = mode == L"inherit";
  if (inherit) {
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, inherit ? TRUE : FALSE,
                      DETACHED_PROCESS, nullptr, nullptr, &startup, &process)) {
    std::fprintf(stderr, "CreateProcessW failed: error %lu\n", GetLastError());
    return 1;
  }
  DWORD code = 124;
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  } else {
    TerminateProcess(process.hProcess, code);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
