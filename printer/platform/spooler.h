// The Windows print spooler, as the printer bridge uses it: level-4 enumeration of the local and
// connected printers, and one RAW job on one printer. Implemented by Win32Spooler
// (printer/win32/spooler_win32.h) and by fakes in tests. Calls may come from any one thread at a
// time; an implementation keeps no state between calls beyond the printers it was asked to open.
#ifndef QUENBREL_PRINTER_PLATFORM_SPOOLER_H_
#define QUENBREL_PRINTER_PLATFORM_SPOOLER_H_

#include <cstdint>
#include <optional>
#include <string>

// An open printer; meaningful only to the Spooler that opened it.
enum class PrinterHandle : std::uintptr_t {};

// The document description of a job (its output file is always none).
struct PrintDocument {
  std::u16string name;
  std::u16string datatype;
};

class Spooler {
 public:
  virtual ~Spooler() = default;

  // EnumPrintersW(PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, null, 4, buffer, size, needed,
  // returned). With a null buffer and size 0 it sets *needed (the bytes a full answer takes); with
  // a buffer of `size` bytes it returns true on success and sets *returned (the number of records).
  virtual bool EnumeratePrinters(unsigned char* buffer, std::uint32_t size, std::uint32_t* needed,
                                 std::uint32_t* returned) = 0;
  // pPrinterName of record `index` of a buffer filled by a successful EnumeratePrinters;
  // nullopt when the record has a null name. REQUIRES: index < the records returned.
  virtual std::optional<std::u16string> PrinterName(const unsigned char* buffer,
                                                    std::uint32_t index) = 0;

  // OpenPrinterW(name, &handle, null). True and *handle set on success.
  virtual bool Open(const std::u16string& name, PrinterHandle* handle) = 0;
  // StartDocPrinterW(handle, 1, {document.name, null, document.datatype}). True on success.
  virtual bool StartDocument(PrinterHandle handle, const PrintDocument& document) = 0;
  // StartPagePrinter. True on success.
  virtual bool StartPage(PrinterHandle handle) = 0;
  // WritePrinter(handle, data, count, written). True on success, *written = the bytes taken.
  virtual bool WritePrinter(PrinterHandle handle, const unsigned char* data, std::uint32_t count,
                            std::uint32_t* written) = 0;
  // EndPagePrinter. True on success.
  virtual bool EndPage(PrinterHandle handle) = 0;
  // EndDocPrinter. True on success.
  virtual bool EndDocument(PrinterHandle handle) = 0;
  // AbortPrinter; the result is of no use to the caller.
  virtual void AbortPrinter(PrinterHandle handle) = 0;
  // ClosePrinter; the handle is invalid afterwards.
  virtual void ClosePrinter(PrinterHandle handle) = 0;
};

#endif  // QUENBREL_PRINTER_PLATFORM_SPOOLER_H_
