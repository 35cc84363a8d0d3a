// Test equipment: one copy of the program as far as its log and its crashes go, to show what copies
// sharing one log do. Started as launcher.exe starts the program (detached: %LOCALAPPDATA% set, no
// standard handles), it installs the crash handlers and keeps the log, then takes its steps:
//   lines:N:TAG  logs N lines "TAG line 00000", "TAG line 00001"...
//   check        checks the log, as the program's timer does
//   touch:FILE   creates FILE
//   wait:FILE    waits for FILE, at most 30 s (else exits with 1)
//   block        opens the log until the end as a program that does not share its deletion
//   child        starts "log_rig probe", passing on every inheritable handle; exits with its code
//   terminate    calls std::terminate;  abort: calls abort
// "log_rig probe" exits with 1 when a handle it inherited leads to the log, else with 0.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "channel/log_line.h"
#include "host/crash_handler.h"
#include "host/log_file.h"
#include "outside/log_place.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring LogPath() {
  wchar_t base[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(kLogBaseVariable, base, MAX_PATH);
  return std::wstring(base, length < MAX_PATH ? length : 0) + L"\\" + kLogFile;
}

int Probe() {
  BY_HANDLE_FILE_INFORMATION log, other;
  const HANDLE own = CreateFileW(LogPath().c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
  const bool known = own != INVALID_HANDLE_VALUE && GetFileInformationByHandle(own, &log);
  CloseHandle(own);
  if (!known) return 2;
  for (uintptr_t value = 4; value < 0x10000; value += 4) {
    const auto handle = reinterpret_cast<HANDLE>(value);
    if (GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &other) &&
        other.dwVolumeSerialNumber == log.dwVolumeSerialNumber &&
        other.nFileIndexHigh == log.nFileIndexHigh && other.nFileIndexLow == log.nFileIndexLow) {
      return 1;
    }
  }
  return 0;
}

int RunProbe() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" probe";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return 2;
  }
  DWORD code = 2;
  if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

bool WaitFor(const std::wstring& file) {
  for (int i = 0; i < 3000; ++i, Sleep(10)) {
    if (GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  }
  return false;
}

void LogLines(const std::wstring& count_and_tag) {
  const std::wstring tag = count_and_tag.substr(count_and_tag.find(L':') + 1);
  for (int i = 0, count = _wtoi(count_and_tag.c_str()); i < count; ++i) {
    char line[128];
    std::snprintf(line, sizeof line, "%ls line %05d", tag.c_str(), i);
    flutter::LogLine(line);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 2 && std::wstring(argv[1]) == L"probe") return Probe();
  InstallCrashHandlers();
  KeepLogFile();
  for (int i = 1; i < argc; ++i) {
    const std::wstring step = argv[i];
    const std::wstring name = step.substr(0, step.find(L':'));
    const std::wstring value = step.substr(name.size() + (name.size() < step.size() ? 1 : 0));
    if (name == L"lines") {
      LogLines(value);
    } else if (name == L"check") {
      CheckLogFile();
    } else if (name == L"touch") {
      CloseHandle(CreateFileW(value.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    } else if (name == L"wait") {
      if (!WaitFor(value)) return 1;
    } else if (name == L"block") {
      CreateFileW(LogPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
    } else if (name == L"child") {
      return RunProbe();
    } else if (name == L"terminate") {
      std::terminate();
    } else if (name == L"abort") {
      std::abort();
    } else {
      return 2;
    }
  }
  return 0;
}
