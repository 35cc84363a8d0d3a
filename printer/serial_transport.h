// Sends one ticket straight to a serial COM port (paired Bluetooth receipt printers appear as
// such).
#ifndef QUENBREL_PRINTER_SERIAL_TRANSPORT_H_
#define QUENBREL_PRINTER_SERIAL_TRANSPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "printer/platform/serial_port.h"

// Opens "\\.\" + the port named by `id` (a "serial:" id) for itself alone, sets 9600 baud 8N1 with
// no handshake and DTR/RTS raised, gives each write 5 s, writes `bytes` in pieces of at most 1,024
// bytes and closes the port. Throws PrinterError (printer_error.h) for the first failure, after
// closing the port if it was opened. Blocks for as long as the writes take; nothing is retried.
void PrintToSerialPort(SerialPort& port, const std::string& id,
                       const std::vector<std::uint8_t>& bytes);

#endif  // QUENBREL_PRINTER_SERIAL_TRANSPORT_H_
