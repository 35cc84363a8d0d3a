#include "printer/platform/thread_starter.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace {

// The live threads. Each thread holds the tally too, so that a thread still ending after the
// process's statics are gone (past the wait's bound) never touches a destroyed one.
struct Tally {
  std::mutex mutex;
  std::condition_variable none_live;
  int live = 0;
};

std::shared_ptr<Tally> ProcessTally() {
  static const std::shared_ptr<Tally> tally = std::make_shared<Tally>();
  return tally;
}

}  // namespace

void StdThreadStarter::StartDetached(std::function<void()> body) {
  std::shared_ptr<Tally> tally = ProcessTally();
  std::lock_guard<std::mutex> lock(tally->mutex);  // the thread leaves after it is counted
  std::thread([tally, body = std::move(body)]() mutable {
    body();
    body = nullptr;
    std::lock_guard<std::mutex> lock(tally->mutex);
    if (--tally->live == 0) tally->none_live.notify_all();
  }).detach();
  ++tally->live;
}

bool WaitForLiveWorkers(std::chrono::milliseconds bound) {
  std::shared_ptr<Tally> tally = ProcessTally();
  std::unique_lock<std::mutex> lock(tally->mutex);
  return tally->none_live.wait_for(lock, bound, [&] { return tally->live == 0; });
}
