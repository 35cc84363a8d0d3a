#include "printer/win32/thread_starter_win32.h"

#include <windows.h>

#include <memory>
#include <system_error>
#include <utility>

namespace {

using Body = std::function<void()>;

DWORD WINAPI RunBody(void* parameter) {
  std::unique_ptr<Body> body(static_cast<Body*>(parameter));
  (*body)();
  return 0;
}

}  // namespace

void Win32ThreadStarter::StartDetached(std::function<void()> body) {
  auto owned = std::make_unique<Body>(std::move(body));
  HANDLE thread = CreateThread(nullptr, 0, RunBody, owned.get(), 0, nullptr);
  if (thread == nullptr) {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  }
  static_cast<void>(owned.release());  // the thread owns it now
  CloseHandle(thread);
}
