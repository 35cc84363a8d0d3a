#include "printer/win32/window_poster_win32.h"

#include <windows.h>

bool Win32WindowPoster::Post(WindowHandle window, unsigned int message) {
  return PostMessageW(static_cast<HWND>(window), message, 0, 0) != FALSE;
}
