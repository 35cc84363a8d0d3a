#include "host/session_end.h"

#include <utility>

#include "channel/log_line.h"
#include "printer/printer_work.h"

SessionEnd::SessionEnd(std::unique_ptr<ShutdownBlockReason> reason) : reason_(std::move(reason)) {}

void SessionEnd::OnQuery() {
  if (PrinterWorkRunning()) Give();
}

void SessionEnd::OnEnd(bool ending) {
  if (ending && PrinterWorkRunning()) {
    Give();  // Windows shows it while this window keeps it waiting
    if (!WaitForPrinterWork()) {
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
