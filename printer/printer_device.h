// One device a ticket can be sent to.
#ifndef QUENBREL_PRINTER_PRINTER_DEVICE_H_
#define QUENBREL_PRINTER_PRINTER_DEVICE_H_

#include <string>

struct PrinterDevice {
  // "printer:" or "serial:" followed by the system's own name, in UTF-8. The prefix alone tells the
  // transport.
  std::string id;
  // Display label in UTF-8; nothing parses it.
  std::string name;
};

inline constexpr char kPrinterIdPrefix[] = "printer:";
inline constexpr char kSerialIdPrefix[] = "serial:";

#endif  // QUENBREL_PRINTER_PRINTER_DEVICE_H_
