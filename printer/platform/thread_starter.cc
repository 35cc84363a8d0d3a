#include "printer/platform/thread_starter.h"

#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

// Every worker holds the tally too, so that one still ending after the process's statics are gone
// (past the wait's bound) never touches a destroyed one.
struct LiveWorkerTally {
  std::mutex mutex;
  std::condition_variable none_live;
  int live = 0;
};

namespace {

std::shared_ptr<LiveWorkerTally> ProcessTally() {
  static const std::shared_ptr<LiveWorkerTally> tally = std::make_shared<LiveWorkerTally>();
  return tally;
}

}  // namespace

LiveWorker::LiveWorker(std::function<void()> body)
    : tally_(ProcessTally()), body_(std::move(body)) {
  std::lock_guard<std::mutex> lock(tally_->mutex);
  ++tally_->live;
}

LiveWorker::~LiveWorker() {
  body_ = nullptr;  // with what the task held: its copies, and maybe the last of the bridge's state
  std::lock_guard<std::mutex> lock(tally_->mutex);
  if (--tally_->live == 0) tally_->none_live.notify_all();
}

void StdThreadStarter::StartDetached(std::function<void()> body) {
  std::thread([worker = std::make_unique<LiveWorker>(std::move(body))] { worker->Run(); }).detach();
}

bool WaitForLiveWorkers(std::chrono::milliseconds bound) {
  std::shared_ptr<LiveWorkerTally> tally = ProcessTally();
  std::unique_lock<std::mutex> lock(tally->mutex);
  return tally->none_live.wait_for(lock, bound, [&] { return tally->live == 0; });
}
