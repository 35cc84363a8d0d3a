#include "printer/win32/thread_starter_win32.h"

#include <windows.h>

#include <memory>
#include <system_error>
#include <utility>

namespace {

DWORD WINAPI RunWorker(void* parameter) {
  std::unique_ptr<LiveWorker> worker(static_cast<LiveWorker*>(parameter));
  worker->Run();
  return 0;
}

}  // namespace

void Win32ThreadStarter::StartDetached(std::function<void()> body) {
  auto worker = std::make_unique<LiveWorker>(std::move(body));
  HANDLE thread = CreateThread(nullptr, 0, RunWorker, worker.get(), 0, nullptr);
  if (thread == nullptr) {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  }
  static_cast<void>(worker.release());  // the thread owns it now
  CloseHandle(thread);
}
