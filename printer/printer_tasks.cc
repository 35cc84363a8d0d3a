#include "printer/printer_tasks.h"

#include "printer/printer_error.h"
#include "printer/printer_messages.h"

namespace {

template <size_t N>
bool StartsWith(const std::string& text, const char (&prefix)[N]) {
  return text.compare(0, N - 1, prefix) == 0;
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
    throw PrinterError(PrinterFailure::kDeviceGone);
  }
  if (StartsWith(device_id, kSerialIdPrefix)) {
    services.PrintToSerialPort(device_id, bytes);
  } else if (StartsWith(device_id, kPrinterIdPrefix)) {
    services.PrintToWindowsPrinter(device_id, bytes);
  } else {
    throw PrinterError(PrinterFailure::kUnknownDevice);
  }
  return flutter::EncodableValue();
}
