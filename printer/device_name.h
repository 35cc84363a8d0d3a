// Recovers the system's own name (printer or port) from a device id, for the transports.
#ifndef QUENBREL_PRINTER_DEVICE_NAME_H_
#define QUENBREL_PRINTER_DEVICE_NAME_H_

#include <cstddef>
#include <string>

// `id` without its first `prefix_length` bytes, in UTF-16. Throws PrinterError with
// PrinterFailure::kInvalidName when the rest is empty, is not well-formed UTF-8, or holds a NUL
// (Windows would stop the name there and reach another device).
std::u16string SystemNameFromId(const std::string& id, std::size_t prefix_length);

#endif  // QUENBREL_PRINTER_DEVICE_NAME_H_
