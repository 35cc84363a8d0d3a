// A device id, as "list" gives it and "print" takes it: a prefix that tells the transport, then
// the system's own name (the printer's or the port's) in UTF-8. Ids are formed and read here only.
// Pure functions; safe on any thread.
#ifndef QUENBREL_PRINTER_DEVICE_ID_H_
#define QUENBREL_PRINTER_DEVICE_ID_H_

#include <string>

enum class DeviceKind {
  kPrinter,  // "printer:", a printer of the Windows spooler
  kSerial,   // "serial:", a serial COM port
};

struct DeviceId {
  DeviceKind kind;
  std::u16string system_name;  // in UTF-16, as Windows takes it
};

// The id of the device of `kind` that the system names `system_name` (UTF-8).
std::string FormDeviceId(DeviceKind kind, const std::string& system_name);

// The kind and name that `id` gives; its prefix must match exactly, case included. Throws
// PrinterError with PrinterFailure::kUnknownDevice when `id` has neither prefix, and kInvalidName
// when the rest is empty, is not well-formed UTF-8, or holds a NUL (Windows would stop the name
// there and reach another device).
DeviceId ParseDeviceId(const std::string& id);

#endif  // QUENBREL_PRINTER_DEVICE_ID_H_
