#include "host/log_file.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iostream>
#include <string>
#include <utility>

#include "channel/log_line.h"
#include "host/console.h"
#include "outside/flutter_windows.h"
#include "outside/log_place.h"

namespace {

// Without FILE_WRITE_DATA every write lands at the end of the file, whoever else appends. Reading
// is there for the lock alone: Windows locks no range of a handle that can neither read nor write.
constexpr DWORD kLogAccess = FILE_READ_DATA | FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
// Other copies write and read it, and turn it over, while this one holds it.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The byte every copy locks around each line: far past the end of any log, it never bars a write.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr UINT kCheckMilliseconds = 5000;

struct Output {
  FILE* stream;
  int descriptor;
  DWORD handle;
};

// The log as this process holds it. `file` changes only under `lock`, which each line's write
// holds; the rest belongs to the start-up thread. Never destroyed: a worker may log at the exit.
struct Log {
  SRWLOCK lock = SRWLOCK_INIT;
  HANDLE file = INVALID_HANDLE_VALUE;
  wchar_t path[MAX_PATH] = {}, old_path[MAX_PATH] = {};
  bool outputs[2] = {};  // standard error and standard output lead to the log
  bool blocked = false;  // the last turnover failed (and was logged)
} the_log;

Output OutputAt(int i) {
  return i == 0 ? Output{stderr, 2, STD_ERROR_HANDLE} : Output{stdout, 1, STD_OUTPUT_HANDLE};
}

HANDLE OpenLog(const wchar_t* path) {
  return CreateFileW(path, kLogAccess, kShareAll, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

// One log line, ended as the runtime ends them in text mode, in one write (two past 510 bytes)
// under the lock that the copies share.
void WriteLogLine(const char* text, size_t size) noexcept {
  char line[512];
  const bool whole = size + 2 <= sizeof line;
  if (whole) {
    std::memcpy(line, text, size);
    std::memcpy(line + size, "\r\n", 2);
  }
  Log& log = the_log;
  AcquireSRWLockExclusive(&log.lock);
  OVERLAPPED at = {};
  at.OffsetHigh = kLockOffsetHigh;
  const bool locked = LockFileEx(log.file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at);
  DWORD written = 0;
  if (whole) {
    WriteFile(log.file, line, static_cast<DWORD>(size + 2), &written, nullptr);
  } else {
    WriteFile(log.file, text, static_cast<DWORD>(size), &written, nullptr);
    WriteFile(log.file, "\r\n", 2, &written, nullptr);
  }
  if (locked) UnlockFileEx(log.file, 0, 1, 0, &at);
  ReleaseSRWLockExclusive(&log.lock);
}

// Points the outputs that lead to the log at `file`, through a copy of it for each descriptor and
// for the process's handles (which the libraries write through), none of them inheritable.
void PointOutputsAt(HANDLE file) {
  HANDLE copy = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &copy, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    return;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_TEXT);
  if (descriptor == -1) {
    CloseHandle(copy);
    return;
  }
  for (int i = 0; i < 2; ++i) {
    const Output output = OutputAt(i);
    if (!the_log.outputs[i]) continue;
    std::fflush(output.stream);
    if (_dup2(descriptor, output.descriptor) != 0) continue;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(output.descriptor));
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);  // _dup2 makes an inheritable copy
    SetStdHandle(output.handle, handle);
  }
  _close(descriptor);
  FlutterDesktopResyncOutputStreams();
}

// The file now at `path`, opened with `access` and without barring anyone; null when there is
// none or it cannot be opened so.
HANDLE OpenNamed(const wchar_t* path, DWORD access) {
  const HANDLE file = CreateFileW(path, access, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

bool SameFile(HANDLE a, HANDLE b) {
  BY_HANDLE_FILE_INFORMATION x, y;
  return GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
         x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
         x.nFileIndexLow == y.nFileIndexLow;
}

// Renames the file that `held` is, if it is still the log, to the old log's name, replacing that.
// Through a handle opened for it alone: holding the right to delete would keep every program that
// does not share deletion from opening the log at all. False when that fails.
bool TurnOver(HANDLE held, const Log& log) {
  const HANDLE named = OpenNamed(log.path, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE);
  if (named == nullptr) return false;
  struct {
    FILE_RENAME_INFO info;
    wchar_t room[MAX_PATH];  // for the name, which runs on from info.FileName
  } request = {};
  const size_t bytes = std::wcslen(log.old_path) * sizeof(wchar_t);
  request.info.ReplaceIfExists = TRUE;
  request.info.FileNameLength = static_cast<DWORD>(bytes);
  std::memcpy(request.info.FileName, log.old_path, bytes + sizeof(wchar_t));
  const bool done = SameFile(held, named) &&
                    SetFileInformationByHandle(named, FileRenameInfo, &request, sizeof request);
  const DWORD error = GetLastError();
  CloseHandle(named);
  SetLastError(error);
  return done;
}

// Goes on in a new log at the log's path; the one held serves until that opens.
void Reopen(Log& log) {
  const HANDLE file = OpenLog(log.path);
  if (file == INVALID_HANDLE_VALUE) return;
  AcquireSRWLockExclusive(&log.lock);
  const HANDLE old = std::exchange(log.file, file);
  ReleaseSRWLockExclusive(&log.lock);
  CloseHandle(old);
  PointOutputsAt(file);
  log.blocked = false;
}

void CALLBACK OnCheckTimer(HWND, UINT, UINT_PTR, DWORD) { CheckLogFile(); }

// The log's paths, its folders made; false when there is no place for it.
bool PreparePlace(Log& log) {
  wchar_t base[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(kLogBaseVariable, base, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  const std::wstring root = std::wstring(base) + L"\\";
  for (const wchar_t* folder : {kLogAppFolder, kLogFolder}) {
    CreateDirectoryW((root + folder).c_str(), nullptr);  // fails when it is already there
  }
  const std::wstring path = root + kLogFile, old_path = root + kOldLogFile;
  if (old_path.size() >= MAX_PATH) return false;
  path.copy(log.path, path.size());
  old_path.copy(log.old_path, old_path.size());
  return true;
}

}  // namespace

void KeepLogFile() {
  Log& log = the_log;
  if (!PreparePlace(log) || (log.file = OpenLog(log.path)) == INVALID_HANDLE_VALUE) return;
  for (int i = 0; i < 2; ++i) log.outputs[i] = !Connected(OutputAt(i).stream);
  PointOutputsAt(log.file);
  for (int i = 0; i < 2; ++i) {
    const Output output = OutputAt(i);
    if (!log.outputs[i]) continue;
    if (_fileno(output.stream) != output.descriptor) {
      AdoptDescriptor(output.stream, output.descriptor);
    }
    std::setvbuf(output.stream, nullptr, _IONBF, 0);  // each line in the file as it is written
  }
  std::ios::sync_with_stdio(true);
  if (log.outputs[0]) flutter::SetLogLineSink(WriteLogLine);
  CheckLogFile();
  SetTimer(nullptr, 0, kCheckMilliseconds, OnCheckTimer);
}

void CheckLogFile() {
  Log& log = the_log;
  if (log.file == INVALID_HANDLE_VALUE) return;
  const HANDLE named = OpenNamed(log.path, FILE_READ_ATTRIBUTES);
  const bool moved = named == nullptr || !SameFile(log.file, named);
  if (named != nullptr) CloseHandle(named);
  LARGE_INTEGER size;
  if (moved) {  // by another copy's turnover
    Reopen(log);
  } else if (GetFileSizeEx(log.file, &size) &&
             static_cast<unsigned long long>(size.QuadPart) > kLogTurnoverBytes) {
    if (TurnOver(log.file, log)) {
      Reopen(log);
    } else if (!log.blocked) {
      log.blocked = true;
      flutter::LogLine("The log could not be turned over (Windows error " +
                       std::to_string(GetLastError()) + "); trying again every " +
                       std::to_string(kCheckMilliseconds / 1000) + " s.");
    }
  }
}
