#include "printer/printer_work.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "printer/live_worker.h"
#include "printer/printer_bridge.h"
#include "printer/serial_transport.h"

struct LiveWorkerTally {
  std::mutex mutex;
  std::condition_variable none_live;
  int live = 0;
};

namespace {

// The longest an operation can take: a largest ticket to a serial port, every piece of which
// waits out the write time-out.
constexpr std::chrono::milliseconds kLongestOperation =
    static_cast<long long>(kMaxTicketBytes / kSerialPieceBytes) * kSerialWriteTimeout;

std::shared_ptr<LiveWorkerTally> ProcessTally() {
  static const std::shared_ptr<LiveWorkerTally> tally = std::make_shared<LiveWorkerTally>();
  return tally;
}

// Waits until no LiveWorker exists, for at most |bound|; whether none does.
bool WaitForLiveWorkers(std::chrono::milliseconds bound) {
  std::shared_ptr<LiveWorkerTally> tally = ProcessTally();
  std::unique_lock<std::mutex> lock(tally->mutex);
  return tally->none_live.wait_for(lock, bound, [&] { return tally->live == 0; });
}

}  // namespace

LiveWorker::LiveWorker() : tally_(ProcessTally()) {
  std::lock_guard<std::mutex> lock(tally_->mutex);
  ++tally_->live;
}

LiveWorker::LiveWorker(const LiveWorker& other) : tally_(other.tally_) {
  std::lock_guard<std::mutex> lock(tally_->mutex);
  ++tally_->live;
}

LiveWorker::~LiveWorker() {
  std::lock_guard<std::mutex> lock(tally_->mutex);
  if (--tally_->live == 0) tally_->none_live.notify_all();
}

bool PrinterWorkRunning() { return !WaitForLiveWorkers(std::chrono::milliseconds(0)); }

bool WaitForPrinterWork() { return WaitForLiveWorkers(kLongestOperation); }
