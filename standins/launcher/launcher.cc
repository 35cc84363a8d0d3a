// Test equipment: starts a Windows program as the Start menu or a log-on entry leaves it, with no
// console and, "detached", no standard handles at all; with this program's own streams
// ("inherit"); or with standard error appended to FILE and no other stream ("stderr:FILE", as
// "program 2> FILE" in a console, which the program may still attach to). %LOCALAPPDATA% is set to
// the test's folder first. Waits for the program, at most 60 s (then ends it: 124), and exits with
// its exit code; 2 for a malformed command, 1 when the program cannot be started.
//   launcher detached|inherit|stderr:FILE LOCALAPPDATA PROGRAM [ARGUMENT...]  (no quotes inside)
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 3 ? argv[1] : L"";
  const bool inherit = mode == L"inherit";
  const bool to_file = mode.rfind(L"stderr:", 0) == 0;
  if (mode != L"detached" && !inherit && !to_file) {
    std::fprintf(stderr, "usage: launcher detached|inherit|stderr:FILE LOCALAPPDATA PROGRAM ...\n");
    return 2;
  }
  SetEnvironmentVariableW(L"LOCALAPPDATA", argv[2]);
  std::wstring command_line;
  for (int i = 3; i < argc; ++i)
    command_line += std::wstring(i > 3 ? L" \"" : L"\"") + argv[i] + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  if (inherit) {
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
  HANDLE file = nullptr;
  if (to_file) {
    file = CreateFileW(mode.c_str() + 7, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inheritable, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 1;
    startup.hStdError = file;
  }
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, inherit || to_file,
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
  if (file) CloseHandle(file);
  return static_cast<int>(code);
}
