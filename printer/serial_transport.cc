#include "printer/serial_transport.h"

#include <algorithm>

#include "printer/device_id.h"
#include "printer/printer_error.h"

namespace {

// Closes the port however the call ends.
class OpenPort {
 public:
  OpenPort(SerialPort& port, SerialHandle handle) : port_(port), handle_(handle) {}
  ~OpenPort() { port_.Close(handle_); }
  OpenPort(const OpenPort&) = delete;
  OpenPort& operator=(const OpenPort&) = delete;

 private:
  SerialPort& port_;
  SerialHandle handle_;
};

void SetLine(CommState* state) {
  state->BaudRate = 9600;
  state->ByteSize = 8;
  state->Parity = 0;    // NOPARITY
  state->StopBits = 0;  // ONESTOPBIT
  state->fBinary = 1;
  state->fParity = 0;
  state->fOutxCtsFlow = 0;
  state->fOutxDsrFlow = 0;
  state->fDtrControl = 1;  // DTR_CONTROL_ENABLE
  state->fOutX = 0;
  state->fInX = 0;
  state->fRtsControl = 1;  // RTS_CONTROL_ENABLE
}

// Opens the port of the "serial:" id for itself alone, sets its line as for a ticket, runs
// `use(handle)` and closes the port, however the call ends.
template <typename Use>
void WithPort(SerialPort& port, const std::string& id, Use use) {
  const std::u16string path = u"\\\\.\\" + ParseDeviceId(id).system_name;

  SerialHandle handle{};
  if (!port.Open(path, &handle)) throw PrinterError(PrinterFailure::kPortUnavailable);
  OpenPort open_port(port, handle);

  CommState state;
  state.DCBlength = kCommStateLength;
  if (!port.GetCommState(handle, &state)) throw PrinterError(PrinterFailure::kPortUnreadable);
  SetLine(&state);
  CommTimeouts timeouts;
  timeouts.WriteTotalTimeoutConstant = static_cast<std::uint32_t>(kSerialWriteTimeout.count());
  if (!port.SetCommState(handle, state) || !port.SetCommTimeouts(handle, timeouts)) {
    throw PrinterError(PrinterFailure::kPortNotConfigured);
  }
  use(handle);
}

// Writes every byte; false when a write fails or takes nothing.
bool Write(SerialPort& port, SerialHandle handle, const std::uint8_t* bytes, std::size_t size) {
  std::size_t sent = 0;
  while (sent < size) {
    const auto piece = static_cast<std::uint32_t>(std::min(kSerialPieceBytes, size - sent));
    std::uint32_t written = 0;
    if (!port.Write(handle, bytes + sent, piece, &written) || written == 0) return false;
    sent += std::min(written, piece);
  }
  return true;
}

}  // namespace

void PrintToSerialPort(SerialPort& port, const std::string& id,
                       const std::vector<std::uint8_t>& bytes) {
  WithPort(port, id, [&](SerialHandle handle) {
    if (!Write(port, handle, bytes.data(), bytes.size())) {
      throw PrinterError(PrinterFailure::kPortSendInterrupted);
    }
  });
}

StatusAnswers AskSerialStatus(SerialPort& port, const std::string& id, std::uint32_t timeout_ms) {
  StatusAnswers answers;
  WithPort(port, id, [&](SerialHandle handle) {
    for (std::uint8_t n = 1; n <= 4; ++n) {
      const std::uint8_t request[] = {0x10, 0x04, n};  // DLE EOT n
      if (!Write(port, handle, request, sizeof request)) {
        answers.unsent = true;
        return;
      }
      std::uint8_t answer = 0;
      std::uint32_t read = 0;
      if (!port.Read(handle, &answer, 1, timeout_ms, &read)) {
        throw PrinterError(PrinterFailure::kPortUnreadable);
      }
      if (read == 0) return;  // no answer: the rest would go unanswered too
      answers.bytes.push_back(answer);
    }
  });
  return answers;
}
