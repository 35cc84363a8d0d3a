// What the printer tasks need of the machine: the device list and the two transports.
#ifndef QUENBREL_PRINTER_PRINTER_SERVICES_H_
#define QUENBREL_PRINTER_PRINTER_SERVICES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "printer/printer_device.h"

// Owner: shared by the bridge and its workers, so it outlives any worker still running.
// Threads: the printer worker; the busy rule keeps calls of one bridge from overlapping.
// Never: touches the bridge or the channel. Failures are std::runtime_error with a French message.
class PrinterServices {
 public:
  virtual ~PrinterServices() = default;

  // A fresh enumeration: printers in spooler order, then COM ports in DOS-device order.
  virtual std::vector<PrinterDevice> ListDevices() = 0;

  // Send |bytes| to the device |id| ("serial:..." or "printer:...", prefix included).
  virtual void PrintToSerialPort(const std::string& id, const std::vector<uint8_t>& bytes) = 0;
  virtual void PrintToWindowsPrinter(const std::string& id, const std::vector<uint8_t>& bytes) = 0;
};

#endif  // QUENBREL_PRINTER_PRINTER_SERVICES_H_
