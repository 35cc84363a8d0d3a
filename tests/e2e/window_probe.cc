// Test equipment: reports the host's top-level window as Win32 sees it, in one line:
//   "absent", or "hidden|visible LEFT TOP WIDTH HEIGHT" (the outer rectangle).
#include <windows.h>

#include <cstdio>

int main() {
  HWND window = FindWindowW(L"FLUTTER_RUNNER_WIN32_WINDOW", L"Quenbrel");
  if (window == nullptr) {
    std::printf("absent\n");
    return 0;
  }
  RECT rect = {};
  GetWindowRect(window, &rect);
  std::printf("%s %ld %ld %ld %ld\n", IsWindowVisible(window) ? "visible" : "hidden", rect.left,
              rect.top, rect.right - rect.left, rect.bottom - rect.top);
  return 0;
}
