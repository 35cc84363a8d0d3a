#include "printer/printer_error.h"

#include "printer/printer_messages.h"

namespace {

const char* MessageOf(PrinterFailure kind) {
  switch (kind) {
    case PrinterFailure::kInvalidName:
      return kInvalidNameMessage;
    case PrinterFailure::kDeviceGone:
      return kDeviceGoneMessage;
    case PrinterFailure::kUnknownDevice:
      return kUnknownDeviceMessage;
    case PrinterFailure::kPrinterUnavailable:
      return kPrinterUnavailableMessage;
    case PrinterFailure::kJobNotCreated:
      return kJobNotCreatedMessage;
    case PrinterFailure::kPageNotStarted:
      return kPageNotStartedMessage;
    case PrinterFailure::kPrinterSendInterrupted:
      return kPrinterSendInterruptedMessage;
    case PrinterFailure::kJobNotConfirmed:
      return kJobNotConfirmedMessage;
    case PrinterFailure::kPortUnavailable:
      return kPortUnavailableMessage;
    case PrinterFailure::kPortUnreadable:
      return kPortUnreadableMessage;
    case PrinterFailure::kPortNotConfigured:
      return kPortNotConfiguredMessage;
    case PrinterFailure::kPortSendInterrupted:
      return kPortSendInterruptedMessage;
  }
  return "";
}

}  // namespace

PrinterError::PrinterError(PrinterFailure kind)
    : std::runtime_error(MessageOf(kind)), kind_(kind) {}
