#include "printer/tool/device_status.h"

#include <cstdio>
#include <utility>

#include "printer/text_conversion.h"
#include "printer/tool/printer_record_bits.h"
#include "printer/tool/tool_messages.h"

namespace {

// Every real-time status byte has bit 1 and bit 4 set, bit 0 and bit 7 clear.
constexpr std::uint8_t kFixedMask = 0x93;
constexpr std::uint8_t kFixedBits = 0x12;

// The Windows PRINTER_ATTRIBUTE_WORK_OFFLINE bit ("use the printer offline").
constexpr std::uint32_t kAttributeWorkOffline = 0x400;

// Collects the findings; the outcome is the most pressing one (see StatusOutcome).
class Findings {
 public:
  void Add(bool found, const std::string& line, StatusOutcome outcome) {
    if (!found) return;
    status_.lines.push_back(line);
    if (outcome > status_.outcome) status_.outcome = outcome;
  }
  void AddLine(std::string line) { status_.lines.push_back(std::move(line)); }
  // The findings, after `ready_line` when there is nothing wrong.
  DeviceStatus Done(const char* ready_line) {
    if (status_.outcome == StatusOutcome::kReady) {
      status_.lines.insert(status_.lines.begin(), ready_line);
    }
    return status_;
  }

 private:
  DeviceStatus status_;
};

}  // namespace

DeviceStatus DecodeSerialStatus(const std::vector<std::uint8_t>& answers,
                                const char* unanswered_line, StatusOutcome unanswered) {
  for (const std::uint8_t answer : answers) {
    if ((answer & kFixedMask) != kFixedBits) {
      return {StatusOutcome::kNotStatus, {kNotStatusLine}};
    }
  }
  const auto bit = [&answers](std::size_t n, int b) {
    return answers.size() >= n && ((answers[n - 1] >> b) & 1) != 0;
  };
  Findings findings;
  // DLE EOT 1, the printer: bit 3 offline; bit 2 the drawer connector's pin 3.
  findings.Add(bit(1, 3), kOfflineLine, StatusOutcome::kOffline);
  // DLE EOT 2, why it is offline: bit 2 cover open, 3 paper fed by the button, 5 stopped at the
  // paper's end, 6 an error.
  findings.Add(bit(2, 2), kCoverOpenLine, StatusOutcome::kCoverOpen);
  findings.Add(bit(2, 3), kFeedButtonLine, StatusOutcome::kOffline);
  // DLE EOT 4, the paper sensors: bits 2-3 near its end, bits 5-6 out (also stops printing, DLE
  // EOT 2 bit 5).
  findings.Add(bit(4, 2) || bit(4, 3), kPaperNearEndLine, StatusOutcome::kReady);
  findings.Add(bit(2, 5) || bit(4, 5) || bit(4, 6), kPaperOutLine, StatusOutcome::kPaperOut);
  // DLE EOT 3, the errors: bit 3 the cutter, 5 unrecoverable, 6 automatically recoverable.
  findings.Add(bit(2, 6), kErrorLine, StatusOutcome::kError);
  findings.Add(bit(3, 3), kCutterErrorLine, StatusOutcome::kError);
  findings.Add(bit(3, 5), kUnrecoverableLine, StatusOutcome::kError);
  findings.Add(bit(3, 6), kAutoRecoverableLine, StatusOutcome::kError);
  if (!answers.empty()) findings.AddLine(bit(1, 2) ? kDrawerHighLine : kDrawerLowLine);
  findings.Add(answers.size() < 4, unanswered_line, unanswered);
  return findings.Done(kReadyLine);
}

DeviceStatus DescribePrinterRecord(const PrinterRecord& record) {
  Findings findings;
  findings.Add((record.attributes & kAttributeWorkOffline) != 0, kWorkOfflineLine,
               StatusOutcome::kOffline);
  std::uint32_t unknown = record.status;
  for (const PrinterRecordBit& row : kPrinterRecordBits) {
    findings.Add((record.status & row.bit) != 0, row.line, row.outcome);
    unknown &= ~row.bit;
  }
  for (std::uint32_t bit = 1; bit != 0; bit <<= 1) {
    if ((unknown & bit) == 0) continue;
    char value[16];
    std::snprintf(value, sizeof value, "0x%08X.", static_cast<unsigned>(bit));
    findings.Add(true, kUnknownStateLabel + std::string(value), StatusOutcome::kUnknownState);
  }
  findings.AddLine(kJobsWaitingLabel + std::to_string(record.jobs));
  findings.AddLine(kPortLabel + Utf16ToUtf8(record.port));
  findings.AddLine(kDriverLabel + Utf16ToUtf8(record.driver));
  DeviceStatus status = findings.Done(kNothingReportedLine);
  status.lines.insert(status.lines.begin(), kDriverReportsLine);
  return status;
}
