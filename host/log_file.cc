#include "host/log_file.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>

#include "host/console.h"
#include "host/engine_api/flutter_windows.h"
#include "host/log_place.h"

namespace {

// msvcrt.dll (MinGW's C runtime, and Wine's) gives a standard stream that had no handle at
// start-up the descriptor -2, and will not reopen such a stream. Its FILE is public there: the
// stream is handed back its own descriptor, which now leads to the log. Where FILE is opaque (the
// universal C runtime), this does nothing and the stream is reopened instead.
template <typename File>
auto AdoptDescriptor(File* stream, int descriptor, int)
    -> decltype(stream->_file = descriptor, bool()) {
  stream->_file = descriptor;
  return true;
}
template <typename File>
bool AdoptDescriptor(File*, int, long) {
  return false;
}

// The log's path; a log over kLogTurnoverBytes becomes the old log first. Empty when there is
// no place for it.
std::wstring PrepareLog() {
  wchar_t base[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(kLogBaseVariable, base, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return L"";
  const std::wstring root = std::wstring(base) + L"\\";
  for (const wchar_t* folder : {kLogAppFolder, kLogFolder}) {
    CreateDirectoryW((root + folder).c_str(), nullptr);  // fails when it is already there
  }
  const std::wstring log = root + kLogFile;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (GetFileAttributesExW(log.c_str(), GetFileExInfoStandard, &data) &&
      (std::uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow) > kLogTurnoverBytes) {
    MoveFileExW(log.c_str(), (root + kOldLogFile).c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  return log;
}

}  // namespace

void KeepLogFile() {
  const std::wstring log = PrepareLog();
  int file = -1;
  if (log.empty() || _wsopen_s(&file, log.c_str(), _O_WRONLY | _O_APPEND | _O_CREAT | _O_TEXT,
                               _SH_DENYNO, _S_IREAD | _S_IWRITE) != 0) {
    return;
  }
  const struct {
    FILE* stream;
    int descriptor;
    DWORD handle;
  } outputs[] = {{stderr, 2, STD_ERROR_HANDLE}, {stdout, 1, STD_OUTPUT_HANDLE}};
  for (const auto& output : outputs) {
    if (Connected(output.stream) || _dup2(file, output.descriptor) != 0) continue;
    if (_fileno(output.stream) != output.descriptor &&
        !AdoptDescriptor(output.stream, output.descriptor, 0)) {
      FILE* reopened = nullptr;
      _wfreopen_s(&reopened, log.c_str(), L"a", output.stream);
    }
    std::setvbuf(output.stream, nullptr, _IONBF, 0);  // each line in the file as it is written
    // For the libraries that write through the process's handles.
    SetStdHandle(output.handle, reinterpret_cast<HANDLE>(_get_osfhandle(output.descriptor)));
  }
  _close(file);
  std::ios::sync_with_stdio(true);
  FlutterDesktopResyncOutputStreams();
}
