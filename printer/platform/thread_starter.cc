#include "printer/platform/thread_starter.h"

#include <thread>
#include <utility>

void StdThreadStarter::StartDetached(std::function<void()> body) {
  std::thread(std::move(body)).detach();
}
