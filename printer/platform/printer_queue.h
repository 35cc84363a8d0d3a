// A Windows printer's queue, as the support tool checks it: the record the spooler keeps for the
// printer (what its driver reports), and cancelling the jobs waiting in it. Implemented by
// Win32PrinterQueue (printer/win32/printer_queue_win32.h) and by fakes in tests. Every call opens
// the printer and closes it again; nothing is kept between calls.
#ifndef QUENBREL_PRINTER_PLATFORM_PRINTER_QUEUE_H_
#define QUENBREL_PRINTER_PLATFORM_PRINTER_QUEUE_H_

#include <cstdint>
#include <optional>
#include <string>

// The fields of the Windows PRINTER_INFO_2 that say how the printer is.
struct PrinterRecord {
  std::uint32_t status = 0;      // Status: PRINTER_STATUS_* bits
  std::uint32_t attributes = 0;  // Attributes: PRINTER_ATTRIBUTE_* bits
  std::uint32_t jobs = 0;        // cJobs: the jobs in the queue
  std::u16string port;           // pPortName
  std::u16string driver;         // pDriverName
};

// What cancelling the waiting jobs came to.
struct JobsCancelled {
  bool opened = false;  // the printer could be opened
  bool listed = false;  // its jobs could be listed
  std::uint32_t cancelled = 0;
  std::uint32_t refused = 0;  // jobs Windows would not cancel (another user's, say)
};

class PrinterQueue {
 public:
  virtual ~PrinterQueue() = default;

  // OpenPrinterW(name, null defaults), GetPrinterW level 2, ClosePrinter. nullopt when the printer
  // cannot be opened or its record read.
  virtual std::optional<PrinterRecord> ReadRecord(const std::u16string& name) = 0;
  // OpenPrinterW(name, PRINTER_ACCESS_USE), EnumJobsW level 1, SetJobW(JOB_CONTROL_DELETE) for each
  // job listed, ClosePrinter.
  virtual JobsCancelled CancelJobs(const std::u16string& name) = 0;
};

#endif  // QUENBREL_PRINTER_PLATFORM_PRINTER_QUEUE_H_
