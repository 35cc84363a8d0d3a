#include "printer/win32/printer_queue_win32.h"

#include <windows.h>
#include <winspool.h>

#include <vector>

#include "printer/win32/owned_handle_win32.h"
#include "printer/win32/wide_string_win32.h"

namespace {

std::u16string Text(const wchar_t* text) { return text == nullptr ? u"" : FromWide(text); }

}  // namespace

std::optional<PrinterRecord> Win32PrinterQueue::ReadRecord(const std::u16string& name) {
  const OwnedPrinter printer = OpenPrinterNamed(ToWide(name), 0);
  if (printer.get() == nullptr) return std::nullopt;
  DWORD needed = 0;
  ::GetPrinterW(printer.get(), 2, nullptr, 0, &needed);
  if (needed < sizeof(PRINTER_INFO_2W)) return std::nullopt;
  std::vector<BYTE> buffer(needed);
  if (!::GetPrinterW(printer.get(), 2, buffer.data(), needed, &needed)) return std::nullopt;
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  return PrinterRecord{info->Status, info->Attributes, info->cJobs, Text(info->pPortName),
                       Text(info->pDriverName)};
}

JobsCancelled Win32PrinterQueue::CancelJobs(const std::u16string& name) {
  JobsCancelled outcome;
  const OwnedPrinter printer = OpenPrinterNamed(ToWide(name), PRINTER_ACCESS_USE);
  if (printer.get() == nullptr) return outcome;
  outcome.opened = true;
  constexpr DWORD kAllJobs = 0xFFFF;
  DWORD needed = 0, count = 0;
  if (!::EnumJobsW(printer.get(), 0, kAllJobs, 1, nullptr, 0, &needed, &count)) {
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return outcome;
  }
  std::vector<BYTE> buffer(needed);
  if (needed != 0 &&
      !::EnumJobsW(printer.get(), 0, kAllJobs, 1, buffer.data(), needed, &needed, &count)) {
    return outcome;
  }
  outcome.listed = true;
  const auto* jobs = reinterpret_cast<const JOB_INFO_1W*>(buffer.data());
  for (DWORD i = 0; needed != 0 && i < count; ++i) {
    if (::SetJobW(printer.get(), jobs[i].JobId, 0, nullptr, JOB_CONTROL_DELETE)) {
      ++outcome.cancelled;
    } else {
      ++outcome.refused;
    }
  }
  return outcome;
}
