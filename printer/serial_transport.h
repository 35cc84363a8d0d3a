// Sends one ticket straight to a serial COM port (paired Bluetooth receipt printers appear as
// such), and asks the printer there for its status.
#ifndef QUENBREL_PRINTER_SERIAL_TRANSPORT_H_
#define QUENBREL_PRINTER_SERIAL_TRANSPORT_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "printer/platform/serial_port.h"

// A ticket goes out in pieces of at most this many bytes, and a piece that the port takes no byte
// of within the time-out fails the send.
inline constexpr std::size_t kSerialPieceBytes = 1024;
inline constexpr std::chrono::milliseconds kSerialWriteTimeout{5000};

// Opens "\\.\" + the port named by `id` (a "serial:" id) for itself alone, sets 9600 baud 8N1 with
// no handshake and DTR/RTS raised, gives each write 5 s, writes `bytes` in pieces of at most 1,024
// bytes and closes the port. Throws PrinterError (printer_error.h) for the first failure, after
// closing the port if it was opened. Blocks for as long as the writes take; nothing is retried.
void PrintToSerialPort(SerialPort& port, const std::string& id,
                       const std::vector<std::uint8_t>& bytes);

// What a printer answered to its status requests.
struct StatusAnswers {
  std::vector<std::uint8_t> bytes;  // in request order; fewer than four when one went unanswered
  bool unsent = false;              // the request after the last answer could not be written
};

// Opens and sets the port as PrintToSerialPort does, then sends the printer's four real-time status
// requests (DLE EOT 1 to 4) one at a time, giving each one-byte answer at most `timeout_ms`. The
// first request unanswered, or that the port does not take (a Bluetooth link that is down), ends
// it: the rest are not sent. Throws PrinterError as PrintToSerialPort does for opening and setting
// the port, and kPortUnreadable when a read fails.
StatusAnswers AskSerialStatus(SerialPort& port, const std::string& id, std::uint32_t timeout_ms);

#endif  // QUENBREL_PRINTER_SERIAL_TRANSPORT_H_
