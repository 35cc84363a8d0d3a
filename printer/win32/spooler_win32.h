// The Spooler on the Windows print spooler (winspool). Stateless; safe on any thread.
#ifndef QUENBREL_PRINTER_WIN32_SPOOLER_WIN32_H_
#define QUENBREL_PRINTER_WIN32_SPOOLER_WIN32_H_

#include "printer/platform/spooler.h"

class Win32Spooler final : public Spooler {
 public:
  bool EnumeratePrinters(unsigned char* buffer, std::uint32_t size, std::uint32_t* needed,
                         std::uint32_t* returned) override;
  std::optional<std::u16string> PrinterName(const unsigned char* buffer,
                                            std::uint32_t index) override;
  bool Open(const std::u16string& name, PrinterHandle* handle) override;
  bool StartDocument(PrinterHandle handle, const PrintDocument& document) override;
  bool StartPage(PrinterHandle handle) override;
  bool WritePrinter(PrinterHandle handle, const unsigned char* data, std::uint32_t count,
                    std::uint32_t* written) override;
  bool EndPage(PrinterHandle handle) override;
  bool EndDocument(PrinterHandle handle) override;
  void AbortPrinter(PrinterHandle handle) override;
  void ClosePrinter(PrinterHandle handle) override;
};

#endif  // QUENBREL_PRINTER_WIN32_SPOOLER_WIN32_H_
