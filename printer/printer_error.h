// How the printer device side fails: a kind a caller can act on (the support tool's exit code, say)
// and the French message the user reads, which is all the bridge passes on.
#ifndef QUENBREL_PRINTER_PRINTER_ERROR_H_
#define QUENBREL_PRINTER_PRINTER_ERROR_H_

#include <stdexcept>

enum class PrinterFailure {
  kInvalidName,
  kDeviceGone,
  kUnknownDevice,
  kPrinterUnavailable,
  kJobNotCreated,
  kPageNotStarted,
  kPrinterSendInterrupted,
  kJobNotConfirmed,
  kPortUnavailable,
  kPortUnreadable,
  kPortNotConfigured,
  kPortSendInterrupted,
};

// A std::runtime_error whose what() is the kind's message from printer_messages.h, word for word.
class PrinterError : public std::runtime_error {
 public:
  explicit PrinterError(PrinterFailure kind);
  PrinterFailure kind() const { return kind_; }

 private:
  PrinterFailure kind_;
};

#endif  // QUENBREL_PRINTER_PRINTER_ERROR_H_
