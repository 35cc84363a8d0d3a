#include "printer/platform_printer_services.h"

#include <utility>

#include "printer/device_discovery.h"
#include "printer/serial_transport.h"
#include "printer/spooler_transport.h"

PlatformPrinterServices::PlatformPrinterServices(std::unique_ptr<Spooler> spooler,
                                                 std::unique_ptr<SerialPort> serial_port,
                                                 std::unique_ptr<DosDevices> dos_devices)
    : spooler_(std::move(spooler)),
      serial_port_(std::move(serial_port)),
      dos_devices_(std::move(dos_devices)) {}

std::vector<PrinterDevice> PlatformPrinterServices::ListDevices() {
  return ::ListDevices(*spooler_, *dos_devices_);
}

void PlatformPrinterServices::PrintToSerialPort(const std::string& id,
                                                const std::vector<uint8_t>& bytes) {
  ::PrintToSerialPort(*serial_port_, id, bytes);
}

void PlatformPrinterServices::PrintToWindowsPrinter(const std::string& id,
                                                    const std::vector<uint8_t>& bytes) {
  ::PrintToWindowsPrinter(*spooler_, id, bytes);
}
