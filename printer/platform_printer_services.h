// The printer tasks' services over discovery and the two transports, on a given platform layer.
#ifndef QUENBREL_PRINTER_PLATFORM_PRINTER_SERVICES_H_
#define QUENBREL_PRINTER_PLATFORM_PRINTER_SERVICES_H_

#include <memory>

#include "printer/platform/dos_devices.h"
#include "printer/platform/serial_port.h"
#include "printer/platform/spooler.h"
#include "printer/printer_services.h"

// Owns its platform objects. Calls come from one printer worker at a time (the busy rule).
class PlatformPrinterServices : public PrinterServices {
 public:
  PlatformPrinterServices(std::unique_ptr<Spooler> spooler, std::unique_ptr<SerialPort> serial_port,
                          std::unique_ptr<DosDevices> dos_devices);

  std::vector<PrinterDevice> ListDevices() override;
  void PrintToSerialPort(const std::string& id, const std::vector<uint8_t>& bytes) override;
  void PrintToWindowsPrinter(const std::string& id, const std::vector<uint8_t>& bytes) override;

 private:
  std::unique_ptr<Spooler> spooler_;
  std::unique_ptr<SerialPort> serial_port_;
  std::unique_ptr<DosDevices> dos_devices_;
};

#endif  // QUENBREL_PRINTER_PLATFORM_PRINTER_SERVICES_H_
