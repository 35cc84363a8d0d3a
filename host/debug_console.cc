#include "host/debug_console.h"

#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>

#include "host/flutter_windows.h"

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
