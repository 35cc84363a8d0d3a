#include "printer/spooler_transport.h"

#include <algorithm>
#include <limits>

#include "printer/device_id.h"
#include "printer/printer_error.h"

namespace {

// Ends an unfinished job with AbortPrinter (once the document has started) and closes the printer,
// however the call ends.
class OpenPrinter {
 public:
  OpenPrinter(Spooler& spooler, PrinterHandle handle) : spooler_(spooler), handle_(handle) {}
  ~OpenPrinter() {
    if (document_started) spooler_.AbortPrinter(handle_);
    spooler_.ClosePrinter(handle_);
  }
  OpenPrinter(const OpenPrinter&) = delete;
  OpenPrinter& operator=(const OpenPrinter&) = delete;

  bool document_started = false;

 private:
  Spooler& spooler_;
  PrinterHandle handle_;
};

}  // namespace

void PrintToWindowsPrinter(Spooler& spooler, const std::string& id,
                           const std::vector<std::uint8_t>& bytes) {
  const std::u16string name = ParseDeviceId(id).system_name;

  PrinterHandle handle{};
  if (!spooler.Open(name, &handle)) throw PrinterError(PrinterFailure::kPrinterUnavailable);
  OpenPrinter printer(spooler, handle);

  if (!spooler.StartDocument(handle, {u"Quenbrel - Ticket", u"RAW"})) {
    throw PrinterError(PrinterFailure::kJobNotCreated);
  }
  printer.document_started = true;
  if (!spooler.StartPage(handle)) throw PrinterError(PrinterFailure::kPageNotStarted);

  std::size_t sent = 0;
  while (sent < bytes.size()) {
    // The whole rest is offered each time, within the 32-bit count of the call.
    const auto rest = static_cast<std::uint32_t>(
        std::min<std::size_t>(bytes.size() - sent, std::numeric_limits<std::uint32_t>::max()));
    std::uint32_t written = 0;
    if (!spooler.WritePrinter(handle, bytes.data() + sent, rest, &written) || written == 0) {
      throw PrinterError(PrinterFailure::kPrinterSendInterrupted);
    }
    sent += std::min(written, rest);
  }

  if (!spooler.EndPage(handle) || !spooler.EndDocument(handle)) {
    throw PrinterError(PrinterFailure::kJobNotConfirmed);
  }
  printer.document_started = false;
}
