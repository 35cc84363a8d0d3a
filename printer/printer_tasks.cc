#include "printer/printer_tasks.h"

#include <stdexcept>

namespace {

bool StartsWith(const std::string& text, const char* prefix, size_t prefix_size) {
  return text.size() >= prefix_size && text.compare(0, prefix_size, prefix) == 0;
}

}  // namespace

flutter::EncodableValue BuildDeviceList(PrinterServices& services) {
  flutter::EncodableList list;
  for (PrinterDevice& device : services.ListDevices()) {
    list.push_back(flutter::EncodableValue(flutter::EncodableMap{
        {flutter::EncodableValue("id"), flutter::EncodableValue(std::move(device.id))},
        {flutter::EncodableValue("name"), flutter::EncodableValue(std::move(device.name))},
        {flutter::EncodableValue("transport"), flutter::EncodableValue("windows")},
    }));
  }
  return flutter::EncodableValue(std::move(list));
}

flutter::EncodableValue PrintTicket(PrinterServices& services, const std::string& device_id,
                                    const std::vector<uint8_t>& bytes) {
  bool found = false;
  for (const PrinterDevice& device : services.ListDevices()) {
    if (device.id == device_id) {
      found = true;
      break;
    }
  }
  if (!found) {
    throw std::runtime_error("Cette imprimante n\u2019est plus installee sur cet appareil.");
  }
  if (StartsWith(device_id, "serial:", 7)) {
    services.PrintToSerialPort(device_id, bytes);
  } else if (StartsWith(device_id, "printer:", 8)) {
    services.PrintToWindowsPrinter(device_id, bytes);
  } else {
    throw std::runtime_error("Imprimante inconnue.");
  }
  return flutter::EncodableValue();
}
