#include "host/console.h"

#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <iostream>

#include "host/engine_api/flutter_windows.h"

bool Connected(FILE* stream) {
  const int descriptor = _fileno(stream);
  if (descriptor < 0) return false;
  const intptr_t handle = _get_osfhandle(descriptor);
  return handle != 0 && handle != -1 && handle != -2;
}

void UseParentConsole() {
  FILE* unused = nullptr;
  for (FILE* stream : {stderr, stdout}) {
    if (!Connected(stream)) freopen_s(&unused, "CONOUT$", "w", stream);
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
