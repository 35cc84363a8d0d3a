#include "host/console.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <iostream>

#include "outside/flutter_windows.h"

namespace {

template <typename File>
auto SetDescriptor(File* stream, int descriptor, int)
    -> decltype(stream->_file = descriptor, bool()) {
  stream->_file = descriptor;
  return true;
}
template <typename File>
bool SetDescriptor(File*, int, long) {
  return false;
}

}  // namespace

bool AdoptDescriptor(FILE* stream, int descriptor) { return SetDescriptor(stream, descriptor, 0); }

bool Connected(FILE* stream) {
  const int descriptor = _fileno(stream);
  if (descriptor < 0) return false;
  const intptr_t handle = _get_osfhandle(descriptor);
  return handle != 0 && handle != -1 && handle != -2;
}

void UseParentConsole() {
  const struct {
    FILE* stream;
    int descriptor;
    DWORD handle;
  } outputs[] = {{stderr, 2, STD_ERROR_HANDLE}, {stdout, 1, STD_OUTPUT_HANDLE}};
  for (const auto& output : outputs) {
    int console = -1;
    if (Connected(output.stream) ||
        _wsopen_s(&console, L"CONOUT$", _O_WRONLY | _O_TEXT, _SH_DENYNO, 0) != 0) {
      continue;
    }
    if (_dup2(console, output.descriptor) == 0 &&
        (_fileno(output.stream) == output.descriptor ||
         AdoptDescriptor(output.stream, output.descriptor))) {
      // For the libraries that write through the process's handles.
      SetStdHandle(output.handle, reinterpret_cast<HANDLE>(_get_osfhandle(output.descriptor)));
    } else {
      FILE* unused = nullptr;
      freopen_s(&unused, "CONOUT$", "w", output.stream);
    }
    // A line in one write when it is flushed: unbuffered, the runtime writes a console one
    // character at a time.
    std::setvbuf(output.stream, nullptr, _IOFBF, BUFSIZ);
    _close(console);
  }
  std::ios::sync_with_stdio(true);
  FlutterDesktopResyncOutputStreams();
}

void OpenDebugConsole() {
  if (!AllocConsole()) {
    return;
  }
  FILE* unused = nullptr;
  if (freopen_s(&unused, "CONOUT$", "w", stdout) != 0) {
    _dup2(_fileno(stdout), 1);
  }
  if (freopen_s(&unused, "CONOUT$", "w", stderr) != 0) {
    _dup2(_fileno(stdout), 2);
  }
  std::ios::sync_with_stdio(true);
  FlutterDesktopResyncOutputStreams();
}
