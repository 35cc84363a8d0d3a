// Test equipment: starts a program the way a test needs its standard streams to be, detached from
// any console (as Windows starts a GUI program), and waits for it; exits with its exit code.
//   launcher --stderr FILE PROGRAM [ARGUMENTS...]  standard error is FILE (appended), the others
//   none launcher --none PROGRAM [ARGUMENTS...]         no standard handle at all
// Started on a console, the program can still attach to it. Exit status 255 when the program could
// not be started or did not end within a minute.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  const bool with_file = argc >= 4 && std::wstring(argv[1]) == L"--stderr";
  const bool none = argc >= 3 && std::wstring(argv[1]) == L"--none";
  if (!with_file && !none) return 255;
  std::wstring command;
  for (int i = with_file ? 3 : 2; i < argc; ++i) {
    command += std::wstring(command.empty() ? L"\"" : L" \"") + argv[i] + L"\"";
  }
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE file = with_file
                    ? CreateFileW(argv[2], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  &inherit, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                    : nullptr;
  if (file == INVALID_HANDLE_VALUE) return 255;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdError = file;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                      nullptr, &startup, &process)) {
    return 255;
  }
  DWORD code = 255;
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (file) CloseHandle(file);
  return static_cast<int>(code);
}
