// The two background tasks behind "list" and "print".
#ifndef QUENBREL_PRINTER_PRINTER_TASKS_H_
#define QUENBREL_PRINTER_PRINTER_TASKS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "channel/encodable_value.h"
#include "printer/printer_services.h"

// Both run on the printer worker, never on the window's thread, and touch nothing but |services|
// and their own arguments.

// The "list" reply: one map {"id", "name", "transport": "windows"} per device, in device order.
flutter::EncodableValue BuildDeviceList(PrinterServices& services);

// Prints |bytes| to the device whose id equals |device_id| in a fresh enumeration. Returns null;
// throws PrinterError (printer_error.h) on failure.
flutter::EncodableValue PrintTicket(PrinterServices& services, const std::string& device_id,
                                    const std::vector<uint8_t>& bytes);

#endif  // QUENBREL_PRINTER_PRINTER_TASKS_H_
