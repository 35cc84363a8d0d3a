#include "host/session_end.h"

#include <chrono>
#include <utility>

#include "channel/log_line.h"
#include "printer/platform/thread_starter.h"
#include "printer/printer_bridge.h"
#include "printer/printer_messages.h"

namespace {

// Whether no printer operation runs, once it has had |bound| to finish.
bool PrinterIdle(std::chrono::milliseconds bound) { return WaitForLiveWorkers(bound); }

}  // namespace

SessionEnd::SessionEnd(std::unique_ptr<ShutdownBlockReason> reason) : reason_(std::move(reason)) {}

void SessionEnd::OnQuery() {
  if (!PrinterIdle(std::chrono::milliseconds(0))) Give();
}

void SessionEnd::OnEnd(bool ending) {
  if (ending && !PrinterIdle(std::chrono::milliseconds(0))) {
    Give();  // Windows shows it while this window keeps it waiting
    if (!PrinterIdle(kLongestOperation)) {
      flutter::LogLine("The session ends while a printer operation still runs.");
    }
  }
  if (given_) {
    reason_->Withdraw();
    given_ = false;
  }
}

void SessionEnd::Give() {
  if (given_) return;
  reason_->Give(kSessionEndReason);
  given_ = true;
}
