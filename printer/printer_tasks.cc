#include "printer/printer_tasks.h"

#include "printer/device_id.h"
#include "printer/printer_error.h"

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
  switch (ParseDeviceId(device_id).kind) {
    case DeviceKind::kSerial:
      services.PrintToSerialPort(device_id, bytes);
      break;
    case DeviceKind::kPrinter:
      services.PrintToWindowsPrinter(device_id, bytes);
      break;
  }
  return flutter::EncodableValue();
}
