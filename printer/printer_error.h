// How the printer device side fails: a kind a caller can act on, the French message the user reads
// (all the bridge passes on) and the support tool's exit code.
#ifndef QUENBREL_PRINTER_PRINTER_ERROR_H_
#define QUENBREL_PRINTER_PRINTER_ERROR_H_

#include <cstddef>
#include <stdexcept>

// The failures, a row each: XX(kind, exit code, what the code means, message). The meaning is the
// tool's documentation (docs/support.md); the message is shown word for word (UTF-8; the
// apostrophes are U+2019).
#define QUENBREL_PRINTER_FAILURES(XX)                                                           \
  /* The device look-up of "print", and the name an id gives. */                                \
  XX(kDeviceGone, 5, "device not found",                                                        \
     u8"Cette imprimante n’est plus installee sur cet appareil.")                               \
  XX(kUnknownDevice, 6, "unknown kind of device", "Imprimante inconnue.")                       \
  XX(kInvalidName, 7, "invalid name", u8"Nom d’imprimante invalide.")                           \
  /* Serial port. */                                                                            \
  XX(kPortUnavailable, 10, "port held by another program",                                      \
     u8"Port Bluetooth indisponible. Fermez les autres applications qui utilisent cette "       \
     "imprimante.")                                                                             \
  XX(kPortUnreadable, 11, "port unreadable", u8"Impossible de lire le port Bluetooth.")         \
  XX(kPortNotConfigured, 12, "port settings refused",                                           \
     u8"Configuration du port Bluetooth impossible.")                                           \
  XX(kPortSendInterrupted, 13, "sending to the port interrupted",                               \
     u8"Envoi interrompu. Verifiez le ticket avant de reessayer pour eviter une reimpression.") \
  /* Windows spooler. */                                                                        \
  XX(kPrinterUnavailable, 20, "Windows printer unavailable",                                    \
     u8"Imprimante Windows indisponible. Verifiez son installation et sa connexion.")           \
  XX(kJobNotCreated, 21, "job not created",                                                     \
     u8"Impossible de creer le travail d’impression Windows.")                                  \
  XX(kPageNotStarted, 22, "ticket not started", u8"Impossible de commencer le ticket.")         \
  XX(kPrinterSendInterrupted, 23, "sending to the printer interrupted",                         \
     u8"Envoi interrompu. Verifiez la file d’impression et le ticket avant de reessayer.")      \
  XX(kJobNotConfirmed, 24, "end of job not confirmed",                                          \
     u8"La fin du travail d’impression n’a pas ete confirmee. Verifiez la file Windows.")

enum class PrinterFailure {
#define QUENBREL_KIND(kind, ...) kind,
  QUENBREL_PRINTER_FAILURES(QUENBREL_KIND)
#undef QUENBREL_KIND
};

struct PrinterFailureRow {
  int exit_code;
  const char* meaning;
  const char* message;
};

// The rows in the order of the kinds.
inline constexpr PrinterFailureRow kPrinterFailures[] = {
#define QUENBREL_ROW(kind, exit_code, meaning, message) {exit_code, meaning, message},
    QUENBREL_PRINTER_FAILURES(QUENBREL_ROW)
#undef QUENBREL_ROW
};

constexpr const PrinterFailureRow& RowOf(PrinterFailure kind) {
  return kPrinterFailures[static_cast<std::size_t>(kind)];
}

// A std::runtime_error whose what() is the kind's message, word for word.
class PrinterError : public std::runtime_error {
 public:
  explicit PrinterError(PrinterFailure kind)
      : std::runtime_error(RowOf(kind).message), kind_(kind) {}
  PrinterFailure kind() const { return kind_; }

 private:
  PrinterFailure kind_;
};

#endif  // QUENBREL_PRINTER_PRINTER_ERROR_H_
