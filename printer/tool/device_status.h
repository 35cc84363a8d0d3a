// A printer's state as the support tool reports it: what a serial printer answers to its
// real-time status requests, or what the spooler keeps for a Windows printer, as French lines
// (one per finding) and one outcome. Pure functions; safe on any thread.
#ifndef QUENBREL_PRINTER_TOOL_DEVICE_STATUS_H_
#define QUENBREL_PRINTER_TOOL_DEVICE_STATUS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "printer/platform/printer_queue.h"
#include "printer/tool/tool_outcomes.h"

// The most pressing finding (StatusOutcome, from the least to the most pressing), and every
// finding.
struct DeviceStatus {
  StatusOutcome outcome = StatusOutcome::kReady;
  std::vector<std::string> lines;
};

// The answers to DLE EOT 1 to 4, in order (fewer when one went unanswered), decoded as ESC/POS
// defines them; fewer than four add `unanswered_line` with its outcome (no answer by default).
DeviceStatus DecodeSerialStatus(const std::vector<std::uint8_t>& answers,
                                const char* unanswered_line,
                                StatusOutcome unanswered = StatusOutcome::kNoAnswer);

// A Windows printer's record, as its driver reports it.
DeviceStatus DescribePrinterRecord(const PrinterRecord& record);

#endif  // QUENBREL_PRINTER_TOOL_DEVICE_STATUS_H_
