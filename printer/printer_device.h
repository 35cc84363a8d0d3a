// One device a ticket can be sent to.
#ifndef QUENBREL_PRINTER_PRINTER_DEVICE_H_
#define QUENBREL_PRINTER_PRINTER_DEVICE_H_

#include <string>

struct PrinterDevice {
  // The prefix that tells the transport, then the system's own name in UTF-8 (device_id.h).
  std::string id;
  // Display label in UTF-8; nothing parses it.
  std::string name;
};

#endif  // QUENBREL_PRINTER_PRINTER_DEVICE_H_
