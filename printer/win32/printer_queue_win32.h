// The PrinterQueue on the Windows print spooler (winspool). Stateless; safe on any thread.
#ifndef QUENBREL_PRINTER_WIN32_PRINTER_QUEUE_WIN32_H_
#define QUENBREL_PRINTER_WIN32_PRINTER_QUEUE_WIN32_H_

#include "printer/platform/printer_queue.h"

class Win32PrinterQueue final : public PrinterQueue {
 public:
  std::optional<PrinterRecord> ReadRecord(const std::u16string& name) override;
  JobsCancelled CancelJobs(const std::u16string& name) override;
};

#endif  // QUENBREL_PRINTER_WIN32_PRINTER_QUEUE_WIN32_H_
