// One device a ticket can be sent to.
#ifndef QUENBREL_PRINTER_PRINTER_DEVICE_H_
#define QUENBREL_PRINTER_PRINTER_DEVICE_H_

#include <string>

struct PrinterDevice {
  // kPrinterIdPrefix or kSerialIdPrefix (printer_messages.h) followed by the system's own name, in
  // UTF-8. The prefix alone tells the transport.
  std::string id;
  // Display label in UTF-8; nothing parses it.
  std::string name;
};

#endif  // QUENBREL_PRINTER_PRINTER_DEVICE_H_
